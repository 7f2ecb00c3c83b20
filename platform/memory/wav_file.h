// RIFF/WAVE files of PCM sound: the 44-byte header the recorder's size display
// counts on, a reader for such files, and the deterministic test signal that
// the in-memory wave device "records".
#pragma once

#include <cstdint>
#include <string>

namespace tamborix {

struct WavFormat {
  uint16_t formatTag = 1;  // WAVE_FORMAT_PCM
  uint16_t channels = 1;
  uint32_t samplesPerSec = 8000;
  uint32_t avgBytesPerSec = 16000;
  uint16_t blockAlign = 2;
  uint16_t bitsPerSample = 16;
};

constexpr size_t kWavFileHeaderBytes = 44;

// "RIFF" size "WAVE", a 16-byte "fmt " chunk and the "data" chunk.
std::string BuildWavFile(const WavFormat& format, const std::string& data);

// Reads a RIFF/WAVE file of PCM sound: walks its chunks (fmt chunks longer
// than 16 bytes and unknown chunks are allowed) and returns the format and
// the data chunk's bytes. False for anything else, including a data chunk
// that claims more bytes than the file holds.
bool ParseWavFile(const std::string& bytes, WavFormat* format, std::string* data);

// `count` bytes of a 500 Hz sine tone in `format` (8- or 16-bit PCM, every
// channel alike), starting at byte `offset` of the sound. The same offset
// always gives the same bytes, so a partial save is a prefix of a later one.
std::string TestSignal(const WavFormat& format, uint64_t offset, size_t count);

}  // namespace tamborix
