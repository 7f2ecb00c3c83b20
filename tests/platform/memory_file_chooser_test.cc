// The scripted Save-as dialog that tests and hosts drive.
#include <gtest/gtest.h>

#include "platform/memory/memory_file_chooser.h"

namespace tamborix {
namespace {

TEST(MemoryFileChooserTest, PlaysTheScriptAndKeepsEverySettingShown) {
  MemoryFileChooser chooser;
  chooser.WillChoose("D:\\rec\\take1.wav");
  chooser.WillCancel();
  SaveAsSettings settings;
  settings.title = "Please select file name";
  settings.flags = kOfnHideReadOnly | kOfnOverwritePrompt;
  settings.initialFolder = "c:\\rec\\";

  SaveAsChoice choice;
  ASSERT_TRUE(chooser.ChooseSaveAs(settings, &choice));
  EXPECT_EQ("D:\\rec\\take1.wav", choice.fullPath);
  EXPECT_EQ("take1.wav", choice.fileName);

  choice.fileName = "untouched";
  EXPECT_FALSE(chooser.ChooseSaveAs(settings, &choice));  // cancelled
  EXPECT_FALSE(chooser.ChooseSaveAs(settings, &choice));  // nothing scripted
  EXPECT_EQ("untouched", choice.fileName);

  ASSERT_EQ(3u, chooser.Shown().size());
  EXPECT_EQ("c:\\rec\\", chooser.Shown()[2].initialFolder);
  EXPECT_EQ(0x6u, chooser.Shown()[0].flags);
}

}  // namespace
}  // namespace tamborix
