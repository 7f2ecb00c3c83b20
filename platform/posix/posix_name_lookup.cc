#include "platform/posix/posix_name_lookup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace tamborix {
namespace {

// What the look-up's thread and the waiting caller share.
struct PendingLookUp {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  int code = 0;
  int systemError = 0;
  std::vector<Ipv4Address> addresses;
};

}  // namespace

int SystemResolve(const std::string& name, std::vector<Ipv4Address>* addresses) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (rc != 0) {
    return rc;
  }
  addresses->clear();
  for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(
        &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
    addresses->push_back({bytes[0], bytes[1], bytes[2], bytes[3]});
  }
  freeaddrinfo(found);
  return addresses->empty() ? EAI_NONAME : 0;
}

LookUpResult LookUpWithin(const NameResolver& resolver, const std::string& name,
                          std::chrono::steady_clock::time_point deadline,
                          std::vector<Ipv4Address>* addresses) {
  LookUpResult result;
  if (deadline == std::chrono::steady_clock::time_point::max()) {
    std::vector<Ipv4Address> found;
    errno = 0;
    result.code = resolver(name, &found);
    result.systemError = errno;
    if (result.code == 0) {
      *addresses = std::move(found);
    }
    return result;
  }
  if (std::chrono::steady_clock::now() >= deadline) {
    result.timedOut = true;
    return result;
  }
  auto pending = std::make_shared<PendingLookUp>();
  try {
    // The thread owns copies of the resolver and the name, and its share of
    // `pending`: nothing of the caller's.
    std::thread([pending, resolver, name] {
      std::vector<Ipv4Address> found;
      errno = 0;
      int code = resolver(name, &found);
      int systemError = errno;
      std::lock_guard<std::mutex> lock(pending->mutex);
      pending->code = code;
      pending->systemError = systemError;
      pending->addresses = std::move(found);
      pending->done = true;
      pending->ended.notify_all();
    }).detach();
  } catch (const std::system_error& error) {
    result.code = EAI_SYSTEM;
    result.systemError = error.code().value();
    return result;
  }
  std::unique_lock<std::mutex> lock(pending->mutex);
  if (!pending->ended.wait_until(lock, deadline, [&pending] { return pending->done; })) {
    result.timedOut = true;
    return result;
  }
  result.code = pending->code;
  result.systemError = pending->systemError;
  if (result.code == 0) {
    *addresses = std::move(pending->addresses);
  }
  return result;
}

}  // namespace tamborix
