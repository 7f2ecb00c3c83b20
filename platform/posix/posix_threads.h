// Threads over the C++ standard library: events from a mutex and a
// condition variable, workers as detached threads.
#pragma once

#include "platform/posix/posix_error.h"
#include "platform/threads.h"

namespace tamborix {

class PosixThreads : public Threads {
 public:
  // The calling thread's latest failure.
  PosixError LastError() const;

  std::unique_ptr<AutoResetEvent> CreateAutoResetEvent(bool initiallySignalled) override;
  bool StartThread(std::function<void()> body) override;
};

}  // namespace tamborix
