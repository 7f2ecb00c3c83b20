#include "platform/posix/posix_threads.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace tamborix {
namespace {

thread_local PosixError lastError;

class PosixEvent : public AutoResetEvent {
 public:
  explicit PosixEvent(bool signalled) : signalled_(signalled) {}

  bool Set() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_one();
    return true;
  }

  uint32_t Wait(uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return signalled_; })) {
      return kWaitTimedOut;
    }
    signalled_ = false;
    return kWaitSignalled;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_;
};

}  // namespace

PosixError PosixThreads::LastError() const {
  return lastError;
}

std::unique_ptr<AutoResetEvent> PosixThreads::CreateAutoResetEvent(bool initiallySignalled) {
  return std::make_unique<PosixEvent>(initiallySignalled);
}

bool PosixThreads::StartThread(std::function<void()> body) {
  try {
    std::thread(std::move(body)).detach();
    return true;
  } catch (const std::system_error& error) {
    lastError = PosixError::FromCode(error.code().value(), "pthread_create");
    return false;
  }
}

}  // namespace tamborix
