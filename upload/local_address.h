// The machine's own IPv4 addresses, sent as the client address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace tamborix {

constexpr size_t kLocalAddressLimit = 10;

// "%d.%d.%d.%d" of the four bytes, e.g. "10.0.0.7".
std::string DottedAddress(const Ipv4Address& address);

// The addresses the machine's host name resolves to, in the resolver's
// order, at most kLocalAddressLimit of them; empty when the name or its
// look-up fails or outlasts `timeLimitMs`, or the socket library cannot be
// started.
std::vector<std::string> LocalAddressList(SocketApi& sockets,
                                          uint32_t timeLimitMs = SocketApi::kNoTimeLimit);

// The first of LocalAddressList, or "".
std::string FirstLocalAddress(SocketApi& sockets, uint32_t timeLimitMs = SocketApi::kNoTimeLimit);

}  // namespace tamborix
