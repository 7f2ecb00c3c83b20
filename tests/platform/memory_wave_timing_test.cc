// The in-memory wave device over clock time: a recording's growth and end
// point, saving while recording, and the play notice.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/memory/memory_panel_window.h"
#include "platform/memory/memory_platform.h"
#include "platform/memory/wav_file.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

uint16_t U16At(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

class Recorder : public PanelMessageHandler {
 public:
  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override {
    if (message != kMmMciNotify) {
      return false;
    }
    notices.push_back({wParam, lParam});
    *result = 0;
    return true;
  }
  std::vector<std::pair<uintptr_t, intptr_t>> notices;
};

class WaveTimingTest : public ::testing::Test {
 protected:
  MciDeviceId StartRecording(uint32_t toMs) {
    MciDeviceId id = 0;
    EXPECT_EQ(0u, p_.device.Open(kOpenFlags, "", &id));
    WaveSetParams params;
    params.formatTag = 1;
    params.channels = 1;
    params.samplesPerSec = 8000;
    params.avgBytesPerSec = 16000;
    params.blockAlign = 2;
    params.bitsPerSample = 16;
    EXPECT_EQ(0u, p_.device.SetFormat(id, kSetFormatFlags, params));
    EXPECT_EQ(0u, p_.device.Record(id, kRecordFlags, 0, toMs));
    return id;
  }

  MciDeviceId OpenFileOfBytes(size_t dataBytes) {
    p_.kernel.WriteFile("c:\\play.wav", BuildWavFile(WavFormat(), std::string(dataBytes, '\1')));
    MciDeviceId id = 0;
    EXPECT_EQ(0u, p_.device.Open(kOpenFlags, "c:\\play.wav", &id));
    return id;
  }

  MemoryPlatform p_;
};

TEST_F(WaveTimingTest, RecordingGrowsWithTheClockAndStopsAtItsEndPoint) {
  const MciDeviceId id = StartRecording(3000);
  EXPECT_EQ(0, p_.device.RecordedMs(id));
  EXPECT_TRUE(p_.device.IsRecording(id));
  p_.clock.Advance(1250);
  EXPECT_EQ(1250, p_.device.RecordedMs(id));
  p_.clock.Advance(1750);
  EXPECT_EQ(3000, p_.device.RecordedMs(id));
  EXPECT_FALSE(p_.device.IsRecording(id));
  p_.clock.Advance(60000);
  EXPECT_EQ(3000, p_.device.RecordedMs(id));
}

TEST_F(WaveTimingTest, SaveWhileRecordingWritesAValidWavOfWhatIsThereSoFar) {
  p_.kernel.AddDirectory("D:\\Profiles\\u1\\My Documents\\LumoRecorder");
  const std::string path = "D:\\Profiles\\u1\\My Documents\\LumoRecorder\\lumo_default.wav";
  const MciDeviceId id = StartRecording(120000);
  p_.clock.Advance(2000);
  ASSERT_EQ(0u, p_.device.Save(id, kSaveFlags, path));
  EXPECT_TRUE(p_.device.IsRecording(id));  // saving does not stop the recording

  std::string file;
  ASSERT_TRUE(p_.kernel.ReadFile(path, &file));
  ASSERT_EQ(44u + 32000u, file.size());
  EXPECT_EQ(0, std::memcmp(file.data(), "RIFF", 4));
  EXPECT_EQ(file.size() - 8, U32At(file, 4));
  EXPECT_EQ(0, std::memcmp(file.data() + 8, "WAVEfmt ", 8));
  EXPECT_EQ(16u, U32At(file, 16));
  EXPECT_EQ(1u, U16At(file, 20));      // PCM
  EXPECT_EQ(1u, U16At(file, 22));      // mono
  EXPECT_EQ(8000u, U32At(file, 24));   // samples per second
  EXPECT_EQ(16000u, U32At(file, 28));  // bytes per second
  EXPECT_EQ(2u, U16At(file, 32));      // block alignment
  EXPECT_EQ(16u, U16At(file, 34));     // bits per sample
  EXPECT_EQ(0, std::memcmp(file.data() + 36, "data", 4));
  EXPECT_EQ(32000u, U32At(file, 40));
  const std::string sound = file.substr(44);
  EXPECT_NE(std::string(sound.size(), '\0'), sound);  // a signal, not silence

  // A later save holds the earlier sound as its beginning.
  p_.clock.Advance(1000);
  ASSERT_EQ(0u, p_.device.Save(id, kSaveFlags, path));
  std::string later;
  ASSERT_TRUE(p_.kernel.ReadFile(path, &later));
  EXPECT_EQ(44u + 48000u, later.size());
  EXPECT_EQ(sound, later.substr(44, sound.size()));
}

TEST_F(WaveTimingTest, SaveNeedsAnExistingFolderAndAName) {
  const MciDeviceId id = StartRecording(1000);
  p_.clock.Advance(1000);
  EXPECT_EQ(kMciErrFileNotSaved, p_.device.Save(id, kSaveFlags, "c:\\nowhere\\a.wav"));
  EXPECT_EQ(kMciErrUnnamedResource, p_.device.Save(id, kSaveFlags, ""));
  EXPECT_EQ(0u, p_.device.Save(id, kSaveFlags, "c:\\a.wav"));  // a drive root always exists
  EXPECT_TRUE(p_.kernel.FileExists("c:\\a.wav"));
}

TEST_F(WaveTimingTest, RecordingWithoutAFormatUsesTheDevicesOwnDefault) {
  MciDeviceId id = 0;
  ASSERT_EQ(0u, p_.device.Open(kOpenFlags, "", &id));
  ASSERT_EQ(0u, p_.device.Record(id, kRecordFlags, 0, 1000));
  p_.clock.Advance(1000);
  ASSERT_EQ(0u, p_.device.Save(id, kSaveFlags, "c:\\a.wav"));
  std::string file;
  ASSERT_TRUE(p_.kernel.ReadFile("c:\\a.wav", &file));
  EXPECT_EQ(11025u, U32At(file, 24));
  EXPECT_EQ(8u, U16At(file, 34));
  EXPECT_EQ(44u + 11025u, file.size());
}

TEST_F(WaveTimingTest, SavedRecordingPlaysForItsLengthThenNotifiesTheWindow) {
  const MciDeviceId recording = StartRecording(5000);
  p_.clock.Advance(1500);
  ASSERT_EQ(0u, p_.device.Save(recording, kSaveFlags, "c:\\a.wav"));

  MemoryPanelWindow window(p_.clock);
  Recorder handler;
  window.Open(&handler);
  MciDeviceId player = 0;
  ASSERT_EQ(0u, p_.device.Open(kOpenFlags, "c:\\a.wav", &player));
  ASSERT_EQ(0u, p_.device.Play(player, kPlayFlags, &window));
  EXPECT_TRUE(p_.device.IsPlaying(player));
  p_.clock.Advance(1499);
  EXPECT_TRUE(handler.notices.empty());
  p_.clock.Advance(1);
  ASSERT_EQ(1u, handler.notices.size());
  EXPECT_EQ(kMciNotifySuccessful, handler.notices[0].first);
  EXPECT_EQ(static_cast<intptr_t>(player), handler.notices[0].second);
  EXPECT_FALSE(p_.device.IsPlaying(player));
  p_.clock.Advance(10000);
  EXPECT_EQ(1u, handler.notices.size());
  // The device stays open after playing until it is closed.
  EXPECT_EQ(0u, p_.device.Close(player, kCloseFlags));
}

TEST_F(WaveTimingTest, PlayLengthIsRoundedUpToTheMillisecond) {
  MemoryPanelWindow window(p_.clock);
  Recorder handler;
  window.Open(&handler);
  const MciDeviceId id = OpenFileOfBytes(16002);  // 1000.125 ms
  ASSERT_EQ(0u, p_.device.Play(id, kPlayFlags, &window));
  p_.clock.Advance(1000);
  EXPECT_TRUE(handler.notices.empty());
  p_.clock.Advance(1);
  EXPECT_EQ(1u, handler.notices.size());
}

TEST_F(WaveTimingTest, EmptyFileNotifiesAtOnce) {
  MemoryPanelWindow window(p_.clock);
  Recorder handler;
  window.Open(&handler);
  const MciDeviceId id = OpenFileOfBytes(0);
  ASSERT_EQ(0u, p_.device.Play(id, kPlayFlags, &window));
  EXPECT_TRUE(handler.notices.empty());  // posted, not sent, from inside Play
  p_.clock.Advance(0);
  EXPECT_EQ(1u, handler.notices.size());
}

TEST_F(WaveTimingTest, CloseBeforeTheEndCancelsTheNotice) {
  MemoryPanelWindow window(p_.clock);
  Recorder handler;
  window.Open(&handler);
  const MciDeviceId id = OpenFileOfBytes(32000);
  ASSERT_EQ(0u, p_.device.Play(id, kPlayFlags, &window));
  p_.clock.Advance(1000);
  ASSERT_EQ(0u, p_.device.Close(id, kCloseFlags));
  p_.clock.Advance(5000);
  EXPECT_TRUE(handler.notices.empty());
}

TEST_F(WaveTimingTest, PlayingAgainSupersedesTheFirstNotice) {
  MemoryPanelWindow window(p_.clock);
  Recorder handler;
  window.Open(&handler);
  const MciDeviceId id = OpenFileOfBytes(16000);
  ASSERT_EQ(0u, p_.device.Play(id, kPlayFlags, &window));
  p_.clock.Advance(500);
  ASSERT_EQ(0u, p_.device.Play(id, kPlayFlags, &window));
  p_.clock.Advance(999);
  ASSERT_EQ(1u, handler.notices.size());
  EXPECT_EQ(kMciNotifySuperseded, handler.notices[0].first);
  p_.clock.Advance(1);
  ASSERT_EQ(2u, handler.notices.size());
  EXPECT_EQ(kMciNotifySuccessful, handler.notices[1].first);
}

TEST_F(WaveTimingTest, ClosingARecordingEndsIt) {
  const MciDeviceId id = StartRecording(10000);
  p_.clock.Advance(1000);
  ASSERT_EQ(0u, p_.device.Close(id, kCloseFlags));
  EXPECT_FALSE(p_.device.IsRecording(id));
  EXPECT_EQ(0, p_.device.RecordedMs(id));
}

TEST_F(WaveTimingTest, SingleInputRefusesASecondRunningRecording) {
  p_.device.SetSingleInput(true);
  const MciDeviceId first = StartRecording(2000);
  MciDeviceId second = 0;
  ASSERT_EQ(0u, p_.device.Open(kOpenFlags, "", &second));
  EXPECT_EQ(kMciErrWaveInputsInUse, p_.device.Record(second, kRecordFlags, 0, 1000));
  p_.clock.Advance(2000);  // the first one has stopped by itself
  EXPECT_FALSE(p_.device.IsRecording(first));
  EXPECT_EQ(0u, p_.device.Record(second, kRecordFlags, 0, 1000));
}

}  // namespace
}  // namespace tamborix
