// Auto-reset events with timed waits, and worker threads.
//
// Threading: any thread; an event may be set and waited on from different
// threads at once.
//
// Failures keep the system's error code through the platform's error record
// (PosixError, Win32Error); each implementation's LastError() gives the
// calling thread's latest one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace tamborix {

// Results of AutoResetEvent::Wait (the WaitForSingleObject values).
constexpr uint32_t kWaitSignalled = 0;
constexpr uint32_t kWaitTimedOut = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;

class AutoResetEvent {
 public:
  virtual ~AutoResetEvent() = default;
  // Signals the event. It stays signalled until one wait consumes it;
  // several signals before that wait count once.
  virtual bool Set() = 0;
  // Waits at most `timeoutMs` for the event: kWaitSignalled (and the event
  // is reset), kWaitTimedOut, or kWaitFailed.
  virtual uint32_t Wait(uint32_t timeoutMs) = 0;
};

class Threads {
 public:
  virtual ~Threads() = default;
  // A new auto-reset event, unnamed; null when it cannot be created.
  virtual std::unique_ptr<AutoResetEvent> CreateAutoResetEvent(bool initiallySignalled) = 0;
  // Runs `body` on a new thread at normal priority with the default stack
  // size, starting at once; nobody joins it, it runs to its end. False when
  // the thread cannot be started (then `body` never runs).
  virtual bool StartThread(std::function<void()> body) = 0;
};

}  // namespace tamborix
