// The upload on the real Windows pieces: Winsock sockets, Win32 threads and
// events, the internet settings and the Win32 kernel, sending a recording
// through an HTTP proxy that a thread of this program plays on loopback.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/proxy_settings.h"
#include "platform/win32/win32_kernel.h"
#include "platform/win32/win32_proxy_settings.h"
#include "platform/win32/win32_sockets.h"
#include "platform/win32/win32_threads.h"
#include "tests/wine/check.h"
#include "upload/run_upload.h"

namespace tamborix_wine {
namespace {

using namespace tamborix;

// A proxy that takes one request, keeps its bytes and answers `reply`.
class OneShotProxy {
 public:
  explicit OneShotProxy(std::string reply) : reply_(std::move(reply)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 1);
    thread_ = std::thread([this] { Serve(); });
  }
  ~OneShotProxy() {
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  OneShotProxy(const OneShotProxy&) = delete;
  OneShotProxy& operator=(const OneShotProxy&) = delete;

  int port() const { return port_; }
  // Everything received; read after the upload has ended.
  const std::string& request() const { return request_; }

 private:
  void Serve() {
    SOCKET peer = accept(listener_, nullptr, nullptr);
    if (peer == INVALID_SOCKET) {
      return;
    }
    char buffer[4096];
    size_t wanted = std::string::npos;
    while (wanted == std::string::npos || request_.size() < wanted) {
      const int got = recv(peer, buffer, sizeof buffer, 0);
      if (got <= 0) {
        break;
      }
      request_.append(buffer, static_cast<size_t>(got));
      const size_t headEnd = request_.find("\r\n\r\n");
      const size_t lengthAt = request_.find("Content-Length: ");
      if (wanted == std::string::npos && headEnd != std::string::npos &&
          lengthAt != std::string::npos) {
        wanted = headEnd + 4 + std::strtoul(request_.c_str() + lengthAt + 16, nullptr, 10);
      }
    }
    send(peer, reply_.data(), static_cast<int>(reply_.size()), 0);
    closesocket(peer);
  }

  std::string reply_;
  SOCKET listener_;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

// The user's settings name the test's proxy for HTTP.
class NamedProxy : public ProxySettings {
 public:
  explicit NamedProxy(int port) : port_(port) {}
  bool Read(ProxyConfiguration* config) override {
    config->accessType = kProxyAccessNamedProxy;
    config->proxyList = "http=127.0.0.1:" + std::to_string(port_);
    return true;
  }

 private:
  int port_;
};

// Keeps where the upload's progress stands.
class ProgressRecord : public UploadProgress {
 public:
  void Begin() override { shown = true; }
  void Move(int32_t percent) override { position = percent; }

  bool shown = false;
  int position = -1;
};

std::string Recording() {
  std::string bytes(150000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(i * 7 + i / 251);
  }
  return bytes;
}

// The real Win32 pieces, with the test's proxy named in the settings.
struct Win32Upload {
  explicit Win32Upload(int proxyPort) : settings(proxyPort) {
    platform.kernel = &kernel;
    platform.sockets = &sockets;
    platform.proxySettings = &settings;
    platform.threads = &threads;
  }
  // Waits a little for the worker, which ends on its own thread.
  bool WorkersEnded() {
    for (int i = 0; i < 100 && threads.RunningCount() > 0; ++i) {
      Sleep(10);
    }
    return threads.RunningCount() == 0;
  }

  Win32Kernel kernel;
  Win32Sockets sockets;
  Win32Threads threads;
  NamedProxy settings;
  Platform platform;
};

std::string TempPath(const char* name, const std::string& content) {
  char temp[MAX_PATH] = {0};
  GetTempPathA(sizeof temp, temp);
  const std::string path = std::string(temp) + name;
  std::ofstream out(path, std::ios::binary);
  out << content;
  return path;
}

TEST_GROUP(UploadThroughWinsockAndWin32Threads) {
  const std::string recording = Recording();
  const std::string path = TempPath("tamborix_upload.wav", recording);
  OneShotProxy proxy("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK");
  Win32Upload upload(proxy.port());

  UploadSettings settings;
  settings.path = path;
  settings.host = "storage.example";
  settings.session = "s1";
  settings.user = "ann";
  settings.domain = "example.org";
  settings.targetDir = "inbox";
  ProgressRecord progress;
  CHECK(RunUpload(settings, upload.platform, progress));
  CHECK(progress.shown);
  CHECK(progress.position == 100);

  const std::string& request = proxy.request();
  CHECK(request.rfind(
            "POST http://storage.example/workdesk/handle?asession=s1&auser=ann&adomain=example.org",
            0) == 0);
  CHECK(request.find("\r\nHost: storage.example\r\n") != std::string::npos);
  const std::string fileHead =
      "filename=\"" + path + "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  const size_t body = request.find(fileHead);
  REQUIRE(body != std::string::npos);
  CHECK(request.compare(body + fileHead.size(), recording.size(), recording) == 0);

  CHECK(upload.WorkersEnded());
  DeleteFileA(path.c_str());
}

TEST_GROUP(UploadRefusedByTheServerIsAFailure) {
  const std::string path = TempPath("tamborix_refused.wav", "RIFF....");
  OneShotProxy proxy("HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\nlumo_quota_full");
  Win32Upload upload(proxy.port());
  UploadSettings settings;
  settings.path = path;
  settings.host = "storage.example";
  ProgressRecord progress;
  CHECK(!RunUpload(settings, upload.platform, progress));
  CHECK(upload.WorkersEnded());
  DeleteFileA(path.c_str());
}

TEST_GROUP(InternetSettingsCanBeRead) {
  // A fresh prefix has no proxy configured: the settings read as direct.
  Win32ProxySettings settings;
  ProxyConfiguration config;
  config.accessType = 0;
  CHECK(settings.Read(&config));
  CHECK(config.accessType == kProxyAccessDirect);
}

}  // namespace
}  // namespace tamborix_wine
