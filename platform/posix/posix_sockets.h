// SocketApi over BSD sockets. Sockets are non-blocking inside, so that every
// wait can keep its time limit; to the caller each call still blocks.
#pragma once

#include "platform/posix/posix_error.h"
#include "platform/socket.h"

namespace tamborix {

class PosixSockets : public SocketApi {
 public:
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
  bool LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses) override;
};

}  // namespace tamborix
