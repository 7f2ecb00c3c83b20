// RunUpload and the worker: the panel's wait, the progress bar, time-outs,
// and the job's life on both threads. Real threads and loopback sockets.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "panel/progress_bar.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/proxy_settings.h"
#include "platform/window_messages.h"
#include "tests/upload/support/fault_server.h"
#include "tests/upload/support/test_platform.h"
#include "tests/upload/support/upload_fixture.h"
#include "upload/run_upload.h"
#include "upload/upload_outcome.h"
#include "upload/upload_worker.h"

namespace tamborix::testing {
namespace {

using Boxes = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const std::string kOkReply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK";

class NoHandler : public PanelMessageHandler {
 public:
  bool OnMessage(uint32_t, uintptr_t, intptr_t, intptr_t*) override { return false; }
};

class ProxyAt : public ProxySettings {
 public:
  int port = 0;
  bool Read(ProxyConfiguration* config) override {
    config->accessType = kProxyAccessNamedProxy;
    config->proxyList = "http=127.0.0.1:" + std::to_string(port);
    return true;
  }
};

class UploadJobTest : public UploadFixture {
 protected:
  void SetUp() override {
    UploadFixture::SetUp();
    window_.Open(&handler_);
    WriteRecording(Pattern(50000));
    platform_.kernel = &kernel;
    platform_.sockets = &sockets_;
    platform_.threads = &threads_;
    platform_.proxySettings = &proxy_;
  }

  void StartPeer(FaultScript script) {
    server_ = std::make_unique<FaultServer>(std::move(script));
    ASSERT_TRUE(server_->Start("127.0.0.1", 0));
    proxy_.port = server_->port();
  }

  bool Run(UploadOptions options = UploadOptions()) {
    return RunUpload(job.settings, platform_, progress_, options);
  }

  static FaultScript Reply(std::vector<std::string> writes) {
    FaultScript script;
    script.replyWrites = std::move(writes);
    return script;
  }

  Platform platform_;
  ScriptedSockets sockets_;
  ProxyAt proxy_;
  std::unique_ptr<FaultServer> server_;
  NoHandler handler_;
  MemoryPanelWindow window_{clock};
  ProgressBar bar_{window_};
  ProgressRecord progress_{&bar_};
  JoinedThreads threads_;  // last: joins every worker before the rest goes
};

TEST_F(UploadJobTest, SuccessfulUploadShowsTheBarAndEndsAt100) {
  StartPeer(Reply({kOkReply}));
  EXPECT_TRUE(Run());
  const ItemState& bar = window_.Item(kProgressBar);
  EXPECT_TRUE(bar.visible);
  EXPECT_EQ(0, bar.rangeMin);
  EXPECT_EQ(100, bar.rangeMax);
  EXPECT_EQ(100, bar.position);
  ASSERT_FALSE(progress_.positions.empty());
  EXPECT_EQ(10, progress_.positions.front());
  for (size_t i = 1; i < progress_.positions.size(); ++i) {
    EXPECT_LE(progress_.positions[i - 1], progress_.positions[i]);
  }
  EXPECT_TRUE(kernel.MessageBoxes().empty());
  EXPECT_EQ(1, threads_.Started());
}

TEST_F(UploadJobTest, ReturnsAsSoonAsTheWorkerFinishesNotAtTheEndOfASlice) {
  StartPeer(Reply({kOkReply}));
  UploadOptions options;
  options.sliceMs = 60000;  // a whole slice would be far longer than this test may take
  Clock::time_point start = Clock::now();
  EXPECT_TRUE(Run(options));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
}

TEST_F(UploadJobTest, FailedOutcomesReturnFalse) {
  StartPeer(Reply({"HTTP/1.1 403 Forbidden\r\n\r\n"}));
  EXPECT_FALSE(Run());
  EXPECT_EQ(Boxes{"Server Reply Error:[HTTP/1.1 403 Forbidden]"}, kernel.MessageBoxes());
}

TEST_F(UploadJobTest, QuotaFullReturnsFalseWithoutAnyMessage) {
  StartPeer(Reply({"HTTP/1.1 200 OK\r\n\r\nlumo_quota_full"}));
  EXPECT_FALSE(Run());
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

// A peer that takes the request but never answers, or one that does not even
// read it: the user is told of the time-out, and of nothing else, also after
// the worker has given up on its own.
TEST_F(UploadJobTest, PeerThatNeverAnswersEndsInTheTimeOutMessageAlone) {
  struct Case {
    FaultScript::Action peer;
    size_t recordingSize;
  };
  const Case cases[] = {
      {FaultScript::Action::kNeverRead, 16 << 20},  // more than the loopback buffers take
      {FaultScript::Action::kStall, 50000},
  };
  for (const Case& test : cases) {
    WriteRecording(Pattern(test.recordingSize));
    FaultScript script;
    script.action = test.peer;
    StartPeer(script);
    UploadOptions options;
    options.sliceMs = 5;
    options.maxSlices = 200;  // outlasts the progress signals
    EXPECT_FALSE(Run(options));
    threads_.JoinAll();  // the worker's own, later time limit ends it
    EXPECT_EQ(Boxes{kTextTimeOut}, kernel.TakeMessageBoxes());
  }
}

// Slices that overrun their 50 ms (a coarse timer) can leave the worker to
// run out of time first; the user is told the same.
TEST_F(UploadJobTest, WorkerThatRunsOutOfTimeFirstEndsInTheTimeOutMessage) {
  FaultScript stalls;
  stalls.action = FaultScript::Action::kStall;
  StartPeer(stalls);
  threads_.events = JoinedThreads::Events::kCoarseTimer;
  UploadOptions options;
  options.sliceMs = 10;
  options.maxSlices = 40;
  EXPECT_FALSE(Run(options));
  EXPECT_EQ(Boxes{kTextTimeOut}, kernel.MessageBoxes());
}

TEST_F(UploadJobTest, SignalsUseUpSlicesToo) {
  FaultScript stall;
  stall.action = FaultScript::Action::kStall;
  StartPeer(stall);
  threads_.events = JoinedThreads::Events::kAlwaysSignalled;
  UploadOptions options;
  options.sliceMs = 60000;
  options.maxSlices = 50;
  EXPECT_FALSE(Run(options));  // 50 signalled slices, no waiting at all
  EXPECT_EQ(Boxes{kTextTimeOut}, kernel.TakeMessageBoxes());
  server_->Stop();  // lets the worker end
}

TEST_F(UploadJobTest, WorkerThatFinishesAfterTheTimeOutTouchesNothingFreed) {
  FaultScript late = Reply({"", kOkReply});
  late.pauseBetweenWritesMs = 300;
  StartPeer(late);
  threads_.events = JoinedThreads::Events::kAlwaysSignalled;
  UploadOptions options;
  options.maxSlices = 100;  // 5 s for the worker, none for the panel
  {
    MemoryPanelWindow window(clock);
    window.Open(&handler_);
    ProgressBar bar(window);
    EXPECT_FALSE(RunUpload(job.settings, platform_, bar, options));
  }  // the window and the panel's hold on the job are gone; the worker still runs
  threads_.JoinAll();
  EXPECT_EQ(Boxes{kTextTimeOut}, kernel.MessageBoxes());
  EXPECT_EQ(1, server_->Connections());
}

TEST_F(UploadJobTest, FailedWaitReturnsFalseAtOnceWithoutAMessage) {
  StartPeer(Reply({kOkReply}));
  threads_.events = JoinedThreads::Events::kWaitsFail;
  EXPECT_FALSE(Run());
  threads_.JoinAll();
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

TEST_F(UploadJobTest, NoEventMeansNoUpload) {
  StartPeer(Reply({kOkReply}));
  threads_.events = JoinedThreads::Events::kCannotCreate;
  EXPECT_FALSE(Run());
  EXPECT_EQ(0, threads_.Started());
  EXPECT_EQ(0, server_->Connections());
}

TEST_F(UploadJobTest, ThreadThatCannotStartFailsAtOnce) {
  StartPeer(Reply({kOkReply}));
  threads_.failStarts = true;
  EXPECT_FALSE(Run());
  EXPECT_EQ(Boxes{kTextThreadStartError}, kernel.MessageBoxes());
}

TEST_F(UploadJobTest, SocketLibraryThatCannotStartEndsTheUploadInOrder) {
  StartPeer(Reply({kOkReply}));
  sockets_.failStartup = true;
  EXPECT_FALSE(Run());
  EXPECT_EQ(Boxes{kTextSocketStartupError}, kernel.MessageBoxes());
  EXPECT_EQ(0, server_->Connections());
}

TEST_F(UploadJobTest, WorkerClosesTheSocketLibraryAsOftenAsItStartedIt) {
  StartPeer(Reply({kOkReply}));
  EXPECT_TRUE(Run());
  threads_.JoinAll();
  EXPECT_EQ(2, sockets_.Startups());  // the worker's and the address look-up's
  EXPECT_EQ(sockets_.Startups(), sockets_.Cleanups());
}

TEST(UploadWorkerRecord, OutcomeIsStoredBeforeFinished) {
  MemoryClock clock;
  MemoryKernel kernel(clock);
  ScriptedSockets sockets;
  auto job = std::make_shared<UploadJob>();
  job->settings.path = "c:\\missing.wav";
  EXPECT_EQ(1, UploadWorker(job, kernel, sockets));
  EXPECT_TRUE(job->finished.load());
  EXPECT_FALSE(job->succeeded);
  EXPECT_EQ(kOutcomeFileOpenError, job->outcomeText);
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

}  // namespace
}  // namespace tamborix::testing
