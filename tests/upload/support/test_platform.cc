#include "tests/upload/support/test_platform.h"

#include <algorithm>
#include <cstring>

namespace tamborix::testing {

namespace {

class FixedEvent : public AutoResetEvent {
 public:
  explicit FixedEvent(uint32_t result) : result_(result) {}
  bool Set() override { return true; }
  uint32_t Wait(uint32_t) override { return result_; }

 private:
  uint32_t result_;
};

// Waits far longer than asked, as a coarse system timer may.
class CoarseTimerEvent : public AutoResetEvent {
 public:
  explicit CoarseTimerEvent(std::unique_ptr<AutoResetEvent> real) : real_(std::move(real)) {}
  bool Set() override { return real_->Set(); }
  uint32_t Wait(uint32_t timeoutMs) override { return real_->Wait(timeoutMs * 10); }

 private:
  std::unique_ptr<AutoResetEvent> real_;
};

}  // namespace

std::unique_ptr<AutoResetEvent> JoinedThreads::CreateAutoResetEvent(bool initiallySignalled) {
  switch (events) {
    case Events::kReal:
      break;
    case Events::kCannotCreate:
      return nullptr;
    case Events::kAlwaysSignalled:
      return std::make_unique<FixedEvent>(kWaitSignalled);
    case Events::kWaitsFail:
      return std::make_unique<FixedEvent>(kWaitFailed);
    case Events::kCoarseTimer:
      return std::make_unique<CoarseTimerEvent>(real_.CreateAutoResetEvent(initiallySignalled));
  }
  return real_.CreateAutoResetEvent(initiallySignalled);
}

bool JoinedThreads::StartThread(std::function<void()> body) {
  if (failStarts) {
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  threads_.emplace_back(std::move(body));
  ++started_;
  return true;
}

void JoinedThreads::JoinAll() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    threads.swap(threads_);
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
}

bool ProgressLog::Set() {
  std::lock_guard<std::mutex> lock(mutex_);
  values_.push_back(job_->progressPercent.load());
  return true;
}

std::vector<int32_t> ProgressLog::Values() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_;
}

namespace {

class FaultyFile : public ReadableFile {
 public:
  FaultyFile(std::unique_ptr<ReadableFile> real, uint64_t readable, bool fails)
      : real_(std::move(real)), left_(readable), fails_(fails) {}
  bool Size(uint64_t* size) override { return real_->Size(size); }
  size_t Read(void* buffer, size_t count) override {
    size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, left_));
    if (wanted == 0) {
      failed_ = fails_;
      return 0;
    }
    size_t read = real_->Read(buffer, wanted);
    left_ -= read;
    return read;
  }
  bool Failed() const override { return failed_ || real_->Failed(); }

 private:
  std::unique_ptr<ReadableFile> real_;
  uint64_t left_;
  bool fails_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<ReadableFile> FaultyKernel::OpenForReading(const std::string& path) {
  int opening = ++openings_;
  if (opening == failOpening) {
    return nullptr;
  }
  std::unique_ptr<ReadableFile> file = real_.OpenForReading(path);
  if (file && faultFromOpening != 0 && opening >= faultFromOpening) {
    return std::make_unique<FaultyFile>(std::move(file), readableBytes, readFails);
  }
  return file;
}

bool ScriptedSockets::Startup() {
  if (failStartup) {
    return false;
  }
  ++startups_;
  return true;
}

SocketApi::Handle ScriptedSockets::Create() {
  if (failCreate) {
    return kNoSocket;
  }
  return real_.Create();
}

bool ScriptedSockets::LocalHostName(std::string* name) {
  if (failHostName) {
    return false;
  }
  *name = "recorder-host";
  return true;
}

bool ScriptedSockets::LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses,
                                      uint32_t) {
  if (failLookUp || name != "recorder-host") {
    return false;
  }
  *addresses = localAddresses;
  return true;
}

}  // namespace tamborix::testing
