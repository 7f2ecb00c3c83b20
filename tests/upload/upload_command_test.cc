// The whole control on its way to the service: a recording made on the
// in-memory device, the UPLOAD button, the upload over real loopback sockets
// to the reference storage service, and the event the page hears.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "control/recorder_control.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/memory/memory_platform.h"
#include "platform/posix/posix_sockets.h"
#include "platform/window_messages.h"
#include "state/event_sinks.h"
#include "tests/upload/support/loopback.h"
#include "tests/upload/support/loopback_service.h"
#include "tests/upload/support/test_platform.h"
#include "tools/storage_service/storage_service.h"

namespace tamborix::testing {
namespace {

class EventLog : public EventSink {
 public:
  int32_t Invoke(int32_t dispid) override {
    ids.push_back(dispid);
    return 0;
  }
  std::vector<int32_t> ids;
};

class UploadCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    service_ = StartLoopbackService(root_.path(), 200000, 80, &address_);
    if (!service_) {
      GTEST_SKIP() << "no loopback address free on port 80 (binding it needs root)";
    }
    memory_.kernel.SetEnvironment("USERPROFILE", "c:\\Users\\ann");
    memory_.kernel.AddDirectory("c:\\Users\\ann");
    Platform platform = memory_.platform();
    platform.sockets = &sockets_;
    platform.threads = &threads_;
    control_ = std::make_unique<RecorderControl>(platform);
    control_->events().Advise(events_);
    control_->SetUser(u"ann");
    control_->SetDomain(u"example.org");
    control_->SetSession(u"s 7f&3a");
    control_->SetTargetDir(u"voice memos");
    control_->SetHost(std::u16string(address_.begin(), address_.end()));
    window_.Open(control_->OpenPanel(window_));
    events_->ids.clear();
  }

  void TearDown() override {
    if (control_) {
      window_.Destroy();
    }
    threads_.JoinAll();
  }

  // Records `seconds` of sound and stops.
  void Record(int seconds) {
    ASSERT_TRUE(window_.Click(kRecButton));
    memory_.clock.Advance(seconds * 1000);
    ASSERT_TRUE(window_.Click(kStopButton));
  }

  std::string Stored(const std::string& relative) {
    return ReadLocalFile(root_.path() + "/" + relative);
  }

  MemoryPlatform memory_;
  MemoryPanelWindow window_{memory_.clock};
  PosixSockets sockets_;
  JoinedThreads threads_;
  std::shared_ptr<EventLog> events_ = std::make_shared<EventLog>();
  std::unique_ptr<RecorderControl> control_;
  TempFolder root_;
  std::string address_;
  std::unique_ptr<StorageService> service_;
};

TEST_F(UploadCommand, AnAcceptedUploadStoresTheRecordingAndFiresOnOKDone) {
  Record(3);
  std::string recording;
  ASSERT_TRUE(memory_.kernel.ReadFile(control_->state().fullPath, &recording));
  ASSERT_TRUE(window_.Click(kUploadButton));

  EXPECT_EQ(events_->ids, std::vector<int32_t>{kOnOKDone});
  EXPECT_EQ(recording, Stored("ann/voice memos/lumo_default.wav"));
  ASSERT_EQ(service_->Records().size(), 1u);
  EXPECT_EQ(service_->Records().back().query["asession"], "s 7f&3a");
  const ItemState& progress = window_.Item(kProgressBar);
  EXPECT_TRUE(progress.visible);
  EXPECT_EQ(progress.position, 100);
  // UPLOAD changes no button and no recorder state.
  EXPECT_TRUE(window_.Item(kPlayButton).enabled);
  EXPECT_TRUE(window_.Item(kUploadButton).enabled);
  EXPECT_TRUE(memory_.kernel.MessageBoxes().empty());
}

TEST_F(UploadCommand, AFullQuotaFiresOnAbortWithoutAMessage) {
  Record(13);  // 208,044 bytes: more than the 200,000-byte quota
  ASSERT_TRUE(window_.Click(kUploadButton));
  EXPECT_EQ(events_->ids, std::vector<int32_t>{kOnAbort});
  EXPECT_TRUE(memory_.kernel.MessageBoxes().empty());
  EXPECT_EQ(Stored("ann/voice memos/lumo_default.wav"), "");
}

TEST_F(UploadCommand, AMissingRecordingFiresOnAbort) {
  // Fresh panel: UPLOAD is disabled, but a command sent all the same runs the
  // upload of whatever fullPath names, here nothing.
  EXPECT_FALSE(window_.Click(kUploadButton));
  window_.SendCommand(kUploadButton, kBnClicked);
  EXPECT_EQ(events_->ids, std::vector<int32_t>{kOnAbort});
  EXPECT_TRUE(service_->Records().empty());
}

TEST_F(UploadCommand, AnUnreachableHostShowsTheConnectErrorAndFiresOnAbort) {
  service_->Stop();
  Record(1);
  ASSERT_TRUE(window_.Click(kUploadButton));
  EXPECT_EQ(events_->ids, std::vector<int32_t>{kOnAbort});
  EXPECT_EQ(memory_.kernel.MessageBoxes(),
            std::vector<std::string>{"Socket Connect Error For Host:[" + address_ + "]"});
}

}  // namespace
}  // namespace tamborix::testing
