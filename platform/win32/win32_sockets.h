// SocketApi over Windows sockets 1.1. Sockets are non-blocking inside
// (ioctlsocket FIONBIO), so that every wait can keep its time limit through
// select; to the caller each call still blocks. A name look-up with a time
// limit runs gethostbyname on a thread of its own, which keeps the module
// loaded until it ends.
#pragma once

#include "platform/socket.h"
#include "platform/win32/win32_error.h"

namespace tamborix {

class Win32Sockets : public SocketApi {
 public:
  // The calling thread's latest failure (WSAGetLastError kept as Win32Error).
  Win32Error LastError() const;

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
};

}  // namespace tamborix
