// The panel's language, chosen from the system default language id at every
// start-up.
#include "panel_view/panel_ops.h"
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

class LanguageTest : public PanelTest {
 protected:
  void OpenIn(uint16_t languageId) {
    memory.kernel.SetLanguageId(languageId);
    if (window.IsOpen()) {
      Close();
    }
    Open();
  }
  void TearDown() override { SetLanguageFromId(0x0409); }
};

TEST_F(LanguageTest, TraditionalChineseIdsGetTheTraditionalTexts) {
  for (uint16_t id : {0x0404, 0x0C04, 0x1004}) {
    SCOPED_TRACE(id);
    OpenIn(id);
    EXPECT_EQ(Item(kUploadButton).text, "上載");
    EXPECT_EQ(Item(kAbortButton).text, "取消");
    EXPECT_EQ(Item(kLengthLabel).text, "最長錄音(分鐘):");
    EXPECT_EQ(Item(kCaptionLabel).text, "露莫錄音機  2.6");
  }
  ASSERT_TRUE(window.Click(kRecButton));
  EXPECT_EQ(Item(kSizeLabel).text, "檔案大小 : 0 KB");
}

TEST_F(LanguageTest, SimplifiedChineseGetsItsOwnTexts) {
  OpenIn(0x0804);
  EXPECT_EQ(Item(kUploadButton).text, "上传");
  EXPECT_EQ(Item(kLengthLabel).text, "最长录音(分钟):");
  EXPECT_EQ(Item(kCaptionLabel).text, "露莫录音机  2.6");
  ASSERT_TRUE(window.Click(kRecButton));
  Seconds(1);
  EXPECT_EQ(Item(kSizeLabel).text, "文件大小 : 15 KB");
}

TEST_F(LanguageTest, OtherIdsGetEnglish) {
  for (uint16_t id : {0x0409, 0x1404, 0x0004, 0x0411}) {
    SCOPED_TRACE(id);
    OpenIn(id);
    EXPECT_EQ(Item(kUploadButton).text, "UPLOAD");
    EXPECT_EQ(Item(kCaptionLabel).text, "Lumo Recorder  2.6");
  }
}

TEST_F(LanguageTest, BoxesStayInEnglish) {
  OpenIn(0x0404);
  ASSERT_TRUE(window.Click(kRecButton));
  window.SendCommand(kRecButton, kBnClicked);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"recording in process..."});
}

}  // namespace
}  // namespace tamborix
