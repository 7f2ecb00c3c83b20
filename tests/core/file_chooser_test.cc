// The file chooser behind button 216: what it asks the platform's Save-as
// dialog, and what a choice or a cancel does to the paths and the status box.
#include <gtest/gtest.h>

#include "control/recorder_control.h"
#include "platform/memory/memory_file_chooser.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/memory/memory_platform.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

class FileChooserTest : public ::testing::Test {
 protected:
  FileChooserTest() {
    memory.kernel.SetEnvironment("USERPROFILE", "D:\\Profiles\\u1");
    window.Open(control.OpenPanel(window));
  }

  MemoryPlatform memory;
  MemoryFileChooser& chooser = memory.fileChooser;
  MemoryPanelWindow window{memory.clock};
  RecorderControl control{memory.platform()};
};

TEST_F(FileChooserTest, AsksInTheFolderWithTheNameAndTitle) {
  chooser.WillCancel();
  ASSERT_TRUE(control.SetFileName(u"take0.wav") == kSOk);
  EXPECT_EQ(window.SendCommand(kChooserButton, kBnClicked), 0);
  ASSERT_EQ(chooser.Shown().size(), 1u);
  const SaveAsSettings& shown = chooser.Shown()[0];
  EXPECT_EQ(shown.initialFolder, "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\");
  EXPECT_EQ(shown.initialName, "take0.wav");
  EXPECT_EQ(shown.title, "Please select file name");
  EXPECT_EQ(shown.filter, " wav file (*.wav)|*.wav| All Files(*.*)|*.*||");
  EXPECT_EQ(shown.defaultExtension, "wav");
  EXPECT_EQ(shown.flags, 0x6u);
  // Cancelled: nothing changes.
  EXPECT_EQ(control.state().fullPath, "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\take0.wav");
  EXPECT_EQ(window.Item(kStatusBox).text, control.state().fullPath);
}

TEST_F(FileChooserTest, ChoiceSetsFolderNameAndStatusBox) {
  chooser.WillChoose("D:\\rec\\take1.wav");
  window.SendCommand(kChooserButton, kBnClicked);
  EXPECT_EQ(control.state().folder, "D:\\rec\\");
  EXPECT_EQ(control.state().fileName, "take1.wav");
  EXPECT_EQ(control.SoundFileName(), WideString(u"take1.wav"));
  EXPECT_EQ(control.state().fullPath, "D:\\rec\\take1.wav");
  EXPECT_EQ(window.Item(kStatusBox).text, "D:\\rec\\take1.wav");

  // A path without a backslash is the folder as a whole.
  chooser.WillChoose("take2.wav");
  window.SendCommand(kChooserButton, kBnClicked);
  EXPECT_EQ(control.state().folder, "take2.wav");
  EXPECT_EQ(control.state().fullPath, "take2.wavtake2.wav");
}

// Code page 950: the second byte of a double-byte character may be a
// backslash byte (B3 5C), which is no separator.
TEST_F(FileChooserTest, TheFolderEndsAtTheLastBackslashCharacter) {
  memory.kernel.SetLeadBytes(0x81, 0xFE);
  chooser.WillChoose("D:\\rec\\\xB3\x5C.wav", "\xB3\x5C.wav");
  window.SendCommand(kChooserButton, kBnClicked);
  EXPECT_EQ(control.state().folder, "D:\\rec\\");
  EXPECT_EQ(control.state().fullPath, "D:\\rec\\\xB3\x5C.wav");

  chooser.WillChoose("D:\\\xB3\x5C\\\xB3\x5C", "\xB3\x5C");
  window.SendCommand(kChooserButton, kBnClicked);
  EXPECT_EQ(control.state().folder, "D:\\\xB3\x5C\\");
  EXPECT_EQ(control.state().fullPath, "D:\\\xB3\x5C\\\xB3\x5C");
}

TEST_F(FileChooserTest, OnlyAClickRunsIt) {
  EXPECT_EQ(window.SendCommand(kChooserButton, 1), 0);
  EXPECT_TRUE(chooser.Shown().empty());
}

}  // namespace
}  // namespace tamborix
