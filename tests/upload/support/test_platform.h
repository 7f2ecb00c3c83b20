// Test doubles around the real platform pieces: threads that are joined,
// an event that logs progress, a kernel whose files misbehave on request,
// and sockets with faults.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/posix/posix_sockets.h"
#include "platform/posix/posix_threads.h"
#include "platform/socket.h"
#include "platform/threads.h"
#include "upload/upload_job.h"

namespace tamborix::testing {

// PosixThreads whose workers are joined (by JoinAll or the destructor), so
// that a test ends only after every worker has.
class JoinedThreads : public Threads {
 public:
  ~JoinedThreads() override { JoinAll(); }
  std::unique_ptr<AutoResetEvent> CreateAutoResetEvent(bool initiallySignalled) override;
  bool StartThread(std::function<void()> body) override;
  void JoinAll();
  int Started() const { return started_; }

  enum class Events {
    kReal,             // PosixThreads events
    kCannotCreate,     // CreateAutoResetEvent gives null
    kAlwaysSignalled,  // every wait ends at once as signalled
    kWaitsFail,        // every wait fails
    kCoarseTimer,      // real events, but a wait lasts up to ten times its limit
  };
  Events events = Events::kReal;
  bool failStarts = false;

 private:
  PosixThreads real_;
  std::mutex mutex_;
  std::vector<std::thread> threads_;
  std::atomic<int> started_{0};
};

// An event that logs the job's progress at every signal, and nothing else.
class ProgressLog : public AutoResetEvent {
 public:
  explicit ProgressLog(const UploadJob* job) : job_(job) {}
  bool Set() override;
  uint32_t Wait(uint32_t timeoutMs) override { return kWaitFailed; }
  std::vector<int32_t> Values() const;

 private:
  const UploadJob* job_;
  mutable std::mutex mutex_;
  std::vector<int32_t> values_;
};

// A kernel that passes everything on to `real`, except that the n-th
// opening of a file (counting from 1) can fail, and files opened from the
// n-th opening on can report fewer bytes than they have or fail reading.
class FaultyKernel : public Kernel {
 public:
  explicit FaultyKernel(Kernel& real) : real_(real) {}

  int failOpening = 0;         // this opening returns null
  int faultFromOpening = 0;    // from this opening on, reads go wrong:
  uint64_t readableBytes = 0;  //   only this many bytes can be read, then 0
  bool readFails = false;      //   ... and Failed() says true
  int Openings() const { return openings_; }

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override;
  bool GetEnvironment(const std::string& name, std::string* value) override {
    return real_.GetEnvironment(name, value);
  }
  bool MakeDirectory(const std::string& path) override { return real_.MakeDirectory(path); }
  bool RemoveFile(const std::string& path) override { return real_.RemoveFile(path); }
  bool MoveIntoPlace(const std::string& from, const std::string& to) override {
    return real_.MoveIntoPlace(from, to);
  }
  bool MoveWithoutReplacing(const std::string& from, const std::string& to) override {
    return real_.MoveWithoutReplacing(from, to);
  }
  uint16_t DefaultLanguageId() override { return real_.DefaultLanguageId(); }
  std::string WideToNarrow(const std::u16string& text) override { return real_.WideToNarrow(text); }
  bool WideToNarrowExact(const std::u16string& text, std::string* narrow) override {
    return real_.WideToNarrowExact(text, narrow);
  }
  std::u16string NarrowToWide(const std::string& text) override { return real_.NarrowToWide(text); }
  std::string Utf8ToNarrow(const std::string& text) override { return real_.Utf8ToNarrow(text); }
  bool IsLeadByte(unsigned char byte) override { return real_.IsLeadByte(byte); }
  void ShowMessageBox(const std::string& text) override { real_.ShowMessageBox(text); }
  int64_t Now() override { return real_.Now(); }

 private:
  Kernel& real_;
  std::atomic<int> openings_{0};
};

// PosixSockets with faults and a made-up local host.
class ScriptedSockets : public SocketApi {
 public:
  bool failStartup = false;
  bool failCreate = false;
  bool failHostName = false;
  bool failLookUp = false;
  std::vector<Ipv4Address> localAddresses = {{192, 0, 2, 7}};

  int Startups() const { return startups_; }
  int Cleanups() const { return cleanups_; }
  int Connects() const { return connects_; }

  bool Startup() override;
  void Cleanup() override { ++cleanups_; }
  Handle Create() override;
  bool Connect(Handle socket, const std::string& host, int port, uint32_t timeLimitMs) override {
    ++connects_;
    return real_.Connect(socket, host, port, timeLimitMs);
  }
  bool SendAll(Handle socket, const void* data, size_t size, uint32_t timeLimitMs) override {
    return real_.SendAll(socket, data, size, timeLimitMs);
  }
  int64_t Receive(Handle socket, void* buffer, size_t capacity, uint32_t timeLimitMs) override {
    return real_.Receive(socket, buffer, capacity, timeLimitMs);
  }
  void Close(Handle socket) override { real_.Close(socket); }
  bool LocalHostName(std::string* name) override;
  bool LookUpAddresses(const std::string& name, std::vector<Ipv4Address>* addresses,
                       uint32_t timeLimitMs) override;

 private:
  PosixSockets real_;
  std::atomic<int> startups_{0};
  std::atomic<int> cleanups_{0};
  std::atomic<int> connects_{0};
};

}  // namespace tamborix::testing
