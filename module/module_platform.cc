#include "module/module_platform.h"

#include "platform/win32/win32_file_chooser.h"
#include "platform/win32/win32_kernel.h"
#include "platform/win32/win32_proxy_settings.h"
#include "platform/win32/win32_sockets.h"
#include "platform/win32/win32_threads.h"

namespace tamborix {
namespace {

struct ModuleServices {
  Win32Kernel kernel;
  Win32Sockets sockets;
  Win32ProxySettings proxySettings;
  Win32Threads threads;
  Win32FileChooser fileChooser;
  Platform platform;

  ModuleServices() {
    platform.kernel = &kernel;
    platform.sockets = &sockets;
    platform.proxySettings = &proxySettings;
    platform.threads = &threads;
    platform.fileChooser = &fileChooser;
  }
};

ModuleServices& Services() {
  static ModuleServices services;
  return services;
}

}  // namespace

Platform ModulePlatform(WaveDevice* device) {
  Platform platform = Services().platform;
  platform.device = device;
  return platform;
}

bool ModuleThreadsRunning() {
  return Services().threads.RunningCount() > 0;
}

}  // namespace tamborix
