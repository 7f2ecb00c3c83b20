// SendUpload against the reference storage service on loopback port 80:
// the service's own HTTP library parses what the client sends.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/posix/posix_kernel.h"
#include "platform/posix/posix_sockets.h"
#include "tests/upload/support/loopback.h"
#include "tests/upload/support/loopback_service.h"
#include "tests/upload/support/test_platform.h"
#include "tests/upload/support/upload_fixture.h"
#include "tools/storage_service/storage_service.h"
#include "upload/upload_outcome.h"
#include "upload/upload_transfer.h"

namespace tamborix::testing {
namespace {

class ServiceTransfer : public UploadFixture {
 protected:
  void SetUp() override {
    UploadFixture::SetUp();
    service_ = StartLoopbackService(root_.path(), quotaBytes_, 0, &address_);
    ASSERT_NE(nullptr, service_) << "no loopback address free";
    job.settings.servicePort = service_->port();
    job.settings.host = address_;
  }

  std::string Send() { return SendUpload(job, kernel, sockets_); }

  std::string StoredFile(const std::string& relative) {
    return ReadLocalFile(root_.path() + "/" + relative);
  }

  UploadRecord LastRecord() {
    std::vector<UploadRecord> records = service_->Records();
    EXPECT_FALSE(records.empty());
    return records.empty() ? UploadRecord() : records.back();
  }

  uint64_t quotaBytes_ = UINT64_MAX;
  TempFolder root_;
  std::string address_;
  std::unique_ptr<StorageService> service_;
  PosixSockets sockets_;
};

TEST_F(ServiceTransfer, StoresTheFileUnderUserAndTargetFolder) {
  const std::string recording = Pattern(96044);
  WriteRecording(recording);
  ASSERT_EQ(kOutcomeOk, Send());
  EXPECT_EQ(recording, StoredFile("alice/voice memos/take.wav"));
  UploadRecord record = LastRecord();
  EXPECT_EQ(200, record.status) << record.reason;
  EXPECT_EQ(address_, record.hostHeader);
  EXPECT_EQ(kRecordingPath, record.fileParameter);
  EXPECT_EQ("take.wav", record.fields["filename"]);
  EXPECT_EQ("   2.6", record.fields["prog_ver"]);
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

TEST_F(ServiceTransfer, QueryValuesArriveExactlyAsThePageGaveThem) {
  job.settings.session = "s 1&x=2+y%z#w";
  job.settings.user = "ann b+c";
  job.settings.domain = "d&e=f";
  job.settings.pDrive = "p\t1";
  job.settings.targetDir = "a b&c=d+e%f#g/sub";
  WriteRecording("RIFF");
  ASSERT_EQ(kOutcomeOk, Send());
  UploadRecord record = LastRecord();
  EXPECT_EQ(job.settings.session, record.query["asession"]);
  EXPECT_EQ(job.settings.user, record.query["auser"]);
  EXPECT_EQ(job.settings.domain, record.query["adomain"]);
  EXPECT_EQ(job.settings.pDrive, record.query["pdrive"]);
  EXPECT_EQ(job.settings.targetDir, record.query["target_dir"]);
  EXPECT_EQ("user_uploadx_action", record.query["taction"]);
  EXPECT_EQ(6u, record.query.size());
  EXPECT_EQ("RIFF", StoredFile("ann b+c/a b&c=d+e%f#g/sub/take.wav"));
}

TEST_F(ServiceTransfer, EmptyFileIsStoredEmptyAndReportsFullProgress) {
  WriteRecording("");
  job.progressEvent = std::make_unique<ProgressLog>(&job);
  ASSERT_EQ(kOutcomeOk, Send());
  EXPECT_EQ("", StoredFile("alice/voice memos/take.wav"));
  EXPECT_EQ(0u, LastRecord().fileBytes);
  auto* log = static_cast<ProgressLog*>(job.progressEvent.get());
  EXPECT_EQ((std::vector<int32_t>{100, 100}), log->Values());
}

TEST_F(ServiceTransfer, ProgressAfterEveryChunkThenTwiceAtTheEnd) {
  WriteRecording(Pattern(100));
  job.progressEvent = std::make_unique<ProgressLog>(&job);
  ASSERT_EQ(kOutcomeOk, Send());
  auto* log = static_cast<ProgressLog*>(job.progressEvent.get());
  EXPECT_EQ((std::vector<int32_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100, 100}),
            log->Values());
}

TEST_F(ServiceTransfer, FileJustBelowTheLargeChunkGoesInElevenChunks) {
  const std::string recording = Pattern(119999);
  WriteRecording(recording);
  job.progressEvent = std::make_unique<ProgressLog>(&job);
  ASSERT_EQ(kOutcomeOk, Send());
  auto* log = static_cast<ProgressLog*>(job.progressEvent.get());
  std::vector<int32_t> values = log->Values();
  ASSERT_EQ(13u, values.size());  // 10 chunks of 11,999, one of 9, then 100 twice
  EXPECT_EQ(9, values[0]);
  EXPECT_EQ(99, values[9]);
  EXPECT_EQ(100, values[10]);
  EXPECT_EQ(recording, StoredFile("alice/voice memos/take.wav"));
}

TEST_F(ServiceTransfer, RealFileThroughThePosixKernel) {
  TempFolder drive;
  const std::string recording = Pattern(3 * 1000 * 1000 + 7);
  {
    std::ofstream out(drive.path() + "/take.wav", std::ios::binary);
    out << recording;
  }
  PosixKernel posixKernel(drive.path());
  job.settings.path = "c:\\take.wav";
  ASSERT_EQ(kOutcomeOk, SendUpload(job, posixKernel, sockets_));
  EXPECT_EQ(recording, StoredFile("alice/voice memos/take.wav"));
}

TEST_F(ServiceTransfer, ServiceRefusalIsAFailureWithItsStatusLine) {
  job.settings.user = "..";  // the service keeps every user inside its root
  WriteRecording("RIFF");
  EXPECT_EQ(kOutcomeHttpStatusError, Send());
  EXPECT_EQ(std::vector<std::string>{"Server Reply Error:[HTTP/1.1 400 Bad Request]"},
            kernel.MessageBoxes());
}

TEST_F(ServiceTransfer, InjectedLineIsRefusedBeforeAnyConnection) {
  ScriptedSockets counting;
  job.settings.user = "alice\r\nX-Injected: 1";
  WriteRecording("RIFF");
  EXPECT_EQ(kOutcomeRequestValueError, SendUpload(job, kernel, counting));
  EXPECT_EQ(0, counting.Connects());
  EXPECT_TRUE(service_->Records().empty());
  EXPECT_EQ(std::vector<std::string>{"Invalid Character In Upload Value:[user]"},
            kernel.MessageBoxes());
}

TEST_F(ServiceTransfer, HostWithAPortIsLookedUpWholeAndFails) {
  job.settings.host = address_ + ":80";
  WriteRecording("RIFF");
  EXPECT_EQ(kOutcomeSocketError, Send());
  EXPECT_EQ(std::vector<std::string>{"Socket Connect Error For Host:[" + address_ + ":80]"},
            kernel.MessageBoxes());
  EXPECT_TRUE(service_->Records().empty());
}

class QuotaTransfer : public ServiceTransfer {
 protected:
  QuotaTransfer() { quotaBytes_ = 150000; }
};

TEST_F(QuotaTransfer, UploadPastTheQuotaGetsTheTokenWithoutAMessage) {
  WriteRecording(Pattern(96044));
  ASSERT_EQ(kOutcomeOk, Send());
  // Replacing the same file does not count the old copy.
  ASSERT_EQ(kOutcomeOk, Send());

  // The same recording again, under another name.
  job.settings.path = "c:\\rec\\second.wav";
  kernel.WriteFile(job.settings.path, Pattern(96044));
  EXPECT_EQ(kOutcomeQuotaFull, Send());
  EXPECT_TRUE(kernel.MessageBoxes().empty());
  EXPECT_EQ("", StoredFile("alice/voice memos/second.wav"));
}

}  // namespace
}  // namespace tamborix::testing
