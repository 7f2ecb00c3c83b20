// The platform services every control of the module shares. They live as
// long as the module: an upload worker may outlive the control that started
// it and still use the kernel and the sockets. Each of them keeps no state
// of one thread's, or guards what it keeps; the wave device is not among
// them, since its notices reach the thread that made its window: every
// control brings its own.
#pragma once

#include "platform/platform.h"

namespace tamborix {

// The shared services with the control's own wave device.
Platform ModulePlatform(WaveDevice* device);

// True while an upload worker started by any control still runs; the module
// must not be unloaded then.
bool ModuleThreadsRunning();

}  // namespace tamborix
