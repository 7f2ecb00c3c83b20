// REC, the save at STOP, device failures and their boxes, and the safety
// rules for the file on disk.
#include "platform/memory/wav_file.h"
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

constexpr char kPath[] = "c:\\lumo_default.wav";
constexpr char kTemporary[] = "c:\\lumo_default.wav.tmp";

using RecordingTest = PanelTest;

std::string SoundOf(MemoryKernel& kernel, const std::string& path) {
  std::string bytes;
  std::string data;
  WavFormat format;
  if (!kernel.ReadFile(path, &bytes) || !ParseWavFile(bytes, &format, &data)) {
    return "not a WAV file";
  }
  EXPECT_EQ(format.samplesPerSec, 8000u);
  EXPECT_EQ(format.bitsPerSample, 16u);
  EXPECT_EQ(format.channels, 1u);
  return data;
}

TEST_F(RecordingTest, RecWithTheDefaultsRecordsFromZeroTo120Seconds) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));

  const auto& commands = memory.device.Commands();
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0].command, kMciOpen);
  EXPECT_EQ(commands[0].flags, 0x3202u);
  EXPECT_EQ(commands[0].element, "");
  EXPECT_EQ(commands[1].command, kMciSet);
  EXPECT_EQ(commands[1].flags, 0x003F0002u);
  EXPECT_EQ(commands[2].command, kMciRecord);
  EXPECT_EQ(commands[2].flags, 0x020Cu);
  EXPECT_EQ(commands[2].fromMs, 0u);
  EXPECT_EQ(commands[2].toMs, 120000u);
  EXPECT_EQ(commands[2].id, commands[0].id);
  EXPECT_EQ(state().deviceId, commands[0].id);
  EXPECT_EQ(state().isRecording, 1);
  EXPECT_EQ(state().elapsedSeconds, 0);
  EXPECT_TRUE(window.TimerRunning(kClockTimerId));
  EXPECT_EQ(window.TimerPeriodMs(kClockTimerId), 1000u);
}

TEST_F(RecordingTest, StopSavesWhileRecordingThenClosesWithoutAStopCommand) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  NewCommands();
  Seconds(3);
  ASSERT_TRUE(window.Click(kStopButton));

  EXPECT_EQ(NewCommands(), (std::vector<uint32_t>{kMciSave, kMciClose}));
  EXPECT_EQ(SoundOf(memory.kernel, kPath).size(), 3u * 16000u);
  EXPECT_FALSE(memory.kernel.FileExists(kTemporary));
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(RecordingTest, TheTrackbarAndLabelResetBeforeTheDeviceOpens) {
  Open();
  window.SendItemMessage(kTrackbar, kTbmSetPos, 1, 40);
  window.SetItemText(kSizeLabel, "File Size : 937 KB");
  memory.device.InjectFault(kMciOpen, 1, kMciErrHardware);

  EXPECT_EQ(window.SendCommand(kRecButton, kBnClicked), -1);
  EXPECT_EQ(Item(kTrackbar).position, 0);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 0 KB");
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
  EXPECT_EQ(Boxes(),
            std::vector<std::string>{"mciSendCommand() did not open the Wave Audio device!:" +
                                     DeviceText(kMciErrHardware)});
}

TEST_F(RecordingTest, RecDuringARecordingOnlySaysSo) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(3);
  NewCommands();

  EXPECT_EQ(window.SendCommand(kRecButton, kBnClicked), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"recording in process..."});
  EXPECT_TRUE(NewCommands().empty());
  EXPECT_EQ(Item(kTrackbar).position, 3);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size : 46 KB");
  EXPECT_EQ(state().elapsedSeconds, 3);
  EXPECT_TRUE(window.TimerRunning(kClockTimerId));
}

// A failed format or record command closes the device it opened; the panel
// stays idle and REC can be tried again.
TEST_F(RecordingTest, FailedFormatOrRecordCommandsCloseTheirDevice) {
  struct Row {
    uint32_t command;
    const char* message;
  };
  const Row rows[] = {{kMciSet, "mciSendCommand() did not set parameters!"},
                      {kMciRecord, "mciSendCommand() did not record the waveform!"}};
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    memory.device.InjectFault(row.command, 1, kMciErrHardware);
    EXPECT_EQ(window.SendCommand(kRecButton, kBnClicked), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string(row.message) + ":" +
                                                DeviceText(kMciErrHardware)});
    EXPECT_EQ(NewCommands().back(), kMciClose);
    EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
    EXPECT_EQ(state().isRecording, 0);
    EXPECT_FALSE(window.TimerRunning(kClockTimerId));
    EXPECT_EQ(EnabledButtons(), "REC ABORT");
  }
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(state().isRecording, 1);
  EXPECT_EQ(state().deviceId, 3u);  // ids are never reused
}

TEST_F(RecordingTest, AFailedCloseShowsTwoColonsBeforeTheDeviceText) {
  Open();
  ASSERT_TRUE(window.Click(kRecButton));
  memory.device.InjectFault(kMciClose, 1, kMciErrInvalidDeviceId);
  ASSERT_TRUE(window.Click(kStopButton));
  // A device that did not close still holds the file it saved, so the
  // recording cannot be put in place either.
  EXPECT_EQ(Boxes(),
            (std::vector<std::string>{"Close Device Error::" + DeviceText(kMciErrInvalidDeviceId),
                                      "Could not put the recording in place:c:\\lumo_default.wav\n"
                                      "The recording is kept as:c:\\lumo_default.wav.tmp"}));
  EXPECT_EQ(state().fullPath, kTemporary);
  EXPECT_EQ(EnabledButtons(), "REC PLAY UPLOAD ABORT");
}

TEST_F(RecordingTest, AnErrorWithoutDeviceTextShowsTheNumberAlone) {
  Open();
  memory.device.ForgetErrorText(kMciErrHardware);
  memory.device.InjectFault(kMciOpen, 1, kMciErrHardware);
  window.SendCommand(kRecButton, kBnClicked);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"0x00000106 returned!"});

  memory.device.InjectFault(kMciOpen, 1, 0xABCDEF12u);
  window.SendCommand(kRecButton, kBnClicked);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"0xABCDEF12 returned!"});
}

TEST_F(RecordingTest, AFailedSaveKeepsTheOldRecording) {
  Open();
  memory.kernel.WriteFile(kPath, "the old recording");
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(2);
  memory.device.InjectFault(kMciSave, 1, kMciErrFileNotSaved);
  ASSERT_TRUE(window.Click(kStopButton));

  EXPECT_EQ(Boxes(), std::vector<std::string>{"mciSendCommand() did not save the waveform!:" +
                                              DeviceText(kMciErrFileNotSaved)});
  std::string bytes;
  ASSERT_TRUE(memory.kernel.ReadFile(kPath, &bytes));
  EXPECT_EQ(bytes, "the old recording");
  EXPECT_FALSE(memory.kernel.FileExists(kTemporary));
  // STOP goes on as after a save: the device is closed, the panel is ready.
  EXPECT_TRUE(memory.device.OpenDeviceIds().empty());
  EXPECT_EQ(EnabledButtons(), "REC PLAY UPLOAD ABORT");
}

// Another program holds the previous take open without sharing: it stays as
// it is, and the new take is kept under the first free numbered name beside
// it, which the panel's path follows.
TEST_F(RecordingTest, ATakeThatCannotReplaceAHeldOneIsKeptBesideIt) {
  constexpr char kEarlier[] = "c:\\lumo_default-2.wav";
  constexpr char kKept[] = "c:\\lumo_default-3.wav";
  Open();
  memory.kernel.WriteFile(kPath, "the old recording");
  memory.kernel.WriteFile(kEarlier, "kept earlier");
  memory.kernel.HoldOpen(kPath);
  RecordFor(3);

  EXPECT_EQ(Boxes(),
            std::vector<std::string>{"Could not put the recording in place:c:\\lumo_default.wav\n"
                                     "The recording is kept as:c:\\lumo_default-3.wav"});
  std::string bytes;
  ASSERT_TRUE(memory.kernel.ReadFile(kPath, &bytes));
  EXPECT_EQ(bytes, "the old recording");
  ASSERT_TRUE(memory.kernel.ReadFile(kEarlier, &bytes));
  EXPECT_EQ(bytes, "kept earlier");
  EXPECT_EQ(SoundOf(memory.kernel, kKept).size(), 3u * 16000u);
  EXPECT_FALSE(memory.kernel.FileExists(kTemporary));
  EXPECT_EQ(state().fullPath, kKept);
  EXPECT_EQ(Item(kStatusBox).text, kKept);
  EXPECT_EQ(control.LocalFullFileName(), WideString(u"c:\\lumo_default-3.wav"));
  EXPECT_EQ(control.SoundFileName(), WideString(u"lumo_default-3.wav"));
  EXPECT_EQ(EnabledButtons(), "REC PLAY UPLOAD ABORT");
  ASSERT_TRUE(window.Click(kPlayButton));
  EXPECT_EQ(memory.device.Commands().back().command, kMciPlay);
  EXPECT_EQ(memory.device.Commands()[memory.device.Commands().size() - 2].element, kKept);
}

TEST_F(RecordingTest, ASuccessfulSaveReplacesTheOldRecording) {
  Open();
  memory.kernel.WriteFile(kPath, "the old recording");
  memory.kernel.WriteFile(kTemporary, "a leftover");
  RecordFor(1);
  EXPECT_EQ(SoundOf(memory.kernel, kPath).size(), 16000u);
  EXPECT_EQ(memory.kernel.ListFiles(), std::vector<std::string>{kPath});
}

TEST_F(RecordingTest, APathLongerThanTheLimitIsRefusedBeforeAnythingStarts) {
  Open();
  // "c:\" and the name: one byte over the limit.
  ASSERT_EQ(control.SetFileName(std::u16string(2045, u'a')), kSOk);
  ASSERT_EQ(state().fullPath.size(), 2048u);
  EXPECT_EQ(Item(kStatusBox).text.size(), 2047u);
  NewCommands();

  EXPECT_EQ(window.SendCommand(kRecButton, kBnClicked), 0);
  EXPECT_EQ(Boxes(),
            std::vector<std::string>{"The file path is too long to record: more than 2047 bytes"});
  EXPECT_TRUE(NewCommands().empty());
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_EQ(EnabledButtons(), "REC ABORT");
  EXPECT_FALSE(window.TimerRunning(kClockTimerId));
}

TEST_F(RecordingTest, APathOfExactlyTheLimitRecords) {
  Open();
  ASSERT_EQ(control.SetFileName(std::u16string(2044, u'a')), kSOk);
  ASSERT_EQ(state().fullPath.size(), 2047u);
  EXPECT_EQ(Item(kStatusBox).text, state().fullPath);
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(state().isRecording, 1);
}

TEST_F(RecordingTest, EachRecTakesTheLongestLengthAnew) {
  Open();
  ASSERT_TRUE(window.ChooseComboEntry(2));  // "3"
  RecordFor(1);
  EXPECT_EQ(memory.device.Commands()[2].toMs, 180000u);
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"45"), kSOk);
  NewCommands();
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(memory.device.Commands().back().toMs, 45000u);
  EXPECT_EQ(state().maxSeconds, 45);
}

}  // namespace
}  // namespace tamborix
