#include "tests/upload/support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tamborix::testing {

std::string OnFreeLoopbackAddress(const std::function<bool(const std::string& address)>& start) {
  const int first = static_cast<int>(getpid() % 254);
  for (int i = 0; i < 254; ++i) {
    std::string address = "127.0.80." + std::to_string((first + i) % 254 + 1);
    if (start(address)) {
      return address;
    }
  }
  return "";
}

int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof local;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
    port = ntohs(local.sin_port);
  }
  close(fd);
  return port;
}

bool Accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0;
  close(fd);
  return accepted;
}

TempFolder::TempFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "tamborix-upload-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern;
  }
}

TempFolder::~TempFolder() {
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
}

std::string Tinyproxy::Program() {
  for (const char* path : {"/usr/sbin/tinyproxy", "/usr/bin/tinyproxy"}) {
    if (access(path, X_OK) == 0) {
      return path;
    }
  }
  return "";
}

Tinyproxy::~Tinyproxy() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

bool Tinyproxy::Start(const std::string& folder) {
  std::string program = Program();
  if (program.empty()) {
    return false;
  }
  port_ = FreeLoopbackPort();
  std::string config = folder + "/tinyproxy.conf";
  {
    std::ofstream out(config);
    out << "Port " << port_ << "\n"
        << "Listen 127.0.0.1\n"
        << "Timeout 30\n"
        << "MaxClients 8\n"
        << "Allow 127.0.0.1\n"
        << "LogFile \"" << folder << "/tinyproxy.log\"\n"
        << "LogLevel Info\n"
        << "PidFile \"" << folder << "/tinyproxy.pid\"\n";
    if (geteuid() == 0) {
      out << "User root\nGroup root\n";
    }
  }
  std::string foreground = "-d";
  std::string configFlag = "-c";
  char* arguments[] = {program.data(), foreground.data(), configFlag.data(), config.data(),
                       nullptr};
  if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, arguments, environ) != 0) {
    pid_ = -1;
    return false;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (Accepts(port_)) {
      return true;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace tamborix::testing
