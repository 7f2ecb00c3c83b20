// Finding the threads a system driver starts for a command, so that the
// caller can wait for them to end. A thread is the driver's when its start
// address lies in the driver's module; it is new when its id was not among
// the process's threads taken just before the command.
#pragma once

#include <cstdint>
#include <vector>

namespace tamborix {

// The ids of the calling process's threads; empty when they cannot be read.
std::vector<uint32_t> ProcessThreadIds();

// Handles (SYNCHRONIZE) of the process's threads that are not in `before`
// and started in the loaded module `moduleName`; the caller closes them with
// CloseHandle. Empty when there are none, when the module is not loaded, or
// when the system tells no start addresses.
std::vector<void*> OpenNewDriverThreads(const std::vector<uint32_t>& before,
                                        const char* moduleName);

}  // namespace tamborix
