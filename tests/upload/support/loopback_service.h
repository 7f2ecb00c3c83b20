// The reference storage service on a loopback address of its own, for the
// tests that go to the service the way the control does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/storage_service/storage_service.h"

namespace tamborix::testing {

// Starts the service on `port` (0: any free one; the product's 80 needs
// root) of a free 127.0.80.N address, storing under `root`; *address
// receives the address. Null when no address could be bound.
std::unique_ptr<StorageService> StartLoopbackService(const std::string& root, uint64_t quotaBytes,
                                                     int port, std::string* address);
// The same with further options; their address and port are set here.
std::unique_ptr<StorageService> StartLoopbackService(StorageServiceOptions options, int port,
                                                     std::string* address);

// The whole content of a file on the local disk; "" when it cannot be read.
std::string ReadLocalFile(const std::string& path);

}  // namespace tamborix::testing
