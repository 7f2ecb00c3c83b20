// The size of the WAV file after a number of seconds of recording.
#pragma once

#include <cstdint>

namespace tamborix {

// 8000 Hz, 16-bit, mono PCM.
constexpr int64_t kBytesPerSecond = 16000;
// The RIFF/WAVE header in front of the sound data.
constexpr int64_t kWavHeaderBytes = 44;

// Whole kilobytes, the fraction dropped: (seconds * 16000 + 44) / 1024.
inline int32_t RecordingSizeKb(int32_t seconds) {
  return static_cast<int32_t>((seconds * kBytesPerSecond + kWavHeaderBytes) / 1024);
}

}  // namespace tamborix
