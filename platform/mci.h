// Media Control Interface numbers for the wave-audio device: command values,
// flag words, parameter blocks and error numbers, as the real device uses
// them. Every WaveDevice implementation speaks in these numbers.
#pragma once

#include <cstdint>

namespace tamborix {

using MciError = uint32_t;  // 0 is success
using MciDeviceId = uint32_t;

// Commands.
constexpr uint32_t kMciOpen = 0x0803;
constexpr uint32_t kMciClose = 0x0804;
constexpr uint32_t kMciPlay = 0x0806;
constexpr uint32_t kMciSet = 0x080D;
constexpr uint32_t kMciRecord = 0x080F;
constexpr uint32_t kMciSave = 0x0813;

// Flag bits.
constexpr uint32_t kMciNotify = 0x00000001;
constexpr uint32_t kMciWait = 0x00000002;
constexpr uint32_t kMciFrom = 0x00000004;
constexpr uint32_t kMciTo = 0x00000008;
constexpr uint32_t kMciRecordOverwrite = 0x00000200;
constexpr uint32_t kMciSaveFile = 0x00000100;
constexpr uint32_t kMciOpenType = 0x00002000;
constexpr uint32_t kMciOpenElement = 0x00000200;
constexpr uint32_t kMciOpenTypeId = 0x00001000;
constexpr uint32_t kMciWaveSetFormatTag = 0x00010000;
constexpr uint32_t kMciWaveSetChannels = 0x00020000;
constexpr uint32_t kMciWaveSetSamplesPerSec = 0x00040000;
constexpr uint32_t kMciWaveSetAvgBytesPerSec = 0x00080000;
constexpr uint32_t kMciWaveSetBlockAlign = 0x00100000;
constexpr uint32_t kMciWaveSetBitsPerSample = 0x00200000;

// The flag words the recorder sends.
constexpr uint32_t kOpenFlags =
    kMciWait | kMciOpenElement | kMciOpenType | kMciOpenTypeId;  // 0x3202
constexpr uint32_t kSetFormatFlags =
    kMciWait | kMciWaveSetFormatTag | kMciWaveSetChannels | kMciWaveSetSamplesPerSec |
    kMciWaveSetAvgBytesPerSec | kMciWaveSetBlockAlign | kMciWaveSetBitsPerSample;  // 0x003F0002
constexpr uint32_t kRecordFlags = kMciFrom | kMciTo | kMciRecordOverwrite;         // 0x020C
constexpr uint32_t kPlayFlags = kMciNotify;                                        // 0x0001
constexpr uint32_t kSaveFlags = kMciSaveFile | kMciWait;                           // 0x0102
constexpr uint32_t kCloseFlags = kMciWait;                                         // 0x0002

constexpr uint32_t kMciDevtypeWaveformAudio = 0x020A;
constexpr uint16_t kWaveFormatPcm = 1;

// MCI_WAVE_SET_PARMS without the callback/time-format/audio prefix fields the
// recorder never applies; all fields not named by the flag word are zero.
struct WaveSetParams {
  uint32_t input = 0;
  uint32_t output = 0;
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
};

// Error numbers (MCIERR_BASE + n).
constexpr MciError kMciErrBase = 256;
constexpr MciError kMciErrInvalidDeviceId = kMciErrBase + 1;
constexpr MciError kMciErrUnrecognizedCommand = kMciErrBase + 5;
constexpr MciError kMciErrHardware = kMciErrBase + 6;
constexpr MciError kMciErrOutOfMemory = kMciErrBase + 8;
constexpr MciError kMciErrDeviceOpen = kMciErrBase + 9;
constexpr MciError kMciErrUnsupportedFunction = kMciErrBase + 18;
constexpr MciError kMciErrFileNotFound = kMciErrBase + 19;
constexpr MciError kMciErrDeviceNotReady = kMciErrBase + 20;
constexpr MciError kMciErrOutOfRange = kMciErrBase + 26;
constexpr MciError kMciErrFlagsNotCompatible = kMciErrBase + 28;
constexpr MciError kMciErrFileNotSaved = kMciErrBase + 30;
constexpr MciError kMciErrInvalidFile = kMciErrBase + 40;
constexpr MciError kMciErrNullParameterBlock = kMciErrBase + 41;
constexpr MciError kMciErrUnnamedResource = kMciErrBase + 42;
constexpr MciError kMciErrNonapplicableFunction = kMciErrBase + 46;
constexpr MciError kMciErrWaveInputsInUse = kMciErrBase + 66;
constexpr MciError kMciErrWaveInputUnspecified = kMciErrBase + 69;
constexpr MciError kMciErrWaveSetInputUnsuitable = kMciErrBase + 73;
constexpr MciError kMciErrFileRead = kMciErrBase + 92;
constexpr MciError kMciErrFileWrite = kMciErrBase + 93;

// MM_MCINOTIFY's wParam besides kMciNotifySuccessful (window_messages.h): the
// notice of a play that a newer play command replaced.
constexpr uint32_t kMciNotifySuperseded = 0x0002;

}  // namespace tamborix
