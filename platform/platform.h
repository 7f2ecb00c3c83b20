// The set of platform services one control uses. The control does not own
// them; whoever creates the control (the module on Windows, a host or a test
// elsewhere) keeps them alive for the control's whole life.
#pragma once

namespace tamborix {

class Kernel;
class WaveDevice;
class SocketApi;
class ProxySettings;
class Threads;
class FileChooser;

struct Platform {
  Kernel* kernel = nullptr;
  WaveDevice* device = nullptr;
  SocketApi* sockets = nullptr;
  ProxySettings* proxySettings = nullptr;
  Threads* threads = nullptr;
  FileChooser* fileChooser = nullptr;  // none: the chooser button does nothing
};

}  // namespace tamborix
