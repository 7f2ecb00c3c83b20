// SocketApi over BSD sockets. Sockets are non-blocking inside, so that every
// wait can keep its time limit; to the caller each call still blocks. Name
// look-ups with a time limit run on threads of their own
// (posix_name_lookup.h).
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <utility>

#include "platform/posix/posix_error.h"
#include "platform/posix/posix_name_lookup.h"
#include "platform/socket.h"

namespace tamborix {

class PosixSockets : public SocketApi {
 public:
  // Names are looked up with getaddrinfo, or with `resolver`.
  PosixSockets() = default;
  explicit PosixSockets(NameResolver resolver) : resolver_(std::move(resolver)) {}

  // The calling thread's latest failure.
  PosixError LastError() const;

  bool Startup() override;
  void Cleanup() override;
  Handle Create() override;
  bool Connect(Handle socket, const std::string& host, int port, uint32_t timeLimitMs) override;
  bool SendAll(Handle socket, const void* data, size_t size, uint32_t timeLimitMs) override;
  int64_t Receive(Handle socket, void* buffer, size_t capacity, uint32_t timeLimitMs) override;
  void Close(Handle socket) override;
  bool LocalHostName(std::string* name) override;
  bool LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses,
                       uint32_t timeLimitMs) override;

 private:
  bool LookUp(const std::string& name, std::chrono::steady_clock::time_point deadline,
              std::vector<Ipv4Address>* addresses);
  bool ResolveHost(const std::string& host, std::chrono::steady_clock::time_point deadline,
                   in_addr* address);

  NameResolver resolver_ = SystemResolve;
};

}  // namespace tamborix
