// What bounds the storage service keeps against slow or hostile clients: a
// time limit for each request, enough workers that a handful of slow clients
// hold nobody up, a bounded record of requests and names kept for itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_sockets.h"
#include "tests/upload/support/loopback.h"
#include "tests/upload/support/loopback_service.h"
#include "tests/upload/support/raw_upload.h"
#include "tests/upload/support/upload_fixture.h"
#include "tools/storage_service/storage_service.h"
#include "upload/upload_outcome.h"
#include "upload/upload_transfer.h"

namespace tamborix::testing {
namespace {

using std::chrono::milliseconds;

class ServiceLimits : public UploadFixture {
 protected:
  void Start(StorageServiceOptions options) {
    options.root = root_.path();
    service_ = StartLoopbackService(options, 80, &address_);
    if (!service_) {
      GTEST_SKIP() << "no loopback address free on port 80 (binding it needs root)";
    }
  }

  // The reply's status line to `upload`, sent whole.
  std::string Exchange(const RawUpload& upload) {
    RawConnection connection(address_);
    connection.Send(upload.Whole());
    std::string reply = connection.Reply();
    return reply.substr(0, reply.find('\r'));
  }

  bool IncomingIsEmpty() { return std::filesystem::is_empty(root_.path() + "/.incoming"); }

  TempFolder root_;
  std::string address_;
  std::unique_ptr<StorageService> service_;
};

TEST_F(ServiceLimits, SlowClientsHoldNoUploadUp) {
  StorageServiceOptions options;
  options.requestTimeLimit = std::chrono::minutes(1);  // the slow clients stay throughout
  Start(options);
  if (!service_) {
    return;
  }
  std::vector<std::unique_ptr<RawConnection>> slow;
  for (int i = 0; i < 12; ++i) {
    slow.push_back(std::make_unique<RawConnection>(address_));
    ASSERT_TRUE(slow.back()->connected());
  }
  std::atomic<bool> uploaded{false};
  std::thread trickling([&] {
    const std::string bytes = RawUpload("bob", "memos", "x").Whole();
    for (size_t i = 0; i < bytes.size() && !uploaded; ++i) {
      for (auto& connection : slow) {
        connection->Send(bytes.substr(i, 1));
      }
      std::this_thread::sleep_for(milliseconds(200));
    }
  });
  job.settings.host = address_;
  SetTimeLimit(std::chrono::seconds(10));
  WriteRecording(Pattern(5000));
  PosixSockets sockets;
  EXPECT_EQ(kOutcomeOk, SendUpload(job, kernel, sockets));
  uploaded = true;
  trickling.join();
  slow.clear();
  EXPECT_EQ(Pattern(5000), ReadLocalFile(root_.path() + "/alice/voice memos/take.wav"));
}

TEST_F(ServiceLimits, SlowClientIsCutOffAtTheTimeLimit) {
  StorageServiceOptions options;
  options.requestTimeLimit = std::chrono::seconds(1);
  Start(options);
  if (!service_) {
    return;
  }
  const RawUpload upload("bob", "memos", Pattern(100));
  {
    RawConnection inHead(address_);
    EXPECT_LT(inHead.Trickle(upload.Head(), milliseconds(20)), upload.Head().size());
    EXPECT_EQ("", inHead.Reply());
  }
  RawConnection inBody(address_);
  ASSERT_TRUE(inBody.Send(upload.Head()));
  EXPECT_LT(inBody.Trickle(upload.body, milliseconds(20)), upload.body.size());
  EXPECT_EQ(0u, inBody.Reply().rfind("HTTP/1.1 408", 0));
  ASSERT_EQ(1u, service_->Records().size());
  EXPECT_EQ(408, service_->Records().back().status) << service_->Records().back().reason;
  EXPECT_TRUE(IncomingIsEmpty());
}

TEST_F(ServiceLimits, RecordsKeepTheLatestRequestsWithTheirTextsCut) {
  StorageServiceOptions options;
  options.recordLimit = 3;
  Start(options);
  if (!service_) {
    return;
  }
  for (char mark = '1'; mark <= '5'; ++mark) {
    // Refused: the user leaves the root.
    ASSERT_EQ("HTTP/1.1 400 Bad Request",
              Exchange(RawUpload("..", mark + std::string(4000, 't'), "x")));
  }
  std::vector<UploadRecord> records = service_->Records();
  ASSERT_EQ(3u, records.size());
  EXPECT_EQ('3', records.front().fields["target_dir"][0]);
  EXPECT_EQ('5', records.back().query["target_dir"][0]);
  EXPECT_EQ(kRecordedTextLimit, records.back().fields["target_dir"].size());
  EXPECT_EQ(kRecordedTextLimit, records.back().query["target_dir"].size());
}

TEST_F(ServiceLimits, NamesStartingWithADotAreRefused) {
  Start(StorageServiceOptions());
  if (!service_) {
    return;
  }
  EXPECT_EQ("HTTP/1.1 400 Bad Request", Exchange(RawUpload(".incoming", "memos", "x")));
  EXPECT_EQ("HTTP/1.1 400 Bad Request", Exchange(RawUpload(".x", "memos", "x")));
  EXPECT_EQ("HTTP/1.1 400 Bad Request", Exchange(RawUpload("alice", "memos/.x", "x")));
  EXPECT_TRUE(IncomingIsEmpty());
  EXPECT_FALSE(std::filesystem::exists(root_.path() + "/.x"));
  EXPECT_FALSE(std::filesystem::exists(root_.path() + "/alice"));
}

}  // namespace
}  // namespace tamborix::testing
