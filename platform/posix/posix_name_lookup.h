// Name look-ups that keep a time limit. getaddrinfo cannot be stopped, so a
// look-up with a limit runs on a thread of its own; when the limit runs out
// the caller goes on and the look-up is left to end by itself, its answer
// dropped. That thread shares nothing with the caller but one record that
// both hold, so it may outlive the caller's objects.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace tamborix {

// A blocking look-up of the IPv4 addresses of `name`, in the resolver's
// order: 0, or a getaddrinfo error code (EAI_SYSTEM with errno set). It may
// run on any thread and must own what it uses.
using NameResolver = std::function<int(const std::string& name, std::vector<Ipv4Address>*)>;

// getaddrinfo for IPv4 stream addresses.
int SystemResolve(const std::string& name, std::vector<Ipv4Address>* addresses);

struct LookUpResult {
  bool timedOut = false;
  int code = 0;         // the resolver's answer when not timed out
  int systemError = 0;  // errno with EAI_SYSTEM
};

// Looks `name` up with `resolver`, waiting until `deadline` at most;
// time_point::max() waits as long as it takes, on the calling thread.
// `addresses` is filled only when the look-up succeeded in time.
LookUpResult LookUpWithin(const NameResolver& resolver, const std::string& name,
                          std::chrono::steady_clock::time_point deadline,
                          std::vector<Ipv4Address>* addresses);

}  // namespace tamborix
