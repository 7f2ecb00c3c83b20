// The file chooser behind button 216: what it asks the platform's Save-as
// dialog, and what a choice or a cancel does to the paths and the status box.
#include <gtest/gtest.h>

#include "control/recorder_control.h"
#include "platform/file_chooser.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/memory/memory_platform.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

class ScriptedChooser : public FileChooser {
 public:
  bool Choose(const SaveAsRequest& request, SaveAsChoice* choice) override {
    requests.push_back(request);
    if (!confirm) {
      return false;
    }
    *choice = answer;
    return true;
  }
  bool confirm = true;
  SaveAsChoice answer;
  std::vector<SaveAsRequest> requests;
};

class FileChooserTest : public ::testing::Test {
 protected:
  FileChooserTest() {
    memory.kernel.SetEnvironment("USERPROFILE", "D:\\Profiles\\u1");
    window.Open(control.OpenPanel(window));
  }
  Platform WithChooser() {
    Platform platform = memory.platform();
    platform.fileChooser = &chooser;
    return platform;
  }

  MemoryPlatform memory;
  ScriptedChooser chooser;
  MemoryPanelWindow window{memory.clock};
  RecorderControl control{WithChooser()};
};

TEST_F(FileChooserTest, AsksInTheFolderWithTheNameAndTitle) {
  chooser.confirm = false;
  ASSERT_TRUE(control.SetFileName(u"take0.wav") == kSOk);
  EXPECT_EQ(window.SendCommand(kChooserButton, kBnClicked), 0);
  ASSERT_EQ(chooser.requests.size(), 1u);
  EXPECT_EQ(chooser.requests[0].folder, "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\");
  EXPECT_EQ(chooser.requests[0].fileName, "take0.wav");
  EXPECT_EQ(chooser.requests[0].title, "Please select file name");
  // Cancelled: nothing changes.
  EXPECT_EQ(control.state().fullPath, "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\take0.wav");
  EXPECT_EQ(window.Item(kStatusBox).text, control.state().fullPath);
}

TEST_F(FileChooserTest, ChoiceSetsFolderNameAndStatusBox) {
  chooser.answer = {"D:\\rec\\take1.wav", "take1.wav"};
  window.SendCommand(kChooserButton, kBnClicked);
  EXPECT_EQ(control.state().folder, "D:\\rec\\");
  EXPECT_EQ(control.state().fileName, "take1.wav");
  EXPECT_EQ(control.SoundFileName(), WideString(u"take1.wav"));
  EXPECT_EQ(control.state().fullPath, "D:\\rec\\take1.wav");
  EXPECT_EQ(window.Item(kStatusBox).text, "D:\\rec\\take1.wav");

  // A path without a backslash is the folder as a whole.
  chooser.answer = {"take2.wav", "take2.wav"};
  window.SendCommand(kChooserButton, kBnClicked);
  EXPECT_EQ(control.state().folder, "take2.wav");
  EXPECT_EQ(control.state().fullPath, "take2.wavtake2.wav");
}

TEST_F(FileChooserTest, OnlyAClickRunsIt) {
  EXPECT_EQ(window.SendCommand(kChooserButton, 1), 0);
  EXPECT_TRUE(chooser.requests.empty());
}

}  // namespace
}  // namespace tamborix
