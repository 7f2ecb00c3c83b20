// The panel window going away while something runs: nothing recorded is lost
// and nothing is left open.
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

constexpr char kPath[] = "c:\\lumo_default.wav";

using DestroyTest = PanelTest;

std::string Bytes(MemoryKernel& kernel, const std::string& path) {
  std::string bytes;
  kernel.ReadFile(path, &bytes);
  return bytes;
}

TEST_F(DestroyTest, ARunningRecordingIsSavedAndItsDeviceClosed) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(4);
  NewCommands();
  Close();
  EXPECT_EQ(NewCommands(), (std::vector<uint32_t>{kMciSave, kMciClose}));
  EXPECT_EQ(Bytes(memory.kernel, kPath).size(), 4u * 16000u + 44u);
  EXPECT_EQ(memory.kernel.ListFiles(), std::vector<std::string>{kPath});
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DestroyTest, AFailedSaveOnTheWayOutKeepsTheOldFile) {
  Open();
  memory.kernel.WriteFile(kPath, "the old recording");
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(2);
  memory.device.InjectFault(kMciSave, 1, kMciErrFileNotSaved);
  Close();
  EXPECT_EQ(Bytes(memory.kernel, kPath), "the old recording");
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
}

TEST_F(DestroyTest, ARunningPlaybackIsClosed) {
  Open();
  RecordFor(5);
  const std::string saved = Bytes(memory.kernel, kPath);
  ASSERT_TRUE(window.Click(kPlayButton));
  Seconds(1);
  NewCommands();
  Close();
  EXPECT_EQ(NewCommands(), std::vector<uint32_t>{kMciClose});
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_EQ(state().isPlaying, 0);
  EXPECT_EQ(Bytes(memory.kernel, kPath), saved);
  Seconds(10);  // no notice, no tick reaches anyone
  EXPECT_TRUE(NewCommands().empty());
}

TEST_F(DestroyTest, AnIdlePanelSendsNoDeviceCommand) {
  Open();
  RecordFor(1);
  NewCommands();
  Close();
  EXPECT_TRUE(NewCommands().empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DestroyTest, ANewPanelWindowEndsTheRecordingOfTheOldOne) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(2);
  Open();  // the control shows its panel again
  EXPECT_EQ(Bytes(memory.kernel, kPath).size(), 2u * 16000u + 44u);
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_EQ(EnabledButtons(), "REC ABORT");
}

TEST_F(DestroyTest, WmDestroyEndsThePanelAndAReopenStartsAfresh) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(1);
  Close();
  EXPECT_FALSE(control.HasPanel());
  ASSERT_FALSE(window.Messages().empty());
  EXPECT_EQ(kWmDestroy, window.Messages().back().message);
  EXPECT_TRUE(window.Messages().back().handled);
  Open();
  EXPECT_TRUE(control.HasPanel());
  EXPECT_EQ(EnabledButtons(), "REC ABORT");
}

// Stands for the module's handling of the framework's messages: a brush for
// the dialog's background, nothing else.
class BackgroundBrush : public PanelMessageHandler {
 public:
  bool OnMessage(uint32_t message, uintptr_t, intptr_t, intptr_t* result) override {
    seen.push_back(message);
    if (message == kWmCtlColorDlg || message == kWmCtlColorStatic) {
      *result = 0x5EED;
      return true;
    }
    return false;
  }
  std::vector<uint32_t> seen;
};

TEST_F(DestroyTest, FrameworkMessagesReachTheFrameworkHandlerBeforeTheMessageMap) {
  BackgroundBrush brush;
  control.SetFrameworkHandler(&brush);
  Open();
  EXPECT_EQ(0x5EED, window.Send(kWmCtlColorDlg, 0, 0));
  EXPECT_EQ(0x5EED, window.Send(kWmCtlColorStatic, 0, 0));
  window.Send(kWmSetFocus, 0, 0);
  window.Send(kWmKillFocus, 0, 0);
  window.Send(kWmMouseActivate, 0, 0);
  ASSERT_TRUE(window.Click(kRecButton));  // the map's own messages pass it by
  EXPECT_EQ(brush.seen, (std::vector<uint32_t>{kWmCtlColorDlg, kWmCtlColorStatic, kWmSetFocus,
                                               kWmKillFocus, kWmMouseActivate}));
  EXPECT_EQ(state().isRecording, 1);
  Close();
  control.SetFrameworkHandler(nullptr);
}

TEST(DestroyControlTest, DestroyingTheControlSavesARunningRecording) {
  MemoryPlatform memory;
  MemoryPanelWindow window{memory.clock};
  {
    RecorderControl control{memory.platform()};
    window.Open(control.OpenPanel(window));
    ASSERT_TRUE(window.Click(kRecButton));
    memory.clock.Advance(3000);
  }
  window.Destroy();
  std::string bytes;
  ASSERT_TRUE(memory.kernel.ReadFile(kPath, &bytes));
  EXPECT_EQ(bytes.size(), 3u * 16000u + 44u);
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
}

}  // namespace
}  // namespace tamborix
