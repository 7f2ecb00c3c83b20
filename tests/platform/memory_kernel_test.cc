// The in-memory kernel: files and folders, faults, message boxes,
// environment, text conversion and the calendar clock.
#include <gtest/gtest.h>

#include <thread>

#include "platform/memory/memory_kernel.h"

namespace tamborix {
namespace {

class MemoryKernelTest : public ::testing::Test {
 protected:
  MemoryClock clock_;
  MemoryKernel kernel_{clock_};
};

TEST_F(MemoryKernelTest, MakeDirectoryNeedsItsParentAndFailsWhenItExists) {
  EXPECT_FALSE(kernel_.MakeDirectory("D:\\Profiles\\u1\\My Documents\\"));
  kernel_.AddDirectory("D:\\Profiles\\u1");
  EXPECT_TRUE(kernel_.DirectoryExists("D:\\Profiles"));
  EXPECT_TRUE(kernel_.MakeDirectory("D:\\Profiles\\u1\\My Documents\\"));
  EXPECT_FALSE(kernel_.MakeDirectory("D:\\Profiles\\u1\\My Documents\\"));
  EXPECT_TRUE(kernel_.MakeDirectory("D:\\Profiles\\u1\\My Documents\\LumoRecorder\\"));
  EXPECT_TRUE(kernel_.DirectoryExists("D:\\Profiles\\u1\\My Documents\\LumoRecorder"));
  EXPECT_TRUE(kernel_.DirectoryExists("D:\\Profiles\\u1\\My Documents\\LumoRecorder\\"));
  EXPECT_FALSE(kernel_.DirectoryExists("d:\\profiles"));  // exact bytes
}

TEST_F(MemoryKernelTest, DriveRootsAlwaysExistAndCannotBeMade) {
  EXPECT_TRUE(kernel_.DirectoryExists("c:\\"));
  EXPECT_TRUE(kernel_.DirectoryExists("D:\\"));
  EXPECT_FALSE(kernel_.MakeDirectory("c:\\"));
  EXPECT_TRUE(kernel_.MakeDirectory("c:\\rec"));
}

TEST_F(MemoryKernelTest, SaveFileNeedsTheFolderWriteFileDoesNot) {
  EXPECT_FALSE(kernel_.SaveFile("c:\\rec\\a.wav", "x"));
  kernel_.WriteFile("c:\\rec\\a.wav", "x");
  EXPECT_TRUE(kernel_.FileExists("c:\\rec\\a.wav"));
  kernel_.AddDirectory("c:\\rec");
  EXPECT_TRUE(kernel_.SaveFile("c:\\rec\\b.wav", "y"));
  EXPECT_FALSE(kernel_.SaveFile("c:\\rec", "z"));  // a folder
  EXPECT_EQ((std::vector<std::string>{"c:\\rec\\a.wav", "c:\\rec\\b.wav"}), kernel_.ListFiles());
}

TEST_F(MemoryKernelTest, MoveIntoPlaceReplacesAndCanBeMadeToFail) {
  kernel_.WriteFile("c:\\new.tmp", "new");
  kernel_.WriteFile("c:\\job.txt", "old");
  kernel_.FailMoveIntoPlace();
  EXPECT_FALSE(kernel_.MoveIntoPlace("c:\\new.tmp", "c:\\job.txt"));
  std::string bytes;
  ASSERT_TRUE(kernel_.ReadFile("c:\\job.txt", &bytes));
  EXPECT_EQ("old", bytes);
  EXPECT_TRUE(kernel_.MoveIntoPlace("c:\\new.tmp", "c:\\job.txt"));
  ASSERT_TRUE(kernel_.ReadFile("c:\\job.txt", &bytes));
  EXPECT_EQ("new", bytes);
  EXPECT_FALSE(kernel_.FileExists("c:\\new.tmp"));
  EXPECT_FALSE(kernel_.MoveIntoPlace("c:\\new.tmp", "c:\\job.txt"));
  kernel_.WriteFile("c:\\x", "x");
  EXPECT_FALSE(kernel_.MoveIntoPlace("c:\\x", "c:\\missing\\x"));
}

TEST_F(MemoryKernelTest, ReadableFileGivesSizeAndBytesAndInjectedFailures) {
  kernel_.WriteFile("c:\\a.bin", "0123456789");
  auto file = kernel_.OpenForReading("c:\\a.bin");
  ASSERT_NE(nullptr, file);
  uint64_t size = 0;
  ASSERT_TRUE(file->Size(&size));
  EXPECT_EQ(10u, size);
  char buffer[8];
  EXPECT_EQ(8u, file->Read(buffer, 8));
  EXPECT_EQ(2u, file->Read(buffer, 8));
  EXPECT_EQ(0u, file->Read(buffer, 8));
  EXPECT_FALSE(file->Failed());
  EXPECT_EQ(nullptr, kernel_.OpenForReading("c:\\none.bin"));

  kernel_.FailOpenForReading();
  EXPECT_EQ(nullptr, kernel_.OpenForReading("c:\\a.bin"));
  kernel_.FailReadAfter(4);
  file = kernel_.OpenForReading("c:\\a.bin");
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(4u, file->Read(buffer, 8));
  EXPECT_EQ(0u, file->Read(buffer, 8));
  EXPECT_TRUE(file->Failed());
  file = kernel_.OpenForReading("c:\\a.bin");  // faults were used up
  EXPECT_EQ(8u, file->Read(buffer, 8));
}

TEST_F(MemoryKernelTest, MessageBoxesAreLoggedAndTheHookRunsInside) {
  std::vector<size_t> seenDuring;
  kernel_.SetMessageBoxHook([&](const std::string&) {
    seenDuring.push_back(kernel_.MessageBoxes().size());
    clock_.Advance(1000);  // the modal loop lets time pass
  });
  kernel_.ShowMessageBox("recording in process...");
  kernel_.ShowMessageBox("Time Up ! Save to file Done");
  EXPECT_EQ((std::vector<size_t>{1, 2}), seenDuring);
  EXPECT_EQ(2000, clock_.NowMs());
  EXPECT_EQ((std::vector<std::string>{"recording in process...", "Time Up ! Save to file Done"}),
            kernel_.TakeMessageBoxes());
  EXPECT_TRUE(kernel_.MessageBoxes().empty());
}

TEST_F(MemoryKernelTest, EnvironmentEmptyValueCountsAsUnset) {
  std::string value = "untouched";
  EXPECT_FALSE(kernel_.GetEnvironment("USERPROFILE", &value));
  kernel_.SetEnvironment("USERPROFILE", "D:\\Profiles\\u1");
  EXPECT_TRUE(kernel_.GetEnvironment("USERPROFILE", &value));
  EXPECT_EQ("D:\\Profiles\\u1", value);
  kernel_.SetEnvironment("USERPROFILE", "");
  EXPECT_FALSE(kernel_.GetEnvironment("USERPROFILE", &value));
}

TEST_F(MemoryKernelTest, LanguageAndCalendarTime) {
  EXPECT_EQ(0x0409, kernel_.DefaultLanguageId());
  kernel_.SetLanguageId(0x0404);
  EXPECT_EQ(0x0404, kernel_.DefaultLanguageId());
  EXPECT_EQ(1700000000, kernel_.Now());
  clock_.Advance(2500);
  EXPECT_EQ(1700000002, kernel_.Now());
  kernel_.SetNow(86400);
  EXPECT_EQ(86400, kernel_.Now());
  clock_.Advance(1000);
  EXPECT_EQ(86401, kernel_.Now());
}

TEST_F(MemoryKernelTest, ExactConversionTellsWhatTheCodePageCannotHold) {
  std::string narrow;
  EXPECT_TRUE(kernel_.WideToNarrowExact(u"\u9304\uFF3C", &narrow));
  EXPECT_EQ("\xE9\x8C\x84\xEF\xBC\xBC", narrow);
  EXPECT_FALSE(kernel_.WideToNarrowExact(std::u16string(1, char16_t(0xD800)), &narrow));
  EXPECT_EQ("ab", kernel_.WideToNarrow(std::u16string(u"ab\0c", 4)));

  kernel_.SetCodePage(MemoryKernel::CodePage::kLatin1);
  EXPECT_EQ("\\/:.?\xE9", kernel_.WideToNarrow(u"\uFF3C\u2215\uFF1A\uFF0E\u4f60\u00e9"));
  EXPECT_EQ(u"\u00e9", kernel_.NarrowToWide("\xE9"));
  EXPECT_EQ("\xE9?", kernel_.Utf8ToNarrow("\xC3\xA9\xE9\x8C\x84"));
  EXPECT_TRUE(kernel_.WideToNarrowExact(u"\u00e9", &narrow));
  EXPECT_EQ("\xE9", narrow);
  EXPECT_FALSE(kernel_.WideToNarrowExact(u"a\uFF3Cb", &narrow));
  EXPECT_EQ("a?b", narrow);
  EXPECT_TRUE(kernel_.WideToNarrowExact(std::u16string(u"ab\0\u4f60", 4), &narrow));
  EXPECT_EQ("ab", narrow);
}

TEST_F(MemoryKernelTest, FilesCanBeOpenedWhileAnotherThreadShowsBoxes) {
  kernel_.WriteFile("c:\\a.bin", std::string(1000, 'a'));
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) {
      auto file = kernel_.OpenForReading("c:\\a.bin");
      kernel_.ShowMessageBox("worker");
      (void)kernel_.Now();
    }
  });
  for (int i = 0; i < 200; ++i) {
    kernel_.WriteFile("c:\\b.bin", "b");
    kernel_.ShowMessageBox("ui");
  }
  worker.join();
  EXPECT_EQ(400u, kernel_.MessageBoxes().size());
}

}  // namespace
}  // namespace tamborix
