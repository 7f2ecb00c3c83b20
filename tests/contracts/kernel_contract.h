// The rules of platform/kernel.h that every kernel keeps, written once: the
// in-memory and POSIX kernels run them natively, the Win32 one under Wine.
// What only one kernel does (kept error codes, injected faults, path
// translation, its code page) stays in that kernel's own tests.
//
// A subject gives the cases its kernel and a scratch folder:
//   Kernel& kernel();
//   std::string Path(name);           `name` inside a scratch folder of its own
//   void Put(path, bytes);            writes a file behind the kernel's back
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/kernel.h"

namespace tamborix {

template <typename Subject>
class KernelContract : public ::testing::Test {
 protected:
  Kernel& kernel() { return subject_.kernel(); }
  std::string Path(const std::string& name) { return subject_.Path(name); }
  void Put(const std::string& path, const std::string& bytes) { subject_.Put(path, bytes); }
  std::string ReadAll(const std::string& path) {
    std::unique_ptr<ReadableFile> file = kernel().OpenForReading(path);
    if (!file) {
      return "<none>";
    }
    std::string bytes;
    char buffer[4];
    for (size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) {
      bytes.append(buffer, n);
    }
    return bytes;
  }

  Subject subject_;
};

TYPED_TEST_SUITE_P(KernelContract);

TYPED_TEST_P(KernelContract, MakeDirectoryMakesOneLevelAndFailsWhenItExists) {
  Kernel& kernel = this->kernel();
  EXPECT_FALSE(kernel.MakeDirectory(this->Path("a\\b")));
  EXPECT_TRUE(kernel.MakeDirectory(this->Path("a\\")));
  EXPECT_FALSE(kernel.MakeDirectory(this->Path("a\\")));
  EXPECT_TRUE(kernel.MakeDirectory(this->Path("a\\b")));
}

TYPED_TEST_P(KernelContract, RemoveAndMoveIntoPlace) {
  Kernel& kernel = this->kernel();
  const std::string temporary = this->Path("new.tmp");
  const std::string target = this->Path("job.txt");
  this->Put(temporary, "new");
  this->Put(target, "old");
  EXPECT_TRUE(kernel.MoveIntoPlace(temporary, target));
  EXPECT_EQ("new", this->ReadAll(target));
  EXPECT_EQ("<none>", this->ReadAll(temporary));
  EXPECT_FALSE(kernel.MoveIntoPlace(temporary, target));
  EXPECT_EQ("new", this->ReadAll(target));
  EXPECT_TRUE(kernel.RemoveFile(target));
  EXPECT_FALSE(kernel.RemoveFile(target));
}

TYPED_TEST_P(KernelContract, MoveWithoutReplacingLeavesAnExistingFile) {
  Kernel& kernel = this->kernel();
  const std::string temporary = this->Path("new.tmp");
  const std::string target = this->Path("job.txt");
  this->Put(temporary, "new");
  this->Put(target, "old");
  EXPECT_FALSE(kernel.MoveWithoutReplacing(temporary, target));
  EXPECT_EQ("old", this->ReadAll(target));
  EXPECT_TRUE(kernel.MoveWithoutReplacing(temporary, this->Path("job-2.txt")));
  EXPECT_EQ("new", this->ReadAll(this->Path("job-2.txt")));
  EXPECT_EQ("<none>", this->ReadAll(temporary));
}

TYPED_TEST_P(KernelContract, ReadableFileGivesItsSizeWithoutMovingAndAllItsBytes) {
  const std::string bytes("RIFF\0\x01\xFF\r\n", 9);
  const std::string path = this->Path("a.wav");
  this->Put(path, bytes);
  std::unique_ptr<ReadableFile> file = this->kernel().OpenForReading(path);
  ASSERT_NE(nullptr, file);
  char buffer[16];
  ASSERT_EQ(4u, file->Read(buffer, 4));
  uint64_t size = 0;
  ASSERT_TRUE(file->Size(&size));
  EXPECT_EQ(9u, size);
  ASSERT_EQ(5u, file->Read(buffer + 4, 16));
  EXPECT_EQ(bytes, std::string(buffer, 9));
  EXPECT_EQ(0u, file->Read(buffer, 16));
  EXPECT_FALSE(file->Failed());
  EXPECT_EQ(nullptr, this->kernel().OpenForReading(this->Path("none.wav")));
}

TYPED_TEST_P(KernelContract, PlainTextSurvivesTheRoundTripAndANarrowCopyEndsAtNul) {
  Kernel& kernel = this->kernel();
  const std::u16string wide = u"lumo_default.wav 120 \\rec\\";
  EXPECT_EQ("lumo_default.wav 120 \\rec\\", kernel.WideToNarrow(wide));
  EXPECT_EQ(wide, kernel.NarrowToWide(kernel.WideToNarrow(wide)));
  std::string exact;
  EXPECT_TRUE(kernel.WideToNarrowExact(wide, &exact));
  EXPECT_EQ("lumo_default.wav 120 \\rec\\", exact);
  EXPECT_EQ("ab", kernel.WideToNarrow(std::u16string(u"ab\0cd", 5)));
  EXPECT_EQ("", kernel.WideToNarrow(u""));
  for (int byte = 0; byte < 0x80; ++byte) {
    EXPECT_FALSE(kernel.IsLeadByte(static_cast<unsigned char>(byte))) << byte;
  }
}

TYPED_TEST_P(KernelContract, AnyThreadMayOpenFilesAndReadTheClock) {
  const std::string path = this->Path("a.bin");
  this->Put(path, std::string(100, 'a'));
  Kernel& kernel = this->kernel();
  std::string read;
  int64_t now = 0;
  std::thread worker([&] {
    std::unique_ptr<ReadableFile> file = kernel.OpenForReading(path);
    char buffer[200];
    read.assign(buffer, file ? file->Read(buffer, sizeof buffer) : 0);
    now = kernel.Now();
  });
  worker.join();
  EXPECT_EQ(std::string(100, 'a'), read);
  EXPECT_GT(now, 0);
}

REGISTER_TYPED_TEST_SUITE_P(KernelContract, MakeDirectoryMakesOneLevelAndFailsWhenItExists,
                            RemoveAndMoveIntoPlace, MoveWithoutReplacingLeavesAnExistingFile,
                            ReadableFileGivesItsSizeWithoutMovingAndAllItsBytes,
                            PlainTextSurvivesTheRoundTripAndANarrowCopyEndsAtNul,
                            AnyThreadMayOpenFilesAndReadTheClock);

}  // namespace tamborix
