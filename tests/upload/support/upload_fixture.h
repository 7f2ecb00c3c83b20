// A job for SendUpload with its file in the in-memory kernel.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_kernel.h"
#include "tools/test_pattern/test_pattern.h"
#include "upload/run_upload.h"
#include "upload/upload_job.h"

namespace tamborix::testing {

constexpr char kRecordingPath[] = "c:\\rec\\take.wav";

// Logs what an upload reports and passes it on to `next`, when given.
class ProgressRecord : public UploadProgress {
 public:
  explicit ProgressRecord(UploadProgress* next = nullptr) : next_(next) {}
  int begins = 0;
  std::vector<int> positions;

  void Begin() override {
    ++begins;
    if (next_ != nullptr) {
      next_->Begin();
    }
  }
  void Move(int32_t percent) override {
    positions.push_back(percent);
    if (next_ != nullptr) {
      next_->Move(percent);
    }
  }

 private:
  UploadProgress* next_;
};

class UploadFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel.SetNow(1700000000);
    job.settings.session = "0123456789abcdef";
    job.settings.user = "alice";
    job.settings.domain = "example";
    job.settings.pDrive = "p";
    job.settings.targetDir = "voice memos";
    job.settings.host = "drive.example.com";
    job.settings.path = kRecordingPath;
    SetTimeLimit(std::chrono::seconds(30));
  }

  void SetTimeLimit(std::chrono::milliseconds limit) {
    job.deadline = std::chrono::steady_clock::now() + limit;
  }

  void WriteRecording(const std::string& bytes) { kernel.WriteFile(kRecordingPath, bytes); }

  // Sends through `proxyPort` on 127.0.0.1 as the HTTP proxy.
  void UseProxy(int proxyPort) {
    job.proxyHost = "127.0.0.1";
    job.proxyPort = std::to_string(proxyPort);
  }

  MemoryClock clock;
  MemoryKernel kernel{clock};
  UploadJob job;
};

}  // namespace tamborix::testing
