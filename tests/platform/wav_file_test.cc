// Building and reading RIFF/WAVE files, and the test signal.
#include <gtest/gtest.h>

#include "platform/memory/wav_file.h"

namespace tamborix {
namespace {

TEST(WavFileTest, BuiltFileReadsBack) {
  const std::string data = TestSignal(WavFormat(), 0, 1600);
  const std::string file = BuildWavFile(WavFormat(), data);
  EXPECT_EQ(kWavFileHeaderBytes + data.size(), file.size());
  WavFormat format;
  format.samplesPerSec = 1;
  std::string read;
  ASSERT_TRUE(ParseWavFile(file, &format, &read));
  EXPECT_EQ(8000u, format.samplesPerSec);
  EXPECT_EQ(16u, format.bitsPerSample);
  EXPECT_EQ(data, read);
}

TEST(WavFileTest, ReaderWalksOverOtherChunksAndLongerFormatChunks) {
  std::string file = BuildWavFile(WavFormat(), "abcd");
  // Put a "LIST" chunk of odd size (padded) between "fmt " and "data", and
  // grow the fmt chunk by 2 bytes (cbSize), as other writers do.
  std::string fmt = file.substr(12, 24);
  fmt[4] = 18;
  fmt += std::string(2, '\0');
  const std::string list = std::string("LIST") + std::string("\x03\0\0\0", 4) + "xyz" + '\0';
  const std::string rebuilt = file.substr(0, 12) + fmt + list + file.substr(36);
  WavFormat format;
  std::string data;
  ASSERT_TRUE(ParseWavFile(rebuilt, &format, &data));
  EXPECT_EQ("abcd", data);
}

TEST(WavFileTest, ReaderRefusesTruncatedAndForeignFiles) {
  const std::string file = BuildWavFile(WavFormat(), std::string(100, 'x'));
  WavFormat format;
  std::string data;
  EXPECT_FALSE(ParseWavFile(file.substr(0, 60), &format, &data));  // data chunk cut short
  EXPECT_FALSE(ParseWavFile("", &format, &data));
  std::string riff = file;
  riff[8] = 'A';  // "AAVE"
  EXPECT_FALSE(ParseWavFile(riff, &format, &data));
  std::string noFormat = file.substr(0, 12) + file.substr(36);
  EXPECT_FALSE(ParseWavFile(noFormat, &format, &data));
}

TEST(WavFileTest, TestSignalIsAToneThatDependsOnlyOnItsOffset) {
  const WavFormat format;
  const std::string whole = TestSignal(format, 0, 320);
  EXPECT_EQ(whole.substr(100, 120), TestSignal(format, 100, 120));
  // 500 Hz at 8000 Hz repeats every 16 samples (32 bytes).
  EXPECT_EQ(whole.substr(0, 32), whole.substr(32, 32));
  EXPECT_NE(whole.substr(0, 16), whole.substr(16, 16));
}

}  // namespace
}  // namespace tamborix
