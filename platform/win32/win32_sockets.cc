#include "platform/win32/win32_sockets.h"

#include <winsock2.h>

#include <chrono>
#include <cstring>

namespace tamborix {
namespace {

using Clock = std::chrono::steady_clock;

thread_local Win32Error lastError;

bool Fail(const std::string& operation, int code) {
  lastError = Win32Error::FromCode(static_cast<uint32_t>(code), operation);
  return false;
}

bool FailWithSocketError(const std::string& operation) {
  return Fail(operation, WSAGetLastError());
}

SOCKET AsSocket(SocketApi::Handle handle) {
  return static_cast<SOCKET>(handle);
}

Clock::time_point DeadlineAfter(uint32_t limitMs) {
  if (limitMs == SocketApi::kNoTimeLimit) {
    return Clock::time_point::max();
  }
  return Clock::now() + std::chrono::milliseconds(limitMs);
}

// Waits until `socket` is readable (or, with `forWriting`, writable) or the
// deadline passes; a connection that failed counts as ready for writing.
bool WaitFor(SOCKET socket, bool forWriting, Clock::time_point deadline, const char* operation) {
  for (;;) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval wait{};
    timeval* limit = nullptr;
    if (deadline != Clock::time_point::max()) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left < 0) {
        left = 0;
      }
      wait.tv_sec = static_cast<long>(left / 1000);
      wait.tv_usec = static_cast<long>((left % 1000) * 1000);
      limit = &wait;
    }
    int count =
        select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, limit);
    if (count > 0) {
      return true;
    }
    if (count == 0) {
      return Fail(operation, WSAETIMEDOUT);
    }
    if (WSAGetLastError() != WSAEINTR) {
      return FailWithSocketError("select");
    }
  }
}

bool ResolveHost(const std::string& host, in_addr* address) {
  unsigned long dotted = inet_addr(host.c_str());
  if (dotted != INADDR_NONE) {
    address->s_addr = dotted;
    return true;
  }
  hostent* entry = gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
      entry->h_addr_list[0] == nullptr) {
    return FailWithSocketError("gethostbyname " + host);
  }
  std::memcpy(&address->s_addr, entry->h_addr_list[0], 4);
  return true;
}

}  // namespace

Win32Error Win32Sockets::LastError() const {
  return lastError;
}

bool Win32Sockets::Startup() {
  WSADATA data;
  int rc = WSAStartup(MAKEWORD(1, 1), &data);
  if (rc != 0) {
    return Fail("WSAStartup", rc);
  }
  if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
    WSACleanup();
    return Fail("WSAStartup", WSAVERNOTSUPPORTED);
  }
  return true;
}

void Win32Sockets::Cleanup() {
  WSACleanup();
}

SocketApi::Handle Win32Sockets::Create() {
  SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) {
    FailWithSocketError("socket");
    return kNoSocket;
  }
  u_long nonBlocking = 1;
  if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
    FailWithSocketError("ioctlsocket");
    closesocket(socket);
    return kNoSocket;
  }
  return static_cast<Handle>(socket);
}

bool Win32Sockets::Connect(Handle socket, const std::string& host, int port, uint32_t timeLimitMs) {
  Clock::time_point deadline = DeadlineAfter(timeLimitMs);
  if (port < 1 || port > 65535) {
    return Fail("connect", WSAEINVAL);
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<u_short>(port));
  if (!ResolveHost(host, &peer.sin_addr)) {
    return false;
  }
  SOCKET s = AsSocket(socket);
  if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
    return true;
  }
  if (WSAGetLastError() != WSAEWOULDBLOCK) {
    return FailWithSocketError("connect");
  }
  if (!WaitFor(s, true, deadline, "connect")) {
    return false;
  }
  int error = 0;
  int length = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    return FailWithSocketError("getsockopt");
  }
  return error == 0 || Fail("connect", error);
}

bool Win32Sockets::SendAll(Handle socket, const void* data, size_t size, uint32_t timeLimitMs) {
  Clock::time_point deadline = DeadlineAfter(timeLimitMs);
  SOCKET s = AsSocket(socket);
  const char* next = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    int piece = left > 0x10000000u ? 0x10000000 : static_cast<int>(left);
    int sent = send(s, next, piece, 0);
    if (sent > 0) {
      next += sent;
      left -= static_cast<size_t>(sent);
    } else if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
      if (!WaitFor(s, true, deadline, "send")) {
        return false;
      }
    } else {
      return FailWithSocketError("send");
    }
  }
  return true;
}

int64_t Win32Sockets::Receive(Handle socket, void* buffer, size_t capacity, uint32_t timeLimitMs) {
  Clock::time_point deadline = DeadlineAfter(timeLimitMs);
  SOCKET s = AsSocket(socket);
  int room = capacity > 0x10000000u ? 0x10000000 : static_cast<int>(capacity);
  for (;;) {
    int received = recv(s, static_cast<char*>(buffer), room, 0);
    if (received >= 0) {
      return received;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      FailWithSocketError("recv");
      return -1;
    }
    if (!WaitFor(s, false, deadline, "recv")) {
      return -1;
    }
  }
}

void Win32Sockets::Close(Handle socket) {
  if (socket != kNoSocket) {
    closesocket(AsSocket(socket));
  }
}

bool Win32Sockets::LocalHostName(std::string* name) {
  char area[256];
  if (gethostname(area, sizeof area) != 0) {
    return FailWithSocketError("gethostname");
  }
  area[sizeof area - 1] = '\0';
  *name = area;
  return true;
}

bool Win32Sockets::LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses) {
  hostent* entry = gethostbyname(name.c_str());
  if (entry == nullptr) {
    return FailWithSocketError("gethostbyname " + name);
  }
  if (entry->h_addrtype != AF_INET || entry->h_length != 4) {
    return Fail("gethostbyname " + name, WSANO_DATA);
  }
  addresses->clear();
  for (char** next = entry->h_addr_list; *next != nullptr; ++next) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(*next);
    addresses->push_back({bytes[0], bytes[1], bytes[2], bytes[3]});
  }
  return true;
}

}  // namespace tamborix
