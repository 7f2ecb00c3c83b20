// Panel start-up: the recordings folder, the narrow copies, the controls'
// first state, the ready event, and which messages the map takes.
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

using StartupTest = PanelTest;

TEST_F(StartupTest, TheFolderIsBuiltInTheUserProfile) {
  memory.kernel.SetEnvironment("USERPROFILE", "D:\\Profiles\\u1");
  memory.kernel.AddDirectory("D:\\Profiles\\u1");
  Open();
  EXPECT_EQ(state().folder, "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\");
  EXPECT_TRUE(memory.kernel.DirectoryExists("D:\\Profiles\\u1\\My Documents"));
  EXPECT_TRUE(memory.kernel.DirectoryExists("D:\\Profiles\\u1\\My Documents\\LumoRecorder"));
  EXPECT_EQ(Item(kStatusBox).text,
            "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\lumo_default.wav");

  // Opening again finds the folders there and keeps going.
  Close();
  Open();
  EXPECT_EQ(state().fullPath, "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\lumo_default.wav");
}

TEST_F(StartupTest, WithoutAProfileTheFolderIsTheDriveRoot) {
  Open();
  EXPECT_EQ(state().folder, "c:\\");
  EXPECT_EQ(Item(kStatusBox).text, "c:\\lumo_default.wav");
  EXPECT_TRUE(memory.kernel.ListDirectories().empty());
}

TEST_F(StartupTest, AProfileTooLongForItsBufferCountsAsNotSet) {
  const std::string fits = "c:\\" + std::string(2044, 'p');  // 2047 bytes
  memory.kernel.SetEnvironment("USERPROFILE", fits);
  Open();
  EXPECT_EQ(state().folder, fits + "\\My Documents\\LumoRecorder\\");

  memory.kernel.SetEnvironment("USERPROFILE", fits + "p");
  Close();
  Open();
  EXPECT_EQ(state().folder, "c:\\");
}

TEST_F(StartupTest, BagValuesReachTheNarrowSideOnlyAtStartup) {
  state().wide.session = u"s-1";
  state().wide.pDrive = u"P";
  state().wide.fileName = u"take.wav";
  state().wide.host = std::nullopt;
  EXPECT_EQ(state().session, "");
  Open();
  EXPECT_EQ(state().session, "s-1");
  EXPECT_EQ(state().pDrive, "P");
  EXPECT_EQ(state().fileName, "take.wav");
  EXPECT_EQ(state().host, "");
  EXPECT_EQ(state().fullPath, "c:\\take.wav");
}

TEST_F(StartupTest, TheTrackbarFollowsTheLengthWhileTheComboShowsTwoMinutes) {
  ASSERT_EQ(control.SetMaxFileLengthInSecond(u"90"), kSOk);
  Open();
  EXPECT_EQ(state().maxSeconds, 90);
  EXPECT_EQ(Item(kTrackbar).rangeMin, 0);
  EXPECT_EQ(Item(kTrackbar).rangeMax, 90);
  EXPECT_EQ(Item(kTrackbar).ticFrequency, 10);
  EXPECT_EQ(Item(kLengthCombo).entries, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(Item(kLengthCombo).selection, 1);
}

TEST_F(StartupTest, ControlsGetTheirIconsAndEnglishTexts) {
  memory.kernel.SetLanguageId(0x0409);
  Open();
  EXPECT_EQ(Item(kRecButton).icon, kRecIcon);
  EXPECT_EQ(Item(kStopButton).icon, kStopIcon);
  EXPECT_EQ(Item(kPlayButton).icon, kPlayIcon);
  EXPECT_EQ(Item(kChooserButton).icon, kFolderIcon);
  EXPECT_FALSE(Item(kChooserButton).visible);
  EXPECT_EQ(Item(kSizeLabel).text, "File Size :");
  EXPECT_EQ(Item(kLengthLabel).text, "Max Rec (min) :");
  EXPECT_EQ(Item(kCaptionLabel).text, "Lumo Recorder  2.6");
  EXPECT_EQ(Item(kUploadButton).text, "UPLOAD");
  EXPECT_EQ(Item(kAbortButton).text, "ABORT");
}

TEST_F(StartupTest, EveryNewPanelFiresOnPlayimgOnceWhenIdle) {
  struct Checker : EventSink {
    explicit Checker(RecorderState& s) : state(s) {}
    int32_t Invoke(int32_t dispid) override {
      idle = state.isRecording == 0 && state.isPlaying == 0 && !state.fullPath.empty();
      return 0;
    }
    RecorderState& state;
    bool idle = false;
  };
  auto checker = std::make_shared<Checker>(state());
  control.events().Advise(checker);
  Open();
  EXPECT_EQ(log->events, std::vector<int32_t>{kOnPlayimg});
  EXPECT_TRUE(checker->idle);
  Close();
  Open();
  EXPECT_EQ(log->events, (std::vector<int32_t>{kOnPlayimg, kOnPlayimg}));
}

TEST_F(StartupTest, TheMapTakesOnlyItsOwnMessagesAndNotifications) {
  Open();
  window.TakeMessages();
  window.SendCommand(kRecButton, 1);
  window.SendCommand(kStopButton, 5);
  window.SendCommand(kPlayButton, 1);
  window.SendCommand(kAbortButton, 1);
  window.SendCommand(999, kBnClicked);
  window.Send(kWmSetText, 0, 0);
  window.Send(0x0201, 0, 0);  // WM_LBUTTONDOWN
  for (const auto& message : window.TakeMessages()) {
    EXPECT_FALSE(message.handled) << std::hex << message.message << " " << message.wParam;
  }
  EXPECT_TRUE(memory.device.Commands().empty());
  EXPECT_EQ(state().isRecording, 0);
  EXPECT_EQ(log->events, std::vector<int32_t>{kOnPlayimg});
}

TEST_F(StartupTest, AbortFiresOnAbortAndChangesNothingElse) {
  Open();
  RecordFor(1);
  window.TakeMessages();
  ASSERT_TRUE(window.Click(kAbortButton));
  EXPECT_EQ(log->events, (std::vector<int32_t>{kOnPlayimg, kOnAbort}));
  EXPECT_EQ(window.Messages().back().result, 0);
  EXPECT_EQ(EnabledButtons(), "REC PLAY UPLOAD ABORT");
  EXPECT_TRUE(memory.kernel.FileExists("c:\\lumo_default.wav"));
  EXPECT_EQ(memory.device.Commands().size(), 5u);  // open, set, record, save, close
}

TEST_F(StartupTest, RecordingAndPlayingFireNoEvents) {
  Open();
  RecordFor(2);
  ASSERT_TRUE(window.Click(kPlayButton));
  Seconds(3);
  EXPECT_EQ(log->events, std::vector<int32_t>{kOnPlayimg});
}

}  // namespace
}  // namespace tamborix
