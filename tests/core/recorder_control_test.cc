// The scripting members and the property bag: what each setter stores, what
// it refuses, and the load and save rules of the bag.
#include <map>

#include "control/property_bag.h"
#include "tests/core/panel_fixture.h"

namespace tamborix {
namespace {

constexpr char kInvalidLength[] = "Invalid second setting > 0 and < 600";

using ControlTest = PanelTest;

TEST_F(ControlTest, LengthsFromOneTo600AreTaken) {
  for (const char16_t* text : {u"600", u"1", u" +45"}) {
    bool accepted = false;
    EXPECT_EQ(control.SetMaxFileLengthInSecond(std::u16string(text), &accepted), kSOk);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(WideText(state().wide.maxLength), text);
  }
  EXPECT_EQ(state().maxSeconds, 45);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ControlTest, OtherLengthsAreRefusedWithABoxAndChangeNothing) {
  const WideString refused[] = {u"601", u"0", u"-5", u"", u"abc", u"sec 90", std::nullopt};
  for (const WideString& text : refused) {
    SCOPED_TRACE(std::string(WideText(text).begin(), WideText(text).end()));
    bool accepted = true;
    EXPECT_EQ(control.SetMaxFileLengthInSecond(text, &accepted), kSOk);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(Boxes(), std::vector<std::string>{kInvalidLength});
    EXPECT_EQ(WideText(state().wide.maxLength), u"120");
    EXPECT_EQ(state().maxLength, "");
    EXPECT_EQ(state().maxSeconds, 0);
  }
}

TEST_F(ControlTest, ALengthWithTrailingWordsKeepsItsWholeText) {
  Open();
  EXPECT_EQ(control.SetMaxFileLengthInSecond(u"90 sec"), kSOk);
  EXPECT_EQ(state().maxSeconds, 90);
  EXPECT_EQ(state().maxLength, "90 sec");
  EXPECT_EQ(WideText(state().wide.maxLength), u"90 sec");
  EXPECT_EQ(Item(kTrackbar).rangeMax, 90);
  EXPECT_EQ(Item(kTrackbar).ticFrequency, 10);
}

TEST_F(ControlTest, FileNamesWithFolderPartsAreRefused) {
  ASSERT_EQ(control.SetFileName(u"keep.wav"), kSOk);
  for (const char16_t* name : {u"..\\x", u"a/b", u"c:x", u".", u"..", u"a\\b.wav", u"x\ny"}) {
    EXPECT_EQ(control.SetFileName(std::u16string(name)), kEInvalidArg);
  }
  EXPECT_EQ(WideText(state().wide.fileName), u"keep.wav");
  EXPECT_EQ(state().fileName, "keep.wav");
  EXPECT_EQ(state().fullPath, "keep.wav");
}

// A narrow copy is the C string the wide one stands for.
TEST_F(ControlTest, NarrowCopiesEndAtTheFirstNul) {
  ASSERT_EQ(control.SetSession(std::u16string(u"tok\0en", 6)), kSOk);
  EXPECT_EQ(state().session, "tok");
  EXPECT_EQ(WideText(state().wide.session).size(), 6u);
}

TEST_F(ControlTest, TheFullPathIsTheBareNameBeforeThePanelAndTheFolderAfter) {
  EXPECT_EQ(WideText(control.LocalFullFileName()), u"");
  ASSERT_EQ(control.SetFileName(u"take1.wav"), kSOk);
  EXPECT_EQ(WideText(control.LocalFullFileName()), u"take1.wav");
  Open();
  EXPECT_EQ(WideText(control.LocalFullFileName()), u"c:\\take1.wav");
  EXPECT_EQ(WideText(state().wide.fullPath), u"c:\\take1.wav");

  ASSERT_EQ(control.SetFileName(u"take2.wav"), kSOk);
  EXPECT_EQ(Item(kStatusBox).text, "c:\\take2.wav");
  ASSERT_EQ(control.SetFileName(u""), kSOk);
  EXPECT_EQ(state().fullPath, "c:\\");
}

TEST_F(ControlTest, SoundFileNameGivesTheWideName) {
  EXPECT_EQ(WideText(control.SoundFileName()), u"lumo_default.wav");
  ASSERT_EQ(control.SetFileName(std::nullopt), kSOk);
  EXPECT_FALSE(control.SoundFileName().has_value());
  EXPECT_EQ(state().fileName, "");
}

TEST_F(ControlTest, ANullSettingReadsAsEmpty) {
  ASSERT_EQ(control.SetSession(u"s-1"), kSOk);
  EXPECT_EQ(state().session, "s-1");
  EXPECT_EQ(control.SetSession(std::nullopt), kSOk);
  EXPECT_FALSE(state().wide.session.has_value());
  EXPECT_EQ(state().session, "");
  EXPECT_EQ(state().bagDirty, 0);
}

// A bag whose entries may be strings or other values, and whose writes may
// fail.
class TestBag : public PropertyBag {
 public:
  static constexpr Result kMissing = static_cast<Result>(0x80070057u);

  Result Read(const std::u16string& key, WideString* value, bool* isString) override {
    reads.push_back(key);
    if (numbers.count(key) != 0) {
      *isString = false;
      return kSOk;
    }
    const auto it = strings.find(key);
    if (it == strings.end()) {
      return kMissing;
    }
    *value = it->second;
    *isString = true;
    return kSOk;
  }
  Result Write(const std::u16string& key, const WideString& value) override {
    if (failWrites) {
      return kEFail;
    }
    written[key] = value;
    return kSOk;
  }

  std::map<std::u16string, WideString> strings;
  std::map<std::u16string, int> numbers;
  std::map<std::u16string, WideString> written;
  std::vector<std::u16string> reads;
  bool failWrites = false;
};

TEST_F(ControlTest, ABagWithOnlyAFileNameSetsItAndReportsTheMissingDrive) {
  TestBag bag;
  bag.strings[u"FileName"] = u"msg.wav";
  state().wide.session = u"earlier";
  EXPECT_EQ(control.LoadFromBag(bag), TestBag::kMissing);
  EXPECT_EQ(bag.reads, (std::vector<std::u16string>{u"FileName", u"Session", u"TargetDir", u"User",
                                                    u"Domain", u"Host", u"PDrive"}));
  EXPECT_EQ(WideText(state().wide.fileName), u"msg.wav");
  EXPECT_EQ(WideText(state().wide.session), u"earlier");
  EXPECT_EQ(state().bagDirty, 1);
  EXPECT_EQ(state().fileName, "");  // the narrow side follows at start-up
}

TEST_F(ControlTest, ABagWithAllSevenKeysSetsAllWideFields) {
  TestBag bag;
  const std::pair<const char16_t*, WideString RecorderState::Wide::*> keys[] = {
      {u"FileName", &RecorderState::Wide::fileName},   {u"Session", &RecorderState::Wide::session},
      {u"TargetDir", &RecorderState::Wide::targetDir}, {u"User", &RecorderState::Wide::user},
      {u"Domain", &RecorderState::Wide::domain},       {u"Host", &RecorderState::Wide::host},
      {u"PDrive", &RecorderState::Wide::pDrive}};
  for (const auto& key : keys) {
    bag.strings[key.first] = std::u16string(key.first) + u"-value";
  }
  EXPECT_EQ(control.LoadFromBag(bag), kSOk);
  for (const auto& key : keys) {
    EXPECT_EQ(WideText(state().wide.*key.second), std::u16string(key.first) + u"-value");
  }
}

TEST_F(ControlTest, ABagTakesOnlyStringsAndPlainFileNames) {
  TestBag bag;
  bag.numbers[u"Session"] = 42;
  bag.strings[u"FileName"] = u"..\\..\\evil.wav";
  bag.strings[u"PDrive"] = u"P";
  EXPECT_EQ(control.LoadFromBag(bag), kSOk);
  EXPECT_FALSE(state().wide.session.has_value());
  EXPECT_EQ(WideText(state().wide.fileName), u"lumo_default.wav");
  EXPECT_EQ(WideText(state().wide.pDrive), u"P");
}

// On a single-byte code page, look-alikes of the separators would become
// real ones in the narrow copy, and other characters would be replaced.
TEST_F(ControlTest, FileNamesAreJudgedAsTheCodePageConvertsThem) {
  memory.kernel.SetCodePage(MemoryKernel::CodePage::kLatin1);
  ASSERT_EQ(control.SetFileName(u"caf\u00e9.wav"), kSOk);
  EXPECT_EQ(state().fileName, "caf\xE9.wav");
  for (const char16_t* name : {u"..\uFF3C..\uFF3Cx.wav", u"a\uFF0Fb", u"a\u2215b", u"c\uFF1Ax",
                               u"\uFF0E\uFF0E", u"\u4f60.wav"}) {
    EXPECT_EQ(control.SetFileName(std::u16string(name)), kEInvalidArg);
    TestBag bag;
    bag.strings[u"FileName"] = name;
    control.LoadFromBag(bag);
  }
  EXPECT_EQ(WideText(state().wide.fileName), u"caf\u00e9.wav");
  EXPECT_EQ(state().fullPath, "caf\xE9.wav");
}

TEST_F(ControlTest, SavingWithoutSaveAllNeedsALoadAndANonDefaultName) {
  TestBag out;
  EXPECT_EQ(control.SaveToBag(out, true, false), kEFail);  // nothing loaded
  EXPECT_TRUE(out.written.empty());

  ASSERT_EQ(control.SetFileName(u"other.wav"), kSOk);
  EXPECT_EQ(control.SaveToBag(out, true, false), kEFail);  // setters do not dirty the bag

  TestBag in;
  in.strings[u"FileName"] = u"lumo_default.wav";
  control.LoadFromBag(in);
  EXPECT_EQ(control.SaveToBag(out, true, false), kEFail);  // the default name
  EXPECT_TRUE(out.written.empty());

  in.strings[u"FileName"] = u"msg.wav";
  control.LoadFromBag(in);
  out.failWrites = true;
  EXPECT_EQ(control.SaveToBag(out, true, false), kEFail);
  EXPECT_EQ(state().bagDirty, 1);  // a failed write keeps it
  out.failWrites = false;
  EXPECT_EQ(control.SaveToBag(out, false, false), kSOk);
  EXPECT_EQ(state().bagDirty, 1);  // not asked to clear
  EXPECT_EQ(control.SaveToBag(out, true, false), kSOk);
  EXPECT_EQ(state().bagDirty, 0);
  EXPECT_EQ(out.written.size(), 1u);
  EXPECT_EQ(WideText(out.written[u"FileName"]), u"msg.wav");
}

TEST_F(ControlTest, SaveAllAlwaysWritesTheFileName) {
  TestBag out;
  EXPECT_EQ(control.SaveToBag(out, true, true), kSOk);
  EXPECT_EQ(WideText(out.written[u"FileName"]), u"lumo_default.wav");
  EXPECT_EQ(out.written.size(), 1u);
}

}  // namespace
}  // namespace tamborix
