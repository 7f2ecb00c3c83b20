// tamborix-storage-service <address> <port> <root> [quota-bytes]
//
// Serves the recorder's uploads until it is interrupted. Port 0 takes any
// free port; the line "listening on <address>:<port>" tells which.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/storage_service/storage_service.h"

namespace {

bool ReadNumber(const char* text, unsigned long long* value) {
  char* end = nullptr;
  errno = 0;
  *value = std::strtoull(text, &end, 10);
  return errno == 0 && end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: %s <address> <port> <root> [quota-bytes]\n", argv[0]);
    return 2;
  }
  tamborix::StorageServiceOptions options;
  options.address = argv[1];
  unsigned long long number = 0;
  if (!ReadNumber(argv[2], &number) || number > 65535) {
    std::fprintf(stderr, "bad port: %s\n", argv[2]);
    return 2;
  }
  options.port = static_cast<int>(number);
  options.root = argv[3];
  if (argc == 5) {
    if (!ReadNumber(argv[4], &number)) {
      std::fprintf(stderr, "bad quota: %s\n", argv[4]);
      return 2;
    }
    options.quotaBytes = number;
  }

  // The serving threads inherit this mask; only sigwait below sees the signals.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  tamborix::StorageService service(options);
  if (!service.Start()) {
    std::fprintf(stderr, "cannot serve on %s:%s with root %s\n", argv[1], argv[2], argv[3]);
    return 1;
  }
  std::printf("listening on %s:%d\n", options.address.c_str(), service.port());
  std::fflush(stdout);
  int received = 0;
  sigwait(&stopSignals, &received);
  service.Stop();
  return 0;
}
