// Threads over Win32: CreateEvent, WaitForSingleObject and CreateThread.
#pragma once

#include <atomic>

#include "platform/threads.h"
#include "platform/win32/win32_error.h"

namespace tamborix {

class Win32Threads : public Threads {
 public:
  // The calling thread's latest failure.
  Win32Error LastError() const;

  std::unique_ptr<AutoResetEvent> CreateAutoResetEvent(bool initiallySignalled) override;
  bool StartThread(std::function<void()> body) override;

  // How many threads started here have not yet ended. The module stays
  // loaded while any runs, since their code lives in it: each thread holds a
  // reference on it, which it drops only as it exits, after this count.
  long RunningCount() const { return running_.load(); }

 private:
  friend struct ThreadStart;
  std::atomic<long> running_{0};
};

}  // namespace tamborix
