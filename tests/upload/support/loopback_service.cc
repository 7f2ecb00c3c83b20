#include "tests/upload/support/loopback_service.h"

#include <fstream>
#include <sstream>

#include "tests/upload/support/loopback.h"

namespace tamborix::testing {

std::unique_ptr<StorageService> StartLoopbackService(const std::string& root, uint64_t quotaBytes,
                                                     int port, std::string* address) {
  StorageServiceOptions options;
  options.root = root;
  options.quotaBytes = quotaBytes;
  return StartLoopbackService(options, port, address);
}

std::unique_ptr<StorageService> StartLoopbackService(StorageServiceOptions options, int port,
                                                     std::string* address) {
  std::unique_ptr<StorageService> started;
  *address = OnFreeLoopbackAddress([&](const std::string& candidate) {
    options.address = candidate;
    options.port = port;
    auto service = std::make_unique<StorageService>(options);
    if (!service->Start()) {
      return false;
    }
    started = std::move(service);
    return true;
  });
  return started;
}

std::string ReadLocalFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace tamborix::testing
