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
