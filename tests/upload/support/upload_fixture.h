// A job for SendUpload with its file in the in-memory kernel.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_kernel.h"
#include "upload/upload_job_record.h"

namespace tamborix::testing {

constexpr char kRecordingPath[] = "c:\\rec\\take.wav";

// Bytes that differ from one position to the next, so that a lost or moved
// block shows.
inline std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 2463534242u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state);
  }
  return bytes;
}

class UploadFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel.SetNow(1700000000);
    job.session = "0123456789abcdef";
    job.user = "alice";
    job.domain = "example";
    job.pDrive = "p";
    job.targetDir = "voice memos";
    job.host = "drive.example.com";
    job.readPath = kRecordingPath;
    job.sentPath = kRecordingPath;
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
