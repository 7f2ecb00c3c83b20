// The platform services every control of the module shares. They live as
// long as the module: an upload worker may outlive the control that started
// it and still use the kernel and the sockets.
#pragma once

#include "platform/platform.h"

namespace tamborix {

const Platform& ModulePlatform();

// True while an upload worker started by any control still runs; the module
// must not be unloaded then.
bool ModuleThreadsRunning();

}  // namespace tamborix
