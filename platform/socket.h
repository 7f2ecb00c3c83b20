// IPv4 TCP stream sockets for the upload worker, and the local host look-up
// that gives the client address.
//
// Threading: any thread. A thread calls Startup before its first other call
// and Cleanup once for every Startup that succeeded; start-ups nest. One
// socket is used by one thread at a time.
//
// Time limits: the calls that wait take the longest wait in milliseconds;
// kNoTimeLimit waits as long as the peer needs. A wait that runs out is a
// failure with the code of a timed-out operation (ETIMEDOUT, WSAETIMEDOUT),
// returned only once the whole limit has passed. Name look-ups keep the limit
// too: one that cannot be stopped is left to end on a thread of its own,
// which holds nothing of the caller's and whose answer is dropped.
//
// Failures: every call that fails keeps the failed operation and the
// system's error code (errno, WSAGetLastError) through the platform's error
// record (PosixError, Win32Error); each implementation's LastError() gives
// the calling thread's latest one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tamborix {

using Ipv4Address = std::array<uint8_t, 4>;  // network order: 10.0.0.7 is {10, 0, 0, 7}

class SocketApi {
 public:
  using Handle = intptr_t;
  static constexpr Handle kNoSocket = -1;
  static constexpr uint32_t kNoTimeLimit = 0xFFFFFFFFu;

  virtual ~SocketApi() = default;

  // Starts the socket library for the calling thread (Windows sockets 1.1).
  // False when it cannot be started; Cleanup is then not called for it.
  virtual bool Startup() = 0;
  virtual void Cleanup() = 0;

  // A new IPv4 TCP stream socket, or kNoSocket.
  virtual Handle Create() = 0;

  // Connects `socket` to `host` at `port`. A host text that reads as a dotted
  // IPv4 address (the inet_addr rule) is used as it stands; any other text is
  // looked up by name and the first IPv4 address is taken. A failed look-up
  // and a port outside 1..65535 are failed connections. The time limit
  // covers the look-up and the connection together.
  virtual bool Connect(Handle socket, const std::string& host, int port, uint32_t timeLimitMs) = 0;

  // Hands over all `size` bytes; true only when every byte went out.
  virtual bool SendAll(Handle socket, const void* data, size_t size, uint32_t timeLimitMs) = 0;

  // Waits for data and receives once: the count received (1..capacity), 0
  // when the peer has closed the connection, -1 on an error or when nothing
  // came within the time limit.
  virtual int64_t Receive(Handle socket, void* buffer, size_t capacity, uint32_t timeLimitMs) = 0;

  // Closes and releases the socket. kNoSocket is ignored.
  virtual void Close(Handle socket) = 0;

  // The machine's host name (gethostname into a 256-byte area).
  virtual bool LocalHostName(std::string* name) = 0;

  // The IPv4 addresses that `name` resolves to, in the order the resolver
  // gives them; false when the look-up fails or outlasts the time limit, and
  // `addresses` is then left as it was.
  virtual bool LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses,
                               uint32_t timeLimitMs) = 0;
};

}  // namespace tamborix
