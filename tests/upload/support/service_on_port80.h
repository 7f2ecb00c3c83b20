// The reference storage service on port 80 of a loopback address of its own,
// for the tests that go to the service the way the control does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/storage_service/storage_service.h"

namespace tamborix::testing {

// Starts the service on port 80 of a free 127.0.80.N address, storing under
// `root`; *address receives the address. Null when no address could be
// bound (binding port 80 needs root).
std::unique_ptr<StorageService> StartServiceOnPort80(const std::string& root, uint64_t quotaBytes,
                                                     std::string* address);
// The same with further options; their address and port are set here.
std::unique_ptr<StorageService> StartServiceOnPort80(StorageServiceOptions options,
                                                     std::string* address);

// The whole content of a file on the local disk; "" when it cannot be read.
std::string ReadLocalFile(const std::string& path);

}  // namespace tamborix::testing
