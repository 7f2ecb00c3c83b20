// The recorder's one recording format, 8000 Hz, 16-bit, mono PCM, and the
// rule every wave device applies to a set-format command: only that format is
// taken.
#pragma once

#include "platform/mci.h"

namespace tamborix {

// The set-format block the recorder sends.
inline WaveSetParams RecordingFormat() {
  WaveSetParams params;
  params.formatTag = kWaveFormatPcm;
  params.channels = 1;
  params.samplesPerSec = 8000;
  params.avgBytesPerSec = 16000;
  params.blockAlign = 2;
  params.bitsPerSample = 16;
  return params;
}

// 0 for the recorder's format; kMciErrOutOfRange when the values do not
// describe PCM (no channels, another sample size, or block alignment and
// bytes per second that do not follow from the rest);
// kMciErrWaveSetInputUnsuitable for any other PCM format.
inline MciError CheckRecordingFormat(const WaveSetParams& params) {
  if (params.formatTag != kWaveFormatPcm || params.channels == 0 ||
      (params.bitsPerSample != 8 && params.bitsPerSample != 16) ||
      params.blockAlign != params.channels * params.bitsPerSample / 8 ||
      params.avgBytesPerSec != params.samplesPerSec * params.blockAlign) {
    return kMciErrOutOfRange;
  }
  if (params.samplesPerSec != 8000 || params.channels != 1 || params.bitsPerSample != 16) {
    return kMciErrWaveSetInputUnsuitable;
  }
  return 0;
}

}  // namespace tamborix
