// The POSIX kernel on a temporary folder: path translation, files and
// folders, kept errors, language from the locale, and text conversion.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/posix/posix_kernel.h"
#include "platform/posix/posix_language.h"

namespace tamborix {
namespace {

class PosixKernelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tamborix-kernel-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    root_ = pattern;
    kernel_ = std::make_unique<PosixKernel>(root_);
  }

  void TearDown() override {
    const std::string command = "rm -rf '" + root_ + "'";
    ASSERT_EQ(0, std::system(command.c_str()));
  }

  bool IsDir(const std::string& local) const {
    struct stat info {};
    return ::stat(local.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  void Put(const std::string& local, const std::string& bytes) const {
    std::ofstream out(local, std::ios::binary);
    out << bytes;
  }

  std::string root_;
  std::unique_ptr<PosixKernel> kernel_;
};

TEST_F(PosixKernelTest, WindowsPathsMapOntoTheDriveRoot) {
  EXPECT_EQ(root_ + "/My Documents/LumoRecorder/",
            kernel_->LocalPath("c:\\My Documents\\LumoRecorder\\"));
  EXPECT_EQ(root_ + "/a.wav", kernel_->LocalPath("D:a.wav"));
  EXPECT_EQ(root_ + "/", kernel_->LocalPath("c:\\"));
  EXPECT_EQ("/home/u/My Documents/", kernel_->LocalPath("/home/u\\My Documents\\"));
  EXPECT_EQ("/x/y", PosixKernel("/").LocalPath("C:\\x\\y"));
  EXPECT_EQ("/srv/t/x", PosixKernel("/srv/t/").LocalPath("c:\\x"));
}

TEST_F(PosixKernelTest, MakeDirectoryCreatesOneLevelAndKeepsTheErrno) {
  EXPECT_TRUE(kernel_->MakeDirectory("c:\\My Documents\\"));
  EXPECT_TRUE(IsDir(root_ + "/My Documents"));
  EXPECT_FALSE(kernel_->MakeDirectory("c:\\My Documents\\"));
  EXPECT_EQ(EEXIST, kernel_->LastError().code);
  EXPECT_FALSE(kernel_->LastError().text.empty());
  EXPECT_NE(std::string::npos, kernel_->LastError().operation.find("My Documents"));
  EXPECT_FALSE(kernel_->MakeDirectory("c:\\a\\b"));
  EXPECT_EQ(ENOENT, kernel_->LastError().code);
}

// Removing, moving and reading as such: kernel_contract_test.cc.
TEST_F(PosixKernelTest, FailedRemoveAndMoveKeepTheErrno) {
  Put(root_ + "/job.txt", "old");
  EXPECT_FALSE(kernel_->MoveIntoPlace("c:\\new.tmp", "c:\\job.txt"));
  EXPECT_EQ(ENOENT, kernel_->LastError().code);
  EXPECT_TRUE(kernel_->RemoveFile("c:\\job.txt"));
  EXPECT_FALSE(kernel_->RemoveFile("c:\\job.txt"));
  EXPECT_EQ(ENOENT, kernel_->LastError().code);
}

TEST_F(PosixKernelTest, FilesThatCannotBeOpenedKeepTheErrno) {
  EXPECT_EQ(nullptr, kernel_->OpenForReading("c:\\none.wav"));
  EXPECT_EQ(ENOENT, kernel_->LastError().code);
  EXPECT_EQ(nullptr, kernel_->OpenForReading("c:\\"));
  EXPECT_EQ(EISDIR, kernel_->LastError().code);
}

TEST_F(PosixKernelTest, EnvironmentEmptyCountsAsUnset) {
  std::string value;
  ::setenv("TAMBORIX_TEST_VALUE", "", 1);
  EXPECT_FALSE(kernel_->GetEnvironment("TAMBORIX_TEST_VALUE", &value));
  ::setenv("TAMBORIX_TEST_VALUE", "/home/u", 1);
  EXPECT_TRUE(kernel_->GetEnvironment("TAMBORIX_TEST_VALUE", &value));
  EXPECT_EQ("/home/u", value);
  ::unsetenv("TAMBORIX_TEST_VALUE");
  EXPECT_FALSE(kernel_->GetEnvironment("TAMBORIX_TEST_VALUE", &value));
}

TEST_F(PosixKernelTest, DefaultLanguageFollowsLcAllThenLang) {
  const char* saved[3] = {std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")};
  const std::string keep[3] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "",
                               saved[2] ? saved[2] : ""};
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::setenv("LANG", "zh_HK.UTF-8", 1);
  EXPECT_EQ(0x0C04, kernel_->DefaultLanguageId());
  ::setenv("LC_ALL", "zh_TW.UTF-8", 1);
  EXPECT_EQ(0x0404, kernel_->DefaultLanguageId());
  ::unsetenv("LC_ALL");
  ::unsetenv("LANG");
  EXPECT_EQ(0x0409, kernel_->DefaultLanguageId());
  const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (int i = 0; i < 3; ++i) {
    if (saved[i] != nullptr) {
      ::setenv(names[i], keep[i].c_str(), 1);
    }
  }
}

TEST(PosixLanguageTest, LocaleNamesMapToLanguageIds) {
  EXPECT_EQ(0x0404, LanguageIdForLocale("zh_TW"));
  EXPECT_EQ(0x0C04, LanguageIdForLocale("zh_HK.Big5HKSCS"));
  EXPECT_EQ(0x0804, LanguageIdForLocale("zh_CN.GB18030"));
  EXPECT_EQ(0x1004, LanguageIdForLocale("zh_SG"));
  EXPECT_EQ(0x1404, LanguageIdForLocale("zh_MO.UTF-8"));
  EXPECT_EQ(0x0809, LanguageIdForLocale("en_GB.UTF-8"));
  EXPECT_EQ(0x0407, LanguageIdForLocale("de_DE@euro"));
  EXPECT_EQ(0x0407, LanguageIdForLocale("de"));
  EXPECT_EQ(0x0411, LanguageIdForLocale("ja_JP.eucJP"));
  EXPECT_EQ(0x0409, LanguageIdForLocale("C.UTF-8"));
  EXPECT_EQ(0x0409, LanguageIdForLocale("POSIX"));
  EXPECT_EQ(0x0409, LanguageIdForLocale("xx_YY"));
  EXPECT_EQ(0x0409, LanguageIdForLocale(""));
}

TEST_F(PosixKernelTest, ExactConversionEndsAtNulAndRefusesLoneSurrogates) {
  std::string narrow;
  EXPECT_TRUE(kernel_->WideToNarrowExact(std::u16string(u"\uFF3C\0\xD800", 3), &narrow));
  EXPECT_EQ("\xEF\xBC\xBC", narrow);  // up to the NUL, and exact in UTF-8
  EXPECT_FALSE(kernel_->WideToNarrowExact(std::u16string(1, char16_t(0xDC00)), &narrow));
}

TEST_F(PosixKernelTest, TheClockIsTheSystems) {
  const int64_t before = static_cast<int64_t>(std::time(nullptr));
  const int64_t now = kernel_->Now();
  EXPECT_GE(now, before);
  EXPECT_LE(now, before + 5);
}

TEST_F(PosixKernelTest, MessageBoxGoesToStandardError) {
  ::testing::internal::CaptureStderr();
  kernel_->ShowMessageBox("Time Up ! Save to file Done");
  EXPECT_EQ("tamborix: Time Up ! Save to file Done\n", ::testing::internal::GetCapturedStderr());
}

}  // namespace
}  // namespace tamborix
