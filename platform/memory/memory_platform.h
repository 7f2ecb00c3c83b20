// The whole in-memory platform for tests and the console host: one clock and
// the kernel and wave device that share it, and the Save-as dialog. Panel windows are made apart
// (MemoryPanelWindow) on the same clock.
#pragma once

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_file_chooser.h"
#include "platform/memory/memory_kernel.h"
#include "platform/memory/memory_wave_device.h"
#include "platform/platform.h"

namespace tamborix {

struct MemoryPlatform {
  MemoryClock clock;
  MemoryKernel kernel{clock};
  MemoryWaveDevice device{clock, kernel};
  MemoryFileChooser fileChooser;

  // Kernel, device and file chooser filled in; sockets, proxy settings and
  // threads stay null.
  Platform platform();
};

}  // namespace tamborix
