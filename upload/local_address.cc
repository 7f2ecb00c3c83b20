#include "upload/local_address.h"

namespace tamborix {

std::string DottedAddress(const Ipv4Address& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
         std::to_string(address[2]) + "." + std::to_string(address[3]);
}

std::vector<std::string> LocalAddressList(SocketApi& sockets, uint32_t timeLimitMs) {
  std::vector<std::string> list;
  if (!sockets.Startup()) {
    return list;
  }
  std::string name;
  std::vector<Ipv4Address> addresses;
  if (sockets.LocalHostName(&name) && sockets.LookUpAddresses(name, &addresses, timeLimitMs)) {
    for (const Ipv4Address& address : addresses) {
      if (list.size() == kLocalAddressLimit) {
        break;
      }
      list.push_back(DottedAddress(address));
    }
  }
  sockets.Cleanup();
  return list;
}

std::string FirstLocalAddress(SocketApi& sockets, uint32_t timeLimitMs) {
  std::vector<std::string> list = LocalAddressList(sockets, timeLimitMs);
  return list.empty() ? std::string() : list.front();
}

}  // namespace tamborix
