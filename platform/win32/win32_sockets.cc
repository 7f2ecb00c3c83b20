#include "platform/win32/win32_sockets.h"

#include <winsock2.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace tamborix {
namespace {

using Clock = std::chrono::steady_clock;

thread_local Win32ErrorRecord lastError;

bool Fail(const std::string& operation, int code) {
  lastError.Keep(static_cast<uint32_t>(code), operation);
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
      auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now()).count();
      if (left < 0) {
        left = 0;
      }
      wait.tv_sec = static_cast<long>(left / 1000000);
      wait.tv_usec = static_cast<long>(left % 1000000);
      limit = &wait;
    }
    int count =
        select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, limit);
    if (count > 0) {
      return true;
    }
    if (count == 0 && Clock::now() >= deadline) {
      return Fail(operation, WSAETIMEDOUT);
    }
    if (count == 0) {
      continue;  // woke a little early
    }
    if (WSAGetLastError() != WSAEINTR) {
      return FailWithSocketError("select");
    }
  }
}

// gethostbyname's answer as IPv4 addresses: 0, or a Windows sockets error.
int HostAddresses(const std::string& name, std::vector<Ipv4Address>* addresses) {
  hostent* entry = gethostbyname(name.c_str());
  if (entry == nullptr) {
    return WSAGetLastError();
  }
  if (entry->h_addrtype != AF_INET || entry->h_length != 4 || entry->h_addr_list[0] == nullptr) {
    return WSANO_DATA;
  }
  for (char** next = entry->h_addr_list; *next != nullptr; ++next) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(*next);
    addresses->push_back({bytes[0], bytes[1], bytes[2], bytes[3]});
  }
  return 0;
}

// What a look-up's own thread and the waiting caller share. The thread keeps
// the module loaded while it runs, since its code lives there.
struct PendingLookUp {
  HANDLE ended = nullptr;  // manual-reset, set when the look-up is over
  HMODULE module = nullptr;
  std::string name;
  int error = 0;
  std::vector<Ipv4Address> addresses;

  ~PendingLookUp() {
    if (ended != nullptr) {
      CloseHandle(ended);
    }
  }
};

DWORD WINAPI RunLookUp(LPVOID argument) {
  HMODULE module = nullptr;
  {
    std::unique_ptr<std::shared_ptr<PendingLookUp>> share(
        static_cast<std::shared_ptr<PendingLookUp>*>(argument));
    PendingLookUp& pending = **share;
    module = pending.module;
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) == 0) {
      pending.error = HostAddresses(pending.name, &pending.addresses);
      WSACleanup();
    } else {
      pending.error = WSASYSNOTREADY;
    }
    SetEvent(pending.ended);
  }  // the thread's share of the record goes before the module may
  if (module != nullptr) {
    FreeLibraryAndExitThread(module, 0);
  }
  return 0;
}

// Looks `name` up, waiting until `deadline` at most. gethostbyname cannot be
// stopped, so with a deadline it runs on a thread of its own, which is left
// to end by itself when the deadline passes first. 0, or a Windows sockets
// error (WSAETIMEDOUT when time ran out).
int LookUpWithin(const std::string& name, Clock::time_point deadline,
                 std::vector<Ipv4Address>* addresses) {
  std::vector<Ipv4Address> found;
  if (deadline == Clock::time_point::max()) {
    int error = HostAddresses(name, &found);
    if (error == 0) {
      *addresses = std::move(found);
    }
    return error;
  }
  if (Clock::now() >= deadline) {
    return WSAETIMEDOUT;
  }
  auto pending = std::make_shared<PendingLookUp>();
  pending->name = name;
  pending->ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (pending->ended == nullptr) {
    return static_cast<int>(GetLastError());
  }
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(&RunLookUp), &pending->module) == FALSE) {
    pending->module = nullptr;
  }
  auto* share = new std::shared_ptr<PendingLookUp>(pending);
  HANDLE thread = CreateThread(nullptr, 0, &RunLookUp, share, 0, nullptr);
  if (thread == nullptr) {
    int error = static_cast<int>(GetLastError());
    if (pending->module != nullptr) {
      FreeLibrary(pending->module);
    }
    delete share;
    return error;
  }
  CloseHandle(thread);
  for (;;) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      return WSAETIMEDOUT;
    }
    DWORD wait = left >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(left);
    DWORD result = WaitForSingleObject(pending->ended, wait);
    if (result == WAIT_OBJECT_0) {
      break;
    }
    if (result != WAIT_TIMEOUT) {
      return static_cast<int>(GetLastError());
    }
  }
  if (pending->error == 0) {
    *addresses = std::move(pending->addresses);
  }
  return pending->error;
}

bool ResolveHost(const std::string& host, Clock::time_point deadline, in_addr* address) {
  unsigned long dotted = inet_addr(host.c_str());
  if (dotted != INADDR_NONE) {
    address->s_addr = dotted;
    return true;
  }
  std::vector<Ipv4Address> found;
  int error = LookUpWithin(host, deadline, &found);
  if (error != 0) {
    return Fail("gethostbyname " + host, error);
  }
  std::memcpy(&address->s_addr, found.front().data(), 4);
  return true;
}

}  // namespace

Win32Error Win32Sockets::LastError() const {
  return lastError.Read();
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
  if (!ResolveHost(host, deadline, &peer.sin_addr)) {
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

bool Win32Sockets::LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses,
                                   uint32_t timeLimitMs) {
  int error = LookUpWithin(name, DeadlineAfter(timeLimitMs), addresses);
  return error == 0 || Fail("gethostbyname " + name, error);
}

}  // namespace tamborix
