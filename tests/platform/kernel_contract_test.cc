// The rules of platform/kernel.h, written once and run against every kernel:
// the in-memory one and the POSIX one here, the Win32 one under Wine later.
// What only one kernel does (kept error codes, injected faults, path
// translation) stays in that kernel's own tests.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "platform/kernel.h"
#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_kernel.h"
#include "platform/posix/posix_kernel.h"

namespace tamborix {
namespace {

// Each implementation: a fresh kernel, and a way to put a file in its place
// behind the interface's back.
struct MemoryKernelUnderTest {
  MemoryClock clock;
  MemoryKernel kernel{clock};
  void Put(const std::string& path, const std::string& bytes) { kernel.WriteFile(path, bytes); }
};

struct PosixKernelUnderTest {
  PosixKernelUnderTest() {
    char pattern[] = "/tmp/tamborix-contract-XXXXXX";
    if (mkdtemp(pattern) != nullptr) {
      root = pattern;
    }
    kernel = std::make_unique<PosixKernel>(root);
  }
  ~PosixKernelUnderTest() { std::system(("rm -rf '" + root + "'").c_str()); }
  void Put(const std::string& path, const std::string& bytes) {
    std::ofstream out(kernel->LocalPath(path), std::ios::binary);
    out << bytes;
  }
  std::string root;
  std::unique_ptr<PosixKernel> kernel;
};

template <typename Subject>
class KernelContract : public ::testing::Test {
 protected:
  Kernel& kernel() { return Get(subject_); }
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

 private:
  static Kernel& Get(MemoryKernelUnderTest& s) { return s.kernel; }
  static Kernel& Get(PosixKernelUnderTest& s) { return *s.kernel; }
  Subject subject_;
};

using Kernels = ::testing::Types<MemoryKernelUnderTest, PosixKernelUnderTest>;
TYPED_TEST_SUITE(KernelContract, Kernels);

TYPED_TEST(KernelContract, MakeDirectoryMakesOneLevelAndFailsWhenItExists) {
  Kernel& kernel = this->kernel();
  EXPECT_FALSE(kernel.MakeDirectory("c:\\a\\b"));
  EXPECT_TRUE(kernel.MakeDirectory("c:\\a\\"));
  EXPECT_FALSE(kernel.MakeDirectory("c:\\a\\"));
  EXPECT_TRUE(kernel.MakeDirectory("c:\\a\\b"));
}

TYPED_TEST(KernelContract, RemoveAndMoveIntoPlace) {
  Kernel& kernel = this->kernel();
  this->Put("c:\\new.tmp", "new");
  this->Put("c:\\job.txt", "old");
  EXPECT_TRUE(kernel.MoveIntoPlace("c:\\new.tmp", "c:\\job.txt"));
  EXPECT_EQ("new", this->ReadAll("c:\\job.txt"));
  EXPECT_EQ("<none>", this->ReadAll("c:\\new.tmp"));
  EXPECT_FALSE(kernel.MoveIntoPlace("c:\\new.tmp", "c:\\job.txt"));
  EXPECT_TRUE(kernel.RemoveFile("c:\\job.txt"));
  EXPECT_FALSE(kernel.RemoveFile("c:\\job.txt"));
}

TYPED_TEST(KernelContract, MoveWithoutReplacingLeavesAnExistingFile) {
  Kernel& kernel = this->kernel();
  this->Put("c:\\new.tmp", "new");
  this->Put("c:\\job.txt", "old");
  EXPECT_FALSE(kernel.MoveWithoutReplacing("c:\\new.tmp", "c:\\job.txt"));
  EXPECT_EQ("old", this->ReadAll("c:\\job.txt"));
  EXPECT_TRUE(kernel.MoveWithoutReplacing("c:\\new.tmp", "c:\\job-2.txt"));
  EXPECT_EQ("new", this->ReadAll("c:\\job-2.txt"));
  EXPECT_EQ("<none>", this->ReadAll("c:\\new.tmp"));
}

TYPED_TEST(KernelContract, ReadableFileGivesItsSizeWithoutMovingAndAllItsBytes) {
  const std::string bytes("RIFF\0\x01\xFF\r\n", 9);
  this->Put("c:\\a.wav", bytes);
  std::unique_ptr<ReadableFile> file = this->kernel().OpenForReading("c:\\a.wav");
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
  EXPECT_EQ(nullptr, this->kernel().OpenForReading("c:\\none.wav"));
}

TYPED_TEST(KernelContract, TextIsUtf8AndMalformedInputBecomesReplacements) {
  Kernel& kernel = this->kernel();
  const std::u16string wide = u"lumo \u9304\u97f3 \U0001F3A4";
  const std::string narrow = kernel.WideToNarrow(wide);
  EXPECT_EQ("lumo \xE9\x8C\x84\xE9\x9F\xB3 \xF0\x9F\x8E\xA4", narrow);
  EXPECT_EQ(wide, kernel.NarrowToWide(narrow));
  EXPECT_EQ(narrow, kernel.Utf8ToNarrow(narrow));
  EXPECT_EQ(u"a\uFFFDb", kernel.NarrowToWide("a\xFF"
                                             "b"));
  EXPECT_EQ(u"\uFFFD", kernel.NarrowToWide("\xE9\x8C"));        // cut short
  EXPECT_EQ(u"\uFFFD\uFFFD", kernel.NarrowToWide("\xC0\xAF"));  // overlong, byte by byte
  EXPECT_EQ("\xEF\xBF\xBD", kernel.WideToNarrow(std::u16string(1, char16_t(0xD800))));
  for (int byte = 0x80; byte < 0x100; ++byte) {
    EXPECT_FALSE(kernel.IsLeadByte(static_cast<unsigned char>(byte)));
  }
}

TYPED_TEST(KernelContract, AnyThreadMayOpenFilesAndReadTheClock) {
  this->Put("c:\\a.bin", std::string(100, 'a'));
  Kernel& kernel = this->kernel();
  std::string read;
  int64_t now = 0;
  std::thread worker([&] {
    std::unique_ptr<ReadableFile> file = kernel.OpenForReading("c:\\a.bin");
    char buffer[200];
    read.assign(buffer, file ? file->Read(buffer, sizeof buffer) : 0);
    now = kernel.Now();
  });
  worker.join();
  EXPECT_EQ(std::string(100, 'a'), read);
  EXPECT_GT(now, 0);
}

}  // namespace
}  // namespace tamborix
