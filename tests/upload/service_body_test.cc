// The storage service stores an upload only when its body arrived whole and
// its form ended with the closing delimiter; anything cut short is refused
// and leaves the file stored before as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/upload/support/loopback.h"
#include "tests/upload/support/loopback_service.h"
#include "tests/upload/support/raw_upload.h"
#include "tests/upload/support/upload_fixture.h"
#include "tools/storage_service/storage_service.h"

namespace tamborix::testing {
namespace {

class ServiceBody : public ::testing::Test {
 protected:
  void SetUp() override {
    StorageServiceOptions options;
    options.root = root_.path();
    options.requestTimeLimit = std::chrono::seconds(1);
    service_ = StartLoopbackService(options, 80, &address_);
    if (!service_) {
      GTEST_SKIP() << "no loopback address free on port 80 (binding it needs root)";
    }
    RawConnection connection(address_);
    ASSERT_TRUE(connection.Send(kept_.Whole()));
    ASSERT_EQ(0u, connection.Reply().rfind("HTTP/1.1 200", 0));
    ASSERT_TRUE(keptFile_ == Stored());
  }

  std::string Stored() { return ReadLocalFile(root_.path() + "/alice/memos/take.wav"); }

  // Sends `bytes` (then says that nothing more comes when `endSending`) and
  // expects the reply `status` and the kept file untouched.
  void ExpectRefused(const std::string& bytes, bool endSending, int status) {
    RawConnection connection(address_);
    ASSERT_TRUE(connection.Send(bytes));
    if (endSending) {
      connection.EndSending();
    }
    std::string reply = connection.Reply();
    EXPECT_EQ(0u, reply.rfind("HTTP/1.1 " + std::to_string(status), 0)) << reply.substr(0, 200);
    EXPECT_TRUE(keptFile_ == Stored())
        << "the kept file changed to " << Stored().size() << " bytes";
    EXPECT_TRUE(std::filesystem::is_empty(root_.path() + "/.incoming"));
    UploadRecord record = service_->Records().back();
    EXPECT_EQ(status, record.status);
    EXPECT_EQ("", record.storedPath);
  }

  TempFolder root_;
  std::string address_;
  std::unique_ptr<StorageService> service_;
  const std::string keptFile_ = Pattern(100000);
  const RawUpload kept_{"alice", "memos", keptFile_};
  const RawUpload replacement_{"alice", "memos", std::string(100000, 'r')};
};

TEST_F(ServiceBody, ConnectionClosedInsideTheFile) {
  ExpectRefused(replacement_.Whole().substr(0, replacement_.FileStart() + 30000), true, 400);
}

TEST_F(ServiceBody, FormWithoutItsClosingDelimiter) {
  const size_t cut = replacement_.closingDelimiter.size();
  ExpectRefused(replacement_.Head(-static_cast<long>(cut)) +
                    replacement_.body.substr(0, replacement_.body.size() - cut),
                false, 400);
}

TEST_F(ServiceBody, ContentLengthShortOfTheBody) {
  // The service reads as far as the length says and finds the form unfinished.
  ExpectRefused(
      replacement_.Head(-40000) + replacement_.body.substr(0, replacement_.body.size() - 40000),
      false, 400);
}

TEST_F(ServiceBody, ClientStallingInsideTheFile) {
  ExpectRefused(replacement_.Whole().substr(0, replacement_.FileStart() + 30000), false, 408);
}

}  // namespace
}  // namespace tamborix::testing
