// Loopback addresses, ports, temporary folders and helper processes for the
// upload tests. Nothing here leaves the loopback network.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace tamborix::testing {

// Tries `start` on 127.0.80.N for N = 1..254, starting at a place taken from
// the process id so that tests running side by side rarely meet, until it
// succeeds. Returns the address taken, or "" when none could be used.
std::string OnFreeLoopbackAddress(const std::function<bool(const std::string& address)>& start);

// A port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

// True when a socket on 127.0.0.1 `port` accepts connections.
bool Accepts(int port);

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// tinyproxy on 127.0.0.1, in the foreground, with a configuration of its
// own, stopped when the object goes.
class Tinyproxy {
 public:
  // The program's path, or "" when tinyproxy is not installed.
  static std::string Program();

  Tinyproxy() = default;
  ~Tinyproxy();
  Tinyproxy(const Tinyproxy&) = delete;
  Tinyproxy& operator=(const Tinyproxy&) = delete;

  // Writes the configuration into `folder`, starts the proxy and waits until
  // it accepts connections; false when it does not come up.
  bool Start(const std::string& folder);
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace tamborix::testing
