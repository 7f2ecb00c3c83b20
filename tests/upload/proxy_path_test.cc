// The whole way through a real HTTP proxy: the recorder's request goes to
// tinyproxy on loopback, which forwards it by its Host line to the storage
// service on port 80.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/posix/posix_proxy_settings.h"
#include "platform/posix/posix_sockets.h"
#include "tests/upload/support/loopback.h"
#include "tests/upload/support/loopback_service.h"
#include "tests/upload/support/test_platform.h"
#include "tests/upload/support/upload_fixture.h"
#include "tools/storage_service/storage_service.h"
#include "upload/http_proxy.h"
#include "upload/run_upload.h"
#include "upload/upload_outcome.h"
#include "upload/upload_transfer.h"

namespace tamborix::testing {
namespace {

class ThroughTinyproxy : public UploadFixture {
 protected:
  void SetUp() override {
    UploadFixture::SetUp();
    if (Tinyproxy::Program().empty()) {
      GTEST_SKIP() << "tinyproxy is not installed";
    }
    // The proxy goes to the host named in the request, on the product's port.
    service_ = StartLoopbackService(root_.path(), UINT64_MAX, kServicePort, &address_);
    if (!service_) {
      GTEST_SKIP() << "no loopback address free on port 80 (binding it needs root)";
    }
    ASSERT_TRUE(proxy_.Start(proxyFolder_.path())) << "tinyproxy did not start";
    job.settings.host = address_;
  }

  std::string Stored() { return ReadLocalFile(root_.path() + "/alice/voice memos/take.wav"); }

  // The settings a user with http_proxy and no_proxy in the environment has.
  PosixProxySettings Settings(const std::string& noProxy) {
    std::string url = "http://127.0.0.1:" + std::to_string(proxy_.port()) + "/";
    return PosixProxySettings([url, noProxy](const char* name, std::string* value) {
      std::string wanted = name;
      if (wanted == "http_proxy") {
        *value = url;
        return true;
      }
      if (wanted == "no_proxy" && !noProxy.empty()) {
        *value = noProxy;
        return true;
      }
      return false;
    });
  }

  TempFolder root_;
  TempFolder proxyFolder_;
  std::string address_;
  std::unique_ptr<StorageService> service_;
  Tinyproxy proxy_;
  PosixSockets sockets_;
};

TEST_F(ThroughTinyproxy, UploadArrivesWhole) {
  const std::string recording = Pattern(300000);
  WriteRecording(recording);
  UseProxy(proxy_.port());
  ASSERT_EQ(kOutcomeOk, SendUpload(job, kernel, sockets_));
  EXPECT_EQ(recording, Stored());
  std::vector<UploadRecord> records = service_->Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(address_, records[0].hostHeader);
  EXPECT_EQ("0123456789abcdef", records[0].query["asession"]);
}

TEST_F(ThroughTinyproxy, RunUploadFindsTheProxyInTheUsersSettings) {
  PosixProxySettings settings = Settings("");
  HttpProxy proxy = FindHttpProxy(&settings, address_);
  EXPECT_EQ("127.0.0.1", proxy.host);
  EXPECT_EQ(std::to_string(proxy_.port()), proxy.port);

  WriteRecording(Pattern(20000));
  UploadSettings upload = job.settings;
  upload.host = address_;
  JoinedThreads threads;
  Platform platform;
  platform.kernel = &kernel;
  platform.sockets = &sockets_;
  platform.threads = &threads;
  platform.proxySettings = &settings;
  ProgressRecord progress;
  EXPECT_TRUE(RunUpload(upload, platform, progress));
  threads.JoinAll();
  EXPECT_EQ(Pattern(20000), Stored());
}

TEST_F(ThroughTinyproxy, BypassedHostGoesDirect) {
  PosixProxySettings settings = Settings(address_);
  EXPECT_EQ("", FindHttpProxy(&settings, address_).host);
}

}  // namespace
}  // namespace tamborix::testing
