// The rules of platform/wave_device.h, written once and run against every
// device: the in-memory one natively, the Win32 one under Wine with real
// sound. What only one device does (injected faults, the command log, the
// exact error texts) stays in that device's own tests.
//
// A subject gives the cases its device and the world around it:
//   WaveDevice& device();
//   PanelWindow* window();            keeps the MM_MCINOTIFY posts it gets
//   const std::vector<Notice>& notices() const;
//   std::string Path(name);           a file in a scratch folder of its own
//   void Put(path, bytes);            writes a file behind the device's back
//   std::string Read(path);           a file's bytes, "<none>" when missing
//   bool Remove(path);                deletes a file behind the device's back
//   void Let(ms);                     lets `ms` of the device's time pass,
//                                     delivering what was posted meanwhile
//   static constexpr int kStartMs;    the longest a new recording may take
//                                     to hear its first sound
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/memory/wav_file.h"
#include "platform/panel_window.h"
#include "platform/recording_format.h"
#include "platform/wave_device.h"
#include "platform/window_messages.h"
#include "tests/contracts/notice_keeper.h"

namespace tamborix {

template <typename Subject>
class WaveDeviceContract : public ::testing::Test {
 protected:
  WaveDevice& device() { return subject_.device(); }

  MciDeviceId OpenNew() {
    MciDeviceId id = 0;
    EXPECT_EQ(0u, device().Open(kOpenFlags, "", &id));
    return id;
  }

  // A WAV file of the recorder's format holding `ms` of a test tone.
  std::string PutSound(const std::string& name, int ms) {
    const std::string path = subject_.Path(name);
    const WavFormat format;
    subject_.Put(path, BuildWavFile(format, TestSignal(format, 0, ms * 16)));
    return path;
  }

  // The sound bytes of a saved file, checking it is the recorder's format.
  std::string SavedSound(const std::string& path) {
    WavFormat format;
    std::string sound;
    EXPECT_TRUE(ParseWavFile(subject_.Read(path), &format, &sound)) << path;
    EXPECT_EQ(1, format.formatTag);
    EXPECT_EQ(1, format.channels);
    EXPECT_EQ(8000u, format.samplesPerSec);
    EXPECT_EQ(16, format.bitsPerSample);
    return sound;
  }

  Subject subject_;
};

TYPED_TEST_SUITE_P(WaveDeviceContract);

TYPED_TEST_P(WaveDeviceContract, IdsAreNotZeroAndAClosedIdIsNotHandedOutAgain) {
  WaveDevice& device = this->device();
  const MciDeviceId first = this->OpenNew();
  const MciDeviceId second = this->OpenNew();
  EXPECT_NE(0u, first);
  EXPECT_NE(0u, second);
  EXPECT_NE(first, second);
  EXPECT_EQ(0u, device.Close(first, kCloseFlags));
  const MciDeviceId third = this->OpenNew();
  EXPECT_NE(first, third);
  EXPECT_NE(second, third);
  EXPECT_EQ(0u, device.Close(second, kCloseFlags));
  EXPECT_EQ(0u, device.Close(third, kCloseFlags));
}

TYPED_TEST_P(WaveDeviceContract, EveryCommandOnAnIdThatIsNotOpenGivesInvalidDeviceId) {
  WaveDevice& device = this->device();
  const MciDeviceId kept = this->OpenNew();
  const MciDeviceId id = this->OpenNew();
  ASSERT_EQ(0u, device.Close(id, kCloseFlags));
  const std::string path = this->subject_.Path("a.wav");
  EXPECT_EQ(kMciErrInvalidDeviceId, device.SetFormat(id, kSetFormatFlags, RecordingFormat()));
  EXPECT_EQ(kMciErrInvalidDeviceId, device.Record(id, kRecordFlags, 0, 1000));
  EXPECT_EQ(kMciErrInvalidDeviceId, device.Play(id, kPlayFlags, this->subject_.window()));
  EXPECT_EQ(kMciErrInvalidDeviceId, device.Save(id, kSaveFlags, path));
  EXPECT_EQ(kMciErrInvalidDeviceId, device.Close(id, kCloseFlags));
  EXPECT_EQ(kMciErrInvalidDeviceId, device.Close(0, kCloseFlags));
  EXPECT_EQ(kMciErrInvalidDeviceId, device.Close(0xFFFFFFFFu, kCloseFlags));
  EXPECT_EQ("<none>", this->subject_.Read(path));
  // The device that stayed open was left alone.
  EXPECT_EQ(0u, device.Close(kept, kCloseFlags));
}

TYPED_TEST_P(WaveDeviceContract, OpeningAFileNeedsAWavFileAndAFailedOpenLeavesTheId) {
  WaveDevice& device = this->device();
  MciDeviceId id = 77;
  EXPECT_EQ(kMciErrFileNotFound, device.Open(kOpenFlags, this->subject_.Path("none.wav"), &id));
  const std::string text = this->subject_.Path("text.wav");
  this->subject_.Put(text, "hello, this is not sound");
  EXPECT_EQ(kMciErrInvalidFile, device.Open(kOpenFlags, text, &id));
  EXPECT_EQ(77u, id);
  EXPECT_EQ(kMciErrNullParameterBlock, device.Open(kOpenFlags, "", nullptr));
  // One file open twice: each open is a device of its own.
  const std::string sound = this->PutSound("sound.wav", 500);
  MciDeviceId first = 0;
  MciDeviceId second = 0;
  ASSERT_EQ(0u, device.Open(kOpenFlags, sound, &first));
  ASSERT_EQ(0u, device.Open(kOpenFlags, sound, &second));
  EXPECT_NE(first, second);
  EXPECT_EQ(0u, device.Close(first, kCloseFlags));
  EXPECT_EQ(0u, device.Close(second, kCloseFlags));
}

TYPED_TEST_P(WaveDeviceContract, ARecordingTakesOnlyTheRecordersFormat) {
  WaveDevice& device = this->device();
  const MciDeviceId id = this->OpenNew();
  WaveSetParams stereo = RecordingFormat();
  stereo.channels = 2;  // block alignment and rate no longer follow
  EXPECT_EQ(kMciErrOutOfRange, device.SetFormat(id, kSetFormatFlags, stereo));
  WaveSetParams cd = RecordingFormat();
  cd.samplesPerSec = 44100;
  cd.avgBytesPerSec = 88200;
  EXPECT_EQ(kMciErrWaveSetInputUnsuitable, device.SetFormat(id, kSetFormatFlags, cd));
  EXPECT_EQ(kMciErrOutOfRange, device.SetFormat(id, kSetFormatFlags, WaveSetParams()));
  EXPECT_EQ(0u, device.SetFormat(id, kSetFormatFlags, RecordingFormat()));
  EXPECT_EQ(0u, device.Close(id, kCloseFlags));
}

TYPED_TEST_P(WaveDeviceContract, CommandsThatDoNotApplyAreRefusedAndChangeNothing) {
  WaveDevice& device = this->device();
  const MciDeviceId recording = this->OpenNew();
  EXPECT_EQ(kMciErrNonapplicableFunction,
            device.Play(recording, kPlayFlags, this->subject_.window()));
  EXPECT_EQ(kMciErrOutOfRange, device.Record(recording, kRecordFlags, 2000, 1000));
  EXPECT_EQ(kMciErrUnnamedResource, device.Save(recording, kSaveFlags, ""));
  const std::string lost = this->subject_.Path("no such folder\\a.wav");
  EXPECT_EQ(kMciErrFileNotSaved, device.Save(recording, kSaveFlags, lost));
  MciDeviceId playing = 0;
  ASSERT_EQ(0u, device.Open(kOpenFlags, this->PutSound("sound.wav", 500), &playing));
  EXPECT_EQ(kMciErrNonapplicableFunction, device.Record(playing, kRecordFlags, 0, 1000));
  // Flag words other than the recorder's.
  MciDeviceId id = 0;
  EXPECT_EQ(kMciErrFlagsNotCompatible, device.Open(kOpenFlags | kMciNotify, "", &id));
  EXPECT_EQ(kMciErrFlagsNotCompatible,
            device.Record(recording, kRecordFlags | kMciNotify | kMciWait, 0, 1000));
  EXPECT_EQ(kMciErrFlagsNotCompatible, device.Close(recording, kMciNotify));
  // Nothing was started: both devices close as they are.
  EXPECT_EQ(0u, device.Close(recording, kCloseFlags));
  EXPECT_EQ(0u, device.Close(playing, kCloseFlags));
  EXPECT_TRUE(this->subject_.notices().empty());
}

TYPED_TEST_P(WaveDeviceContract, ARecordingStopsByItselfAtItsEndAndSavesAsAWavFile) {
  WaveDevice& device = this->device();
  const MciDeviceId id = this->OpenNew();
  ASSERT_EQ(0u, device.SetFormat(id, kSetFormatFlags, RecordingFormat()));
  ASSERT_EQ(0u, device.Record(id, kRecordFlags, 0, 1000));
  this->subject_.Let(TypeParam::kStartMs + 1500);
  const std::string path = this->subject_.Path("take.wav");
  ASSERT_EQ(0u, device.Save(id, kSaveFlags, path));
  ASSERT_EQ(0u, device.Close(id, kCloseFlags));
  const std::string sound = this->SavedSound(path);
  // All of the second, and not a block more than it.
  EXPECT_GE(sound.size(), 15000u);
  EXPECT_LE(sound.size(), 16000u + 1600u);
  EXPECT_TRUE(this->subject_.notices().empty());  // a recording sends no notice
}

TYPED_TEST_P(WaveDeviceContract, SaveWhileRecordingKeepsWhatWasHeardAndLetsGoOfTheFileAtClose) {
  WaveDevice& device = this->device();
  const MciDeviceId id = this->OpenNew();
  ASSERT_EQ(0u, device.SetFormat(id, kSetFormatFlags, RecordingFormat()));
  ASSERT_EQ(0u, device.Record(id, kRecordFlags, 0, 60000));
  this->subject_.Let(TypeParam::kStartMs + 700);
  const std::string path = this->subject_.Path("early.wav");
  ASSERT_EQ(0u, device.Save(id, kSaveFlags, path));
  ASSERT_EQ(0u, device.Close(id, kCloseFlags));
  const std::string sound = this->SavedSound(path);
  EXPECT_GT(sound.size(), 0u);
  EXPECT_LE(sound.size(), static_cast<size_t>((TypeParam::kStartMs + 800) * 16));
  // Closed, the device holds the file no longer.
  EXPECT_TRUE(this->subject_.Remove(path));
}

TYPED_TEST_P(WaveDeviceContract, PlayPostsOneNoticeWithItsIdWhenTheFileHasPlayed) {
  WaveDevice& device = this->device();
  const std::string path = this->PutSound("tone.wav", 1000);
  MciDeviceId id = 0;
  ASSERT_EQ(0u, device.Open(kOpenFlags, path, &id));
  ASSERT_EQ(0u, device.Play(id, kPlayFlags, this->subject_.window()));
  this->subject_.Let(500);
  EXPECT_TRUE(this->subject_.notices().empty());  // not before the end
  this->subject_.Let(TypeParam::kStartMs + 1500);
  ASSERT_EQ(1u, this->subject_.notices().size());
  EXPECT_EQ(kMciNotifySuccessful, this->subject_.notices()[0].kind);
  EXPECT_EQ(static_cast<intptr_t>(id), this->subject_.notices()[0].id);
  EXPECT_EQ(0u, device.Close(id, kCloseFlags));
}

TYPED_TEST_P(WaveDeviceContract, ClosingBeforeTheEndTakesThePlayNoticeBack) {
  WaveDevice& device = this->device();
  const std::string path = this->PutSound("long.wav", 2000);
  MciDeviceId id = 0;
  ASSERT_EQ(0u, device.Open(kOpenFlags, path, &id));
  ASSERT_EQ(0u, device.Play(id, kPlayFlags, this->subject_.window()));
  this->subject_.Let(300);
  EXPECT_EQ(0u, device.Close(id, kCloseFlags));
  this->subject_.Let(TypeParam::kStartMs + 2500);
  EXPECT_TRUE(this->subject_.notices().empty());
  // The file is free again.
  EXPECT_TRUE(this->subject_.Remove(path));
}

TYPED_TEST_P(WaveDeviceContract, EveryNumberTheDeviceReturnsHasAShortText) {
  const MciError used[] = {
      kMciErrInvalidDeviceId,       kMciErrFileNotFound,    kMciErrInvalidFile,
      kMciErrFlagsNotCompatible,    kMciErrOutOfRange,      kMciErrWaveSetInputUnsuitable,
      kMciErrNonapplicableFunction, kMciErrUnnamedResource, kMciErrFileNotSaved,
      kMciErrNullParameterBlock};
  for (MciError code : used) {
    std::string text;
    EXPECT_TRUE(this->device().GetErrorText(code, &text)) << code;
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_LT(text.size(), 128u) << code;
  }
}

REGISTER_TYPED_TEST_SUITE_P(WaveDeviceContract, IdsAreNotZeroAndAClosedIdIsNotHandedOutAgain,
                            EveryCommandOnAnIdThatIsNotOpenGivesInvalidDeviceId,
                            OpeningAFileNeedsAWavFileAndAFailedOpenLeavesTheId,
                            ARecordingTakesOnlyTheRecordersFormat,
                            CommandsThatDoNotApplyAreRefusedAndChangeNothing,
                            ARecordingStopsByItselfAtItsEndAndSavesAsAWavFile,
                            SaveWhileRecordingKeepsWhatWasHeardAndLetsGoOfTheFileAtClose,
                            PlayPostsOneNoticeWithItsIdWhenTheFileHasPlayed,
                            ClosingBeforeTheEndTakesThePlayNoticeBack,
                            EveryNumberTheDeviceReturnsHasAShortText);

}  // namespace tamborix
