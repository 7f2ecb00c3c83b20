// tamborix-storage-service [--time-limit=SECONDS] [--workers=N]
//                          <address> <port> <root> [quota-bytes]
//
// Serves the recorder's uploads until it is interrupted. Port 0 takes any
// free port; the line "listening on <address>:<port>" tells which.
// --time-limit: how long one request may take to arrive (default 120 s);
// --workers: how many connections are served at once (default 64).
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/storage_service/storage_service.h"

namespace {

bool ReadNumber(const char* text, unsigned long long* value) {
  char* end = nullptr;
  errno = 0;
  *value = std::strtoull(text, &end, 10);
  return errno == 0 && end != text && *end == '\0';
}

// Reads "--<name>=<number>" into *value; false when `arg` is another flag.
bool ReadFlag(const std::string& arg, const std::string& name, unsigned long long* value,
              bool* bad) {
  std::string prefix = "--" + name + "=";
  if (arg.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  *bad = !ReadNumber(arg.c_str() + prefix.size(), value) || *value == 0;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  tamborix::StorageServiceOptions options;
  std::vector<const char*> positional;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    unsigned long long value = 0;
    bool bad = false;
    if (ReadFlag(arg, "time-limit", &value, &bad)) {
      options.requestTimeLimit = std::chrono::seconds(value);
    } else if (ReadFlag(arg, "workers", &value, &bad)) {
      options.workers = value;
    } else if (arg.compare(0, 2, "--") == 0) {
      bad = true;
    } else {
      positional.push_back(argv[i]);
    }
    if (bad) {
      std::fprintf(stderr, "bad option: %s\n", argv[i]);
      return 2;
    }
  }
  if (positional.size() < 3 || positional.size() > 4) {
    std::fprintf(stderr,
                 "usage: %s [--time-limit=SECONDS] [--workers=N] <address> <port> <root> "
                 "[quota-bytes]\n",
                 argv[0]);
    return 2;
  }
  options.address = positional[0];
  unsigned long long number = 0;
  if (!ReadNumber(positional[1], &number) || number > 65535) {
    std::fprintf(stderr, "bad port: %s\n", positional[1]);
    return 2;
  }
  options.port = static_cast<int>(number);
  options.root = positional[2];
  if (positional.size() == 4) {
    if (!ReadNumber(positional[3], &number)) {
      std::fprintf(stderr, "bad quota: %s\n", positional[3]);
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
    std::fprintf(stderr, "cannot serve on %s:%s with root %s\n", positional[0], positional[1],
                 positional[2]);
    return 1;
  }
  std::printf("listening on %s:%d\n", options.address.c_str(), service.port());
  std::fflush(stdout);
  int received = 0;
  sigwait(&stopSignals, &received);
  service.Stop();
  return 0;
}
