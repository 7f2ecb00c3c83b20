// Which buttons can be pressed in every state and across every transition.
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

constexpr char kReady[] = "REC PLAY UPLOAD ABORT";

TEST_F(PanelTest, FreshPanelOffersRecAndAbortOnly) {
  Open();
  EXPECT_EQ(EnabledButtons(), "REC ABORT");
  EXPECT_TRUE(Item(kLengthCombo).enabled);
  EXPECT_TRUE(Item(kTrackbar).enabled);
  EXPECT_FALSE(window.Click(kPlayButton));
  EXPECT_FALSE(window.Click(kUploadButton));
}

TEST_F(PanelTest, RecordingOffersStopOnlyAndKeepsTheComboEnabled) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(EnabledButtons(), "STOP");
  EXPECT_TRUE(Item(kLengthCombo).enabled);
  EXPECT_FALSE(window.Click(kRecButton));
  EXPECT_FALSE(window.Click(kAbortButton));
}

TEST_F(PanelTest, StopAfterRecordingMakesTheRecordingPlayable) {
  Open();
  RecordFor(2);
  EXPECT_EQ(EnabledButtons(), kReady);
}

TEST_F(PanelTest, PlaybackOffersStopOnlyAndItsEndMakesThePanelReady) {
  Open();
  RecordFor(2);
  ASSERT_TRUE(window.Click(kPlayButton));
  EXPECT_EQ(EnabledButtons(), "STOP");
  Seconds(2);  // the file's end notice arrives
  EXPECT_EQ(state().isPlaying, 0);
  EXPECT_EQ(EnabledButtons(), kReady);
}

TEST_F(PanelTest, StopDuringPlaybackMakesThePanelReady) {
  Open();
  RecordFor(5);
  ASSERT_TRUE(window.Click(kPlayButton));
  Seconds(1);
  ASSERT_TRUE(window.Click(kStopButton));
  EXPECT_EQ(EnabledButtons(), kReady);
}

TEST_F(PanelTest, TimeUpMakesThePanelReady) {
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"2"), kSOk);
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(3);
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_EQ(EnabledButtons(), kReady);
}

// A disabled button loses the keyboard focus; it goes on to the button that
// continues what the keyboard user did, never nowhere.
TEST_F(PanelTest, TheFocusLeavesEveryButtonThatIsDisabled) {
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"2"), kSOk);
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(window.FocusedItem(), kStopButton);
  ASSERT_TRUE(window.Click(kStopButton));
  EXPECT_EQ(window.FocusedItem(), kPlayButton);
  ASSERT_TRUE(window.Click(kPlayButton));
  EXPECT_EQ(window.FocusedItem(), kStopButton);
  Seconds(2);  // the playback's end notice
  EXPECT_EQ(EnabledButtons(), kReady);
  EXPECT_EQ(window.FocusedItem(), kPlayButton);
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(3);  // time-up
  EXPECT_EQ(window.FocusedItem(), kPlayButton);
  // Only a focused button that is disabled passes the focus on.
  window.FocusItem(kLengthCombo);
  window.SendCommand(kRecButton, kBnClicked);
  EXPECT_EQ(EnabledButtons(), "STOP");
  EXPECT_EQ(window.FocusedItem(), kLengthCombo);
}

TEST_F(PanelTest, StopWhileIdleOnlySetsTheReadyButtons) {
  Open();
  NewCommands();
  window.SendCommand(kStopButton, kBnClicked);
  EXPECT_EQ(EnabledButtons(), kReady);
  EXPECT_TRUE(NewCommands().empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PanelTest, FailedStartsLeaveTheButtonsAsTheyWere) {
  Open();
  memory.device.InjectFault(kMciOpen, 1, kMciErrHardware);
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(EnabledButtons(), "REC ABORT");

  RecordFor(1);
  memory.device.InjectFault(kMciPlay, 1, kMciErrHardware);
  ASSERT_TRUE(window.Click(kPlayButton));
  EXPECT_EQ(EnabledButtons(), kReady);
}

TEST_F(PanelTest, AbortAndTheComboChangeNoButtons) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  ASSERT_TRUE(window.ChooseComboEntry(4));
  EXPECT_EQ(EnabledButtons(), "STOP");
  // A page or another window may still send ABORT while it is disabled.
  window.SendCommand(kAbortButton, kBnClicked);
  EXPECT_EQ(EnabledButtons(), "STOP");
  EXPECT_EQ(state().isRecording, 1);
}

}  // namespace
}  // namespace tamborix
