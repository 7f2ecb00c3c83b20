// Threads over Win32: CreateEvent, WaitForSingleObject and CreateThread.
#pragma once

#include "platform/threads.h"
#include "platform/win32/win32_error.h"

namespace tamborix {

class Win32Threads : public Threads {
 public:
  // The calling thread's latest failure.
  Win32Error LastError() const;

  std::unique_ptr<AutoResetEvent> CreateAutoResetEvent(bool initiallySignalled) override;
  bool StartThread(std::function<void()> body) override;
};

}  // namespace tamborix
