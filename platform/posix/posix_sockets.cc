#include "platform/posix/posix_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace tamborix {
namespace {

using Clock = std::chrono::steady_clock;

thread_local PosixError lastError;

bool Fail(const std::string& operation, int code) {
  lastError = PosixError::FromCode(code, operation);
  return false;
}

bool FailWithErrno(const char* operation) {
  return Fail(operation, errno);
}

// The moment a wait of `limitMs` from now runs out; Clock::time_point::max()
// for no limit.
Clock::time_point DeadlineAfter(uint32_t limitMs) {
  if (limitMs == SocketApi::kNoTimeLimit) {
    return Clock::time_point::max();
  }
  return Clock::now() + std::chrono::milliseconds(limitMs);
}

// Milliseconds left until `deadline`, rounded up, as a poll() time-out (-1:
// no limit).
int PollTimeout(Clock::time_point deadline) {
  if (deadline == Clock::time_point::max()) {
    return -1;
  }
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) {
    return 0;
  }
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// Waits until `fd` is ready for `events` or `deadline` has passed. On a
// failure the operation `operation` is recorded (ETIMEDOUT when time ran out).
bool WaitFor(int fd, short events, Clock::time_point deadline, const char* operation) {
  for (;;) {
    pollfd entry{fd, events, 0};
    int ready = poll(&entry, 1, PollTimeout(deadline));
    if (ready > 0) {
      return true;
    }
    if (ready == 0 && Clock::now() >= deadline) {
      return Fail(operation, ETIMEDOUT);
    }
    if (ready == 0) {
      continue;  // woke a little early
    }
    if (errno != EINTR) {
      return FailWithErrno("poll");
    }
  }
}

}  // namespace

PosixError PosixSockets::LastError() const {
  return lastError;
}

bool PosixSockets::LookUp(const std::string& name, Clock::time_point deadline,
                          std::vector<Ipv4Address>* addresses) {
  LookUpResult result = LookUpWithin(resolver_, name, deadline, addresses);
  if (result.timedOut) {
    return Fail("getaddrinfo " + name, ETIMEDOUT);
  }
  if (result.code == 0) {
    return true;
  }
  if (result.code == EAI_SYSTEM) {
    return Fail("getaddrinfo " + name, result.systemError);
  }
  lastError = PosixError::FromCode(result.code, "getaddrinfo " + name);
  lastError.text = gai_strerror(result.code);
  return false;
}

bool PosixSockets::ResolveHost(const std::string& host, Clock::time_point deadline,
                               in_addr* address) {
  in_addr_t dotted = inet_addr(host.c_str());
  if (dotted != INADDR_NONE) {
    address->s_addr = dotted;
    return true;
  }
  std::vector<Ipv4Address> found;
  if (!LookUp(host, deadline, &found)) {
    return false;
  }
  std::memcpy(&address->s_addr, found.front().data(), 4);
  return true;
}

bool PosixSockets::Startup() {
  return true;
}

void PosixSockets::Cleanup() {}

SocketApi::Handle PosixSockets::Create() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    FailWithErrno("socket");
    return kNoSocket;
  }
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
    FailWithErrno("fcntl");
    close(fd);
    return kNoSocket;
  }
  return fd;
}

bool PosixSockets::Connect(Handle socket, const std::string& host, int port, uint32_t timeLimitMs) {
  Clock::time_point deadline = DeadlineAfter(timeLimitMs);
  if (port < 1 || port > 65535) {
    return Fail("connect", EINVAL);
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  if (!ResolveHost(host, deadline, &peer.sin_addr)) {
    return false;
  }
  int fd = static_cast<int>(socket);
  if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
    return true;
  }
  if (errno != EINPROGRESS && errno != EINTR) {
    return FailWithErrno("connect");
  }
  if (!WaitFor(fd, POLLOUT, deadline, "connect")) {
    return false;
  }
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0) {
    return FailWithErrno("getsockopt");
  }
  return error == 0 || Fail("connect", error);
}

bool PosixSockets::SendAll(Handle socket, const void* data, size_t size, uint32_t timeLimitMs) {
  Clock::time_point deadline = DeadlineAfter(timeLimitMs);
  int fd = static_cast<int>(socket);
  const char* next = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    ssize_t sent = send(fd, next, left, MSG_NOSIGNAL);
    if (sent > 0) {
      next += sent;
      left -= static_cast<size_t>(sent);
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(fd, POLLOUT, deadline, "send")) {
        return false;
      }
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else {
      return FailWithErrno("send");
    }
  }
  return true;
}

int64_t PosixSockets::Receive(Handle socket, void* buffer, size_t capacity, uint32_t timeLimitMs) {
  Clock::time_point deadline = DeadlineAfter(timeLimitMs);
  int fd = static_cast<int>(socket);
  for (;;) {
    ssize_t received = recv(fd, buffer, capacity, 0);
    if (received >= 0) {
      return received;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!WaitFor(fd, POLLIN, deadline, "recv")) {
        return -1;
      }
    } else if (errno != EINTR) {
      FailWithErrno("recv");
      return -1;
    }
  }
}

void PosixSockets::Close(Handle socket) {
  if (socket != kNoSocket) {
    close(static_cast<int>(socket));
  }
}

bool PosixSockets::LocalHostName(std::string* name) {
  char area[256];
  if (gethostname(area, sizeof area) != 0) {
    return FailWithErrno("gethostname");
  }
  area[sizeof area - 1] = '\0';
  *name = area;
  return true;
}

bool PosixSockets::LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses,
                                   uint32_t timeLimitMs) {
  return LookUp(name, DeadlineAfter(timeLimitMs), addresses);
}

}  // namespace tamborix
