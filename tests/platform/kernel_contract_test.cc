// The kernel contract on the in-memory and POSIX kernels, and what these two
// share beyond it: their narrow text is UTF-8.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_kernel.h"
#include "platform/posix/posix_kernel.h"
#include "tests/contracts/kernel_contract.h"

namespace tamborix {
namespace {

struct MemoryKernelUnderTest {
  Kernel& kernel() { return memory; }
  static std::string Path(const std::string& name) { return "c:\\" + name; }
  void Put(const std::string& path, const std::string& bytes) { memory.WriteFile(path, bytes); }
  MemoryClock clock;
  MemoryKernel memory{clock};
};

struct PosixKernelUnderTest {
  PosixKernelUnderTest() {
    char pattern[] = "/tmp/tamborix-contract-XXXXXX";
    if (mkdtemp(pattern) != nullptr) {
      root = pattern;
    }
    posix = std::make_unique<PosixKernel>(root);
  }
  ~PosixKernelUnderTest() { std::system(("rm -rf '" + root + "'").c_str()); }
  Kernel& kernel() { return *posix; }
  static std::string Path(const std::string& name) { return "c:\\" + name; }
  void Put(const std::string& path, const std::string& bytes) {
    std::ofstream out(posix->LocalPath(path), std::ios::binary);
    out << bytes;
  }
  std::string root;
  std::unique_ptr<PosixKernel> posix;
};

using Kernels = ::testing::Types<MemoryKernelUnderTest, PosixKernelUnderTest>;
INSTANTIATE_TYPED_TEST_SUITE_P(Native, KernelContract, Kernels);

template <typename Subject>
class Utf8Kernel : public KernelContract<Subject> {};
TYPED_TEST_SUITE(Utf8Kernel, Kernels);

TYPED_TEST(Utf8Kernel, TextIsUtf8AndMalformedInputBecomesReplacements) {
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

}  // namespace
}  // namespace tamborix
