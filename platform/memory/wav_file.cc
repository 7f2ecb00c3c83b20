#include "platform/memory/wav_file.h"

#include <cmath>

namespace tamborix {
namespace {

void PutU16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(std::string* out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

uint32_t GetU16(const std::string& in, size_t at) {
  return static_cast<unsigned char>(in[at]) | (static_cast<unsigned char>(in[at + 1]) << 8);
}

uint32_t GetU32(const std::string& in, size_t at) {
  return GetU16(in, at) | (GetU16(in, at + 2) << 16);
}

}  // namespace

std::string BuildWavFile(const WavFormat& format, const std::string& data) {
  std::string out;
  out.reserve(kWavFileHeaderBytes + data.size());
  out += "RIFF";
  PutU32(&out, static_cast<uint32_t>(36 + data.size()));
  out += "WAVE";
  out += "fmt ";
  PutU32(&out, 16);
  PutU16(&out, format.formatTag);
  PutU16(&out, format.channels);
  PutU32(&out, format.samplesPerSec);
  PutU32(&out, format.avgBytesPerSec);
  PutU16(&out, format.blockAlign);
  PutU16(&out, format.bitsPerSample);
  out += "data";
  PutU32(&out, static_cast<uint32_t>(data.size()));
  out += data;
  return out;
}

bool ParseWavFile(const std::string& bytes, WavFormat* format, std::string* data) {
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
    return false;
  }
  bool haveFormat = false;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id = bytes.substr(at, 4);
    const uint64_t size = GetU32(bytes, at + 4);
    const size_t body = at + 8;
    if (size > bytes.size() - body) {
      return false;
    }
    if (id == "fmt ") {
      if (size < 16) {
        return false;
      }
      format->formatTag = static_cast<uint16_t>(GetU16(bytes, body));
      format->channels = static_cast<uint16_t>(GetU16(bytes, body + 2));
      format->samplesPerSec = GetU32(bytes, body + 4);
      format->avgBytesPerSec = GetU32(bytes, body + 8);
      format->blockAlign = static_cast<uint16_t>(GetU16(bytes, body + 12));
      format->bitsPerSample = static_cast<uint16_t>(GetU16(bytes, body + 14));
      if (format->formatTag != 1 || format->channels == 0 || format->blockAlign == 0 ||
          format->avgBytesPerSec == 0 ||
          (format->bitsPerSample != 8 && format->bitsPerSample != 16)) {
        return false;
      }
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat) {
        return false;
      }
      data->assign(bytes, body, static_cast<size_t>(size));
      return true;
    }
    at = body + static_cast<size_t>(size) + (size & 1);  // chunks are padded to even sizes
  }
  return false;
}

std::string TestSignal(const WavFormat& format, uint64_t offset, size_t count) {
  const uint32_t sampleBytes = format.bitsPerSample / 8 == 0 ? 1 : format.bitsPerSample / 8;
  const uint32_t frameBytes = format.blockAlign == 0 ? sampleBytes : format.blockAlign;
  const double rate = format.samplesPerSec == 0 ? 8000.0 : format.samplesPerSec;
  const double kPi = 3.14159265358979323846;
  std::string out;
  out.reserve(count);
  for (uint64_t at = offset; at < offset + count; ++at) {
    const uint64_t frame = at / frameBytes;
    const uint32_t byteInSample = static_cast<uint32_t>(at % frameBytes) % sampleBytes;
    const double wave = std::sin(2.0 * kPi * 500.0 * static_cast<double>(frame) / rate);
    if (sampleBytes == 1) {
      out.push_back(static_cast<char>(static_cast<int>(std::lround(128.0 + 64.0 * wave))));
    } else {
      const auto sample = static_cast<uint16_t>(static_cast<int16_t>(std::lround(8000.0 * wave)));
      out.push_back(static_cast<char>(byteInSample == 0 ? (sample & 0xFF) : (sample >> 8)));
    }
  }
  return out;
}

}  // namespace tamborix
