// What only the in-memory wave device does: its id sequence, its strictness
// about flag words and files, its exact error texts, its command log and
// injected faults. The rules every device keeps are in the contract
// (tests/contracts/wave_device_contract.h).
#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "platform/memory/wav_file.h"
#include "platform/recording_format.h"

namespace tamborix {
namespace {

class WaveDeviceTest : public ::testing::Test {
 protected:
  MciDeviceId OpenNew() {
    MciDeviceId id = 0;
    EXPECT_EQ(0u, p_.device.Open(kOpenFlags, "", &id));
    return id;
  }

  MemoryPlatform p_;
};

TEST_F(WaveDeviceTest, IdsStartAtOneGrowAndAreNeverReused) {
  const MciDeviceId first = OpenNew();
  const MciDeviceId second = OpenNew();
  EXPECT_EQ(1u, first);
  EXPECT_EQ(2u, second);
  EXPECT_EQ(0u, p_.device.Close(first, kCloseFlags));
  EXPECT_EQ(3u, OpenNew());
  EXPECT_EQ((std::vector<MciDeviceId>{2, 3}), p_.device.OpenDeviceIds());
}

TEST_F(WaveDeviceTest, OpeningAFileTakesOnlyPcmAndUsesUpNoIdWhenItFails) {
  MciDeviceId id = 77;
  EXPECT_EQ(kMciErrFileNotFound, p_.device.Open(kOpenFlags, "c:\\missing.wav", &id));
  WavFormat alaw;
  alaw.formatTag = 6;
  p_.kernel.WriteFile("c:\\alaw.wav", BuildWavFile(alaw, std::string(100, 'x')));
  EXPECT_EQ(kMciErrInvalidFile, p_.device.Open(kOpenFlags, "c:\\alaw.wav", &id));
  p_.kernel.WriteFile("c:\\ok.wav", BuildWavFile(WavFormat(), std::string(32000, '\0')));
  EXPECT_EQ(0u, p_.device.Open(kOpenFlags, "c:\\ok.wav", &id));
  EXPECT_EQ(1u, id);  // failed opens use up no id
  EXPECT_EQ(2000, p_.device.RecordedMs(id));
}

TEST_F(WaveDeviceTest, EveryFlagWordOtherThanTheRecordersIsRefused) {
  const MciDeviceId id = OpenNew();
  EXPECT_EQ(kMciErrFlagsNotCompatible, p_.device.SetFormat(id, kMciWait, RecordingFormat()));
  EXPECT_EQ(kMciErrFlagsNotCompatible, p_.device.Save(id, kMciWait, "c:\\a.wav"));
  EXPECT_EQ((std::vector<MciDeviceId>{id}), p_.device.OpenDeviceIds());
}

TEST_F(WaveDeviceTest, InjectedFaultHitsTheNthCallOnlyAndDoesNothingElse) {
  p_.device.InjectFault(kMciOpen, 2, kMciErrHardware);
  EXPECT_EQ(1u, OpenNew());
  MciDeviceId id = 55;
  EXPECT_EQ(kMciErrHardware, p_.device.Open(kOpenFlags, "", &id));
  EXPECT_EQ(55u, id);
  EXPECT_EQ(2u, OpenNew());  // the failed open took no id

  p_.device.InjectFault(kMciClose, 1, kMciErrDeviceNotReady);
  EXPECT_EQ(kMciErrDeviceNotReady, p_.device.Close(1, kCloseFlags));
  EXPECT_EQ((std::vector<MciDeviceId>{1, 2}), p_.device.OpenDeviceIds());
  EXPECT_EQ(0u, p_.device.Close(1, kCloseFlags));

  p_.device.InjectFault(kMciSet, 1, kMciErrOutOfMemory);
  p_.device.InjectFault(kMciRecord, 1, kMciErrWaveInputsInUse);
  p_.device.InjectFault(kMciSave, 1, kMciErrFileNotSaved);
  EXPECT_EQ(kMciErrOutOfMemory, p_.device.SetFormat(2, kSetFormatFlags, RecordingFormat()));
  EXPECT_EQ(kMciErrWaveInputsInUse, p_.device.Record(2, kRecordFlags, 0, 1000));
  EXPECT_FALSE(p_.device.IsRecording(2));
  p_.kernel.AddDirectory("c:\\rec");
  EXPECT_EQ(kMciErrFileNotSaved, p_.device.Save(2, kSaveFlags, "c:\\rec\\a.wav"));
  EXPECT_FALSE(p_.kernel.FileExists("c:\\rec\\a.wav"));
  // Each fault fires once.
  EXPECT_EQ(0u, p_.device.SetFormat(2, kSetFormatFlags, RecordingFormat()));
  EXPECT_EQ(0u, p_.device.Save(2, kSaveFlags, "c:\\rec\\a.wav"));
}

TEST_F(WaveDeviceTest, FaultOnPlayLeavesNoNoticePending) {
  p_.kernel.WriteFile("c:\\ok.wav", BuildWavFile(WavFormat(), std::string(160, '\0')));
  MciDeviceId id = 0;
  ASSERT_EQ(0u, p_.device.Open(kOpenFlags, "c:\\ok.wav", &id));
  p_.device.InjectFault(kMciPlay, 1, kMciErrHardware);
  EXPECT_EQ(kMciErrHardware, p_.device.Play(id, kPlayFlags, nullptr));
  EXPECT_FALSE(p_.device.IsPlaying(id));
  EXPECT_EQ(INT64_MAX, p_.device.NextDueMs());
}

TEST_F(WaveDeviceTest, CommandLogKeepsEveryCallWithItsResult) {
  const MciDeviceId id = OpenNew();
  p_.device.Record(id, kRecordFlags, 0, 120000);
  p_.device.Save(id, kSaveFlags, "c:\\x.wav");
  p_.device.Close(id + 5, kCloseFlags);
  const auto& log = p_.device.Commands();
  ASSERT_EQ(4u, log.size());
  EXPECT_EQ(kMciOpen, log[0].command);
  EXPECT_EQ(id, log[0].id);
  EXPECT_EQ(kOpenFlags, log[0].flags);
  EXPECT_EQ(kMciRecord, log[1].command);
  EXPECT_EQ(120000u, log[1].toMs);
  EXPECT_EQ("c:\\x.wav", log[2].element);
  EXPECT_EQ(0u, log[2].result);
  EXPECT_EQ(kMciErrInvalidDeviceId, log[3].result);
}

TEST_F(WaveDeviceTest, ErrorTextsAreTheSystemsEnglishTexts) {
  std::string text;
  ASSERT_TRUE(p_.device.GetErrorText(kMciErrInvalidDeviceId, &text));
  EXPECT_EQ("Invalid MCI device ID. Use the ID returned when opening the MCI device.", text);
  ASSERT_TRUE(p_.device.GetErrorText(kMciErrFileNotFound, &text));
  EXPECT_EQ("Cannot find the specified file. Make sure the path and filename are correct.", text);
  ASSERT_TRUE(p_.device.GetErrorText(kMciErrFlagsNotCompatible, &text));
  EXPECT_EQ("The specified parameters cannot be used together.", text);
  for (MciError code = 0; code < kMciErrBase + 256; ++code) {
    if (p_.device.GetErrorText(code, &text)) {
      EXPECT_LT(text.size(), 128u) << code;
      EXPECT_FALSE(text.empty()) << code;
    }
  }
  EXPECT_FALSE(p_.device.GetErrorText(kMciErrBase + 27, &text));  // no such error
  EXPECT_FALSE(p_.device.GetErrorText(0x12345678, &text));
  p_.device.ForgetErrorText(kMciErrHardware);
  EXPECT_FALSE(p_.device.GetErrorText(kMciErrHardware, &text));
}

}  // namespace
}  // namespace tamborix
