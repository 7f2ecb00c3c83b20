// The one-second clock: trackbar, size label, time-up, and the longest
// length changed before and during a recording.
#include "recorder/recording_size.h"
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

using ClockTest = PanelTest;

constexpr char kPath[] = "c:\\lumo_default.wav";

size_t FileBytes(MemoryKernel& kernel) {
  std::string bytes;
  return kernel.ReadFile(kPath, &bytes) ? bytes.size() : 0;
}

TEST(RecordingSizeTest, KilobytesDropTheFraction) {
  const std::pair<int32_t, int32_t> table[] = {{0, 0},      {1, 15},     {2, 31},     {10, 156},
                                               {60, 937},   {120, 1875}, {180, 2812}, {240, 3750},
                                               {300, 4687}, {600, 9375}};
  for (const auto& row : table) {
    EXPECT_EQ(RecordingSizeKb(row.first), row.second) << row.first << " s";
  }
}

TEST_F(ClockTest, EachTickMovesTheTrackbarAndTheSize) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 0 KB");
  Seconds(1);
  EXPECT_EQ(Item(kTrackbar).position, 1);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 15 KB");
  Seconds(59);
  EXPECT_EQ(Item(kTrackbar).position, 60);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 937 KB");
  EXPECT_EQ(state().elapsedSeconds, 60);
}

TEST_F(ClockTest, Tick121EndsADefaultRecordingWith120SecondsSaved) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(120);
  EXPECT_EQ(Item(kTrackbar).position, 120);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 1875 KB");
  EXPECT_EQ(state().isRecording, 1);
  EXPECT_TRUE(Boxes().empty());
  NewCommands();

  Seconds(1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Time Up ! Save to file Done"});
  EXPECT_EQ(NewCommands(), (std::vector<uint32_t>{kMciSave, kMciClose}));
  EXPECT_EQ(FileBytes(memory.kernel), 120u * 16000u + 44u);
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
  EXPECT_EQ(Item(kTrackbar).position, 120);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 1875 KB");

  Seconds(5);  // the clock stays stopped
  EXPECT_EQ(state().elapsedSeconds, 121);
}

TEST_F(ClockTest, AFailedSaveAtTimeUpIsNotReportedAsDone) {
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"3"), kSOk);
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  memory.device.InjectFault(kMciSave, 1, kMciErrFileNotSaved);
  Seconds(4);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"mciSendCommand() did not save the waveform!:" +
                                              DeviceText(kMciErrFileNotSaved)});
  EXPECT_FALSE(memory.kernel.FileExists(kPath));
  EXPECT_EQ(EnabledButtons(), "REC PLAY UPLOAD ABORT");
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_EQ(state().isRecording, 0);
}

TEST_F(ClockTest, ChoosingOneMinuteAt90SecondsEndsTheRecordingAtOnce) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(90);
  ASSERT_TRUE(window.ChooseComboEntry(0));
  EXPECT_EQ(state().isRecording, 1);
  Seconds(1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Time Up ! Save to file Done"});
  EXPECT_EQ(FileBytes(memory.kernel), 91u * 16000u + 44u);
  EXPECT_EQ(Item(kTrackbar).position, 60);  // clamped to the new range by the last tick's move
}

TEST_F(ClockTest, ChoosingFiveMinutesDuringARecordingRunsTheClockOnTo300) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(10);
  ASSERT_TRUE(window.ChooseComboEntry(4));
  EXPECT_EQ(memory.device.Commands()[2].toMs, 120000u);  // the device keeps its end point
  Seconds(290);
  EXPECT_EQ(state().isRecording, 1);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 4687 KB");
  EXPECT_EQ(Item(kTrackbar).position, 300);
  EXPECT_TRUE(Boxes().empty());
  Seconds(1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Time Up ! Save to file Done"});
  EXPECT_EQ(FileBytes(memory.kernel), 120u * 16000u + 44u);
}

TEST_F(ClockTest, ALengthSetByThePageDuringARecordingCountsFromTheNextTick) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(5);
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"4"), kSOk);
  EXPECT_EQ(state().isRecording, 1);
  Seconds(1);
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Time Up ! Save to file Done"});
}

TEST_F(ClockTest, AComboChoiceRewritesOnlyTheNarrowLength) {
  Open();
  ASSERT_TRUE(window.ChooseComboEntry(2));
  EXPECT_EQ(state().maxLength, "180");
  EXPECT_EQ(state().maxSeconds, 180);
  EXPECT_EQ(WideText(state().wide.maxLength), u"120");
  EXPECT_EQ(Item(kTrackbar).rangeMin, 0);
  EXPECT_EQ(Item(kTrackbar).rangeMax, 180);
  EXPECT_EQ(Item(kTrackbar).ticFrequency, 10);

  // A new panel goes back to the page's value.
  Close();
  Open();
  EXPECT_EQ(state().maxSeconds, 120);
}

TEST_F(ClockTest, TheComboWithoutSelectionOrOtherNoticesChangesNothing) {
  Open();
  window.SendItemMessage(kLengthCombo, kCbSetCurSel, static_cast<uintptr_t>(-1), 0);
  window.TakeMessages();
  window.SendCommand(kLengthCombo, kCbnSelChange);
  window.SendCommand(kLengthCombo, 3);  // CBN_SETFOCUS
  const auto messages = window.TakeMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[0].handled);
  EXPECT_FALSE(messages[1].handled);
  EXPECT_EQ(state().maxLength, "120");
  EXPECT_EQ(state().maxSeconds, 120);
}

}  // namespace
}  // namespace tamborix
