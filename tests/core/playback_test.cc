// PLAY, the device's end notice, STOP during playback and playback failures.
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

using PlaybackTest = PanelTest;

TEST_F(PlaybackTest, PlayOpensTheSavedFileAndPlaysItWithANotice) {
  Open();
  RecordFor(3);
  NewCommands();
  ASSERT_TRUE(window.Click(kPlayButton));

  const auto& commands = memory.device.Commands();
  ASSERT_GE(commands.size(), 2u);
  const auto& open = commands[commands.size() - 2];
  const auto& play = commands.back();
  EXPECT_EQ(open.command, kMciOpen);
  EXPECT_EQ(open.flags, 0x3202u);
  EXPECT_EQ(open.element, "c:\\lumo_default.wav");
  EXPECT_EQ(play.command, kMciPlay);
  EXPECT_EQ(play.flags, 0x0001u);
  EXPECT_EQ(state().deviceId, open.id);
  EXPECT_EQ(state().isPlaying, 1);
  EXPECT_EQ(state().elapsedSeconds, 0);
  EXPECT_EQ(Item(kTrackbar).position, 0);
  EXPECT_TRUE(window.TimerRunning(kClockTimerId));
}

TEST_F(PlaybackTest, ThePlaybackEndsWithItsNotice) {
  Open();
  RecordFor(3);
  ASSERT_TRUE(window.Click(kPlayButton));
  Seconds(2);
  EXPECT_EQ(Item(kTrackbar).position, 2);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 46 KB");  // playing leaves the size alone
  NewCommands();
  Seconds(1);

  EXPECT_EQ(NewCommands(), std::vector<uint32_t>{kMciClose});
  EXPECT_EQ(state().isPlaying, 0);
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_EQ(Item(kTrackbar).position, 2);  // where the last tick put it
  EXPECT_EQ(window.CountMessages(kMmMciNotify), 1);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PlaybackTest, StopClosesAtOnceAndALaterNoticeChangesNothing) {
  Open();
  RecordFor(5);
  ASSERT_TRUE(window.Click(kPlayButton));
  const MciDeviceId playing = state().deviceId;
  Seconds(1);
  NewCommands();
  ASSERT_TRUE(window.Click(kStopButton));
  EXPECT_EQ(NewCommands(), std::vector<uint32_t>{kMciClose});
  EXPECT_EQ(state().isPlaying, 0);

  window.Post(kMmMciNotify, kMciNotifySuccessful, static_cast<intptr_t>(playing));
  window.PumpMessages();
  EXPECT_TRUE(NewCommands().empty());
  EXPECT_EQ(EnabledButtons(), "REC PLAY UPLOAD ABORT");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PlaybackTest, ANoticeWhileNothingPlaysIsAnsweredWithZero) {
  Open();
  window.TakeMessages();
  window.Post(kMmMciNotify, kMciNotifySuccessful, 7);
  window.PumpMessages();
  const auto messages = window.TakeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].handled);
  EXPECT_EQ(messages[0].result, 0);
  EXPECT_TRUE(memory.device.Commands().empty());
  EXPECT_EQ(EnabledButtons(), "REC ABORT");
}

TEST_F(PlaybackTest, PlayDuringAPlaybackOnlySaysSo) {
  Open();
  RecordFor(5);
  ASSERT_TRUE(window.Click(kPlayButton));
  Seconds(2);
  NewCommands();
  EXPECT_EQ(window.SendCommand(kPlayButton, kBnClicked), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"playing in process..."});
  EXPECT_TRUE(NewCommands().empty());
  EXPECT_EQ(Item(kTrackbar).position, 2);
}

TEST_F(PlaybackTest, AMissingFileFailsTheOpen) {
  Open();
  window.SendItemMessage(kTrackbar, kTbmSetPos, 1, 30);
  EXPECT_EQ(window.SendCommand(kPlayButton, kBnClicked), -1);
  EXPECT_EQ(Boxes(),
            std::vector<std::string>{"MCI_OPEN to Play ERROR:" + DeviceText(kMciErrFileNotFound)});
  EXPECT_EQ(Item(kTrackbar).position, 0);
  EXPECT_EQ(state().isPlaying, 0);
  EXPECT_EQ(EnabledButtons(), "REC ABORT");
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
}

TEST_F(PlaybackTest, AFailedPlayClosesTheDevice) {
  Open();
  RecordFor(2);
  memory.device.InjectFault(kMciPlay, 1, kMciErrHardware);
  memory.device.InjectFault(kMciClose, 1, kMciErrInvalidDeviceId);
  NewCommands();
  EXPECT_EQ(window.SendCommand(kPlayButton, kBnClicked), -1);
  EXPECT_EQ(NewCommands(), (std::vector<uint32_t>{kMciOpen, kMciPlay, kMciClose}));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{
                         "MCI_PLAY ERROR:" + DeviceText(kMciErrHardware),
                         "Close Device Error::" + DeviceText(kMciErrInvalidDeviceId)}));
  EXPECT_EQ(state().isPlaying, 0);
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
}

TEST_F(PlaybackTest, TheClockStopsAtTheLimitWhileThePlaybackRunsOn) {
  Open();
  RecordFor(5);
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"2"), kSOk);
  ASSERT_TRUE(window.Click(kPlayButton));
  Seconds(3);
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
  EXPECT_EQ(Item(kTrackbar).position, 2);
  EXPECT_EQ(state().isPlaying, 1);
  EXPECT_EQ(EnabledButtons(), "STOP");
  EXPECT_TRUE(Boxes().empty());
  Seconds(2);
  EXPECT_EQ(state().isPlaying, 0);
  EXPECT_EQ(EnabledButtons(), "REC PLAY UPLOAD ABORT");
}

TEST_F(PlaybackTest, PlayAfterTimeUpUsesANewDeviceWhileNoneIsLeftOpen) {
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"2"), kSOk);
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(3);
  const MciDeviceId recording = state().deviceId;
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  ASSERT_TRUE(window.Click(kPlayButton));
  EXPECT_NE(state().deviceId, recording);
  EXPECT_EQ(memory.device.OpenDeviceIds(), std::vector<MciDeviceId>{state().deviceId});
}

}  // namespace
}  // namespace tamborix
