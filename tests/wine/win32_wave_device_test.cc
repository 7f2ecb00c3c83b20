// The Win32 wave device on a real (Wine) system with sound, beyond the
// contract every device keeps (win32_contract_test.cc): a recording of the
// 440 Hz tone that tools/wine/pulse.sh feeds to the default source, as long
// as the time it ran, a playback that reaches the output, and fifty records
// and plays stopped at uneven moments.
// The playback's tone (500 Hz) goes to the default output, where
// tests/wine/sound.sh listens for it.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory/wav_file.h"
#include "platform/recording_format.h"
#include "platform/win32/win32_wave_device.h"
#include "platform/window_messages.h"
#include "tests/wine/check.h"
#include "tests/wine/notice_window.h"

namespace tamborix_wine {
namespace {

using tamborix::MciDeviceId;
using tamborix::WaveSetParams;
using tamborix::Win32WaveDevice;
namespace mci = tamborix;

std::string Folder() {
  char base[MAX_PATH] = {0};
  GetTempPathA(sizeof base, base);
  const std::string folder =
      std::string(base) + "tamborix_wave_" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// The tone's frequency in Hz from the zero crossings of the 16-bit samples,
// counted where the sound is louder than near-silence.
double ToneFrequency(const std::string& data) {
  std::vector<int> samples;
  for (size_t at = 0; at + 1 < data.size(); at += 2) {
    const auto sample = static_cast<int16_t>(static_cast<uint8_t>(data[at]) |
                                             (static_cast<uint8_t>(data[at + 1]) << 8));
    if (std::abs(sample) > 200 || !samples.empty()) {
      samples.push_back(sample);
    }
  }
  if (samples.size() < 800) {
    return 0;
  }
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    crossings += (samples[i - 1] < 0) != (samples[i] < 0) ? 1 : 0;
  }
  return crossings / 2.0 / (static_cast<double>(samples.size()) / 8000.0);
}

// A saved recording: 8000 Hz, 16-bit, mono PCM with the data in `sound`.
bool IsRecorderWav(const std::string& path, std::string* sound) {
  tamborix::WavFormat format;
  return tamborix::ParseWavFile(ReadFileBytes(path), &format, sound) && format.formatTag == 1 &&
         format.channels == 1 && format.samplesPerSec == 8000 && format.bitsPerSample == 16 &&
         format.blockAlign == 2 && format.avgBytesPerSec == 16000;
}

// Whether a take of `sound` bytes holds the `ranMs` it was recording, within
// 0.3 s (the microphone gives its first data within about 0.1 s). Asked to
// stop, Wine's driver first fills its current buffer (a third of a second),
// so the take may also run on until its save was done, `savedMs` after the
// start.
bool KeptWhatRan(const std::string& sound, double ranMs, double savedMs) {
  const double keptMs = static_cast<double>(sound.size()) / 16.0;
  return keptMs >= ranMs - 300 && keptMs <= std::max(ranMs + 300, savedMs + 20);
}

double MsSince(DWORD start) {
  return static_cast<double>(GetTickCount() - start);
}

TEST_GROUP(WaveRecordSaveClose) {
  Win32WaveDevice device;
  const std::string folder = Folder();
  MciDeviceId id = 0;
  REQUIRE(device.Open(mci::kOpenFlags, "", &id) == 0);
  CHECK_MCI(device.SetFormat(id, mci::kSetFormatFlags, tamborix::RecordingFormat()), 0);
  const DWORD start = GetTickCount();
  CHECK_MCI(device.Record(id, mci::kRecordFlags, 0, 3000), 0);
  // The format of a recording is fixed once it holds sound.
  CHECK_MCI(device.SetFormat(id, mci::kSetFormatFlags, tamborix::RecordingFormat()),
            mci::kMciErrNonapplicableFunction);
  // The recording ends by itself at 3 s of sound.
  Sleep(4500);
  std::string sound;
  CHECK_MCI(device.Save(id, mci::kSaveFlags, folder + "take.wav"), 0);
  CHECK_MCI(device.Close(id, mci::kCloseFlags), 0);
  REQUIRE(IsRecorderWav(folder + "take.wav", &sound));
  if (!KeptWhatRan(sound, 3000, 3000)) {
    Fail(
        __FILE__, __LINE__,
        "recorded " + std::to_string(sound.size()) + " bytes in " + std::to_string(MsSince(start)));
  }
  const double frequency = ToneFrequency(sound);
  if (frequency < 430 || frequency > 450) {
    Fail(__FILE__, __LINE__, "tone of " + std::to_string(frequency) + " Hz");
  }
}

TEST_GROUP(WaveSaveWhileRecording) {
  Win32WaveDevice device;
  const std::string folder = Folder();
  MciDeviceId id = 0;
  REQUIRE(device.Open(mci::kOpenFlags, "", &id) == 0);
  CHECK_MCI(device.SetFormat(id, mci::kSetFormatFlags, tamborix::RecordingFormat()), 0);
  const DWORD start = GetTickCount();
  CHECK_MCI(device.Record(id, mci::kRecordFlags, 0, 20000), 0);
  Sleep(2700);
  const double ran = MsSince(start);
  std::string sound;
  CHECK_MCI(device.Save(id, mci::kSaveFlags, folder + "early.wav"), 0);
  const double saved = MsSince(start);
  CHECK_MCI(device.Close(id, mci::kCloseFlags), 0);
  REQUIRE(IsRecorderWav(folder + "early.wav", &sound));
  if (!KeptWhatRan(sound, ran, saved)) {
    Fail(__FILE__, __LINE__,
         "recorded " + std::to_string(sound.size()) + " bytes in " + std::to_string(ran) + " ms");
  }
}

// The number of stop cycles: TAMBORIX_STOP_CYCLES, 50 when not given.
int StopCycles() {
  const char* given = std::getenv("TAMBORIX_STOP_CYCLES");
  const int cycles = given != nullptr ? std::atoi(given) : 0;
  return cycles > 0 ? cycles : 50;
}

// Fifty records and fifty plays, each stopped (saved and closed, or closed)
// at an uneven moment, from right after its start to well into it: the
// close must not free what the driver still uses, and every take holds the
// time it ran. The moments come from TestSeed, so a failure replays.
TEST_GROUP(WaveStopAtAnyMoment) {
  Win32WaveDevice device;
  NoticeWindow window;
  const std::string folder = Folder();
  const std::string tone = folder + "cycle_tone.wav";
  const tamborix::WavFormat format;
  WriteFileBytes(tone, tamborix::BuildWavFile(format, tamborix::TestSignal(format, 0, 24000)));
  std::mt19937 random(TestSeed());
  std::uniform_int_distribution<int> moment(130, 1900);
  const int cycles = StopCycles();
  int failedSteps = 0;
  int offTakes = 0;
  std::string firstOff;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    MciDeviceId id = 0;
    const int recordMs = moment(random);
    failedSteps += device.Open(mci::kOpenFlags, "", &id) != 0 ? 1 : 0;
    failedSteps +=
        device.SetFormat(id, mci::kSetFormatFlags, tamborix::RecordingFormat()) != 0 ? 1 : 0;
    const DWORD start = GetTickCount();
    failedSteps += device.Record(id, mci::kRecordFlags, 0, 600000) != 0 ? 1 : 0;
    Sleep(static_cast<DWORD>(recordMs));
    const double ran = MsSince(start);
    const std::string take = folder + "cycle_" + std::to_string(cycle) + ".wav";
    failedSteps += device.Save(id, mci::kSaveFlags, take) != 0 ? 1 : 0;
    const double saved = MsSince(start);
    failedSteps += device.Close(id, mci::kCloseFlags) != 0 ? 1 : 0;
    std::string sound;
    if (!IsRecorderWav(take, &sound) || !KeptWhatRan(sound, ran, saved)) {
      ++offTakes;
      if (firstOff.empty()) {
        firstOff = std::to_string(sound.size() / 16) + " ms kept of " + std::to_string(ran) +
                   " (saved at " + std::to_string(saved) + ")";
      }
    }
    DeleteFileA(take.c_str());

    failedSteps += device.Open(mci::kOpenFlags, tone, &id) != 0 ? 1 : 0;
    failedSteps += device.Play(id, mci::kPlayFlags, &window) != 0 ? 1 : 0;
    Sleep(static_cast<DWORD>(moment(random)));
    failedSteps += device.Close(id, mci::kCloseFlags) != 0 ? 1 : 0;
    window.WaitForNotice(0);
  }
  CHECK(failedSteps == 0);
  if (offTakes != 0) {
    Fail(__FILE__, __LINE__,
         std::to_string(offTakes) + " of " + std::to_string(cycles) +
             " takes not as long as they ran, first " + firstOff);
  }
  // Every play was closed before its end: no notice reached the window.
  CHECK(window.notices().empty());
}

TEST_GROUP(WavePlaysToTheOutput) {
  Win32WaveDevice device;
  NoticeWindow window;
  const std::string path = Folder() + "tone.wav";
  const tamborix::WavFormat format;
  WriteFileBytes(path, tamborix::BuildWavFile(format, tamborix::TestSignal(format, 0, 24000)));

  MciDeviceId id = 0;
  REQUIRE(device.Open(mci::kOpenFlags, path, &id) == 0);
  CHECK_MCI(device.Play(id, mci::kPlayFlags, &window), 0);
  window.WaitForNotice(15000);
  CHECK(window.notices().size() == 1);
  CHECK_MCI(device.Close(id, mci::kCloseFlags), 0);
}

}  // namespace
}  // namespace tamborix_wine

int main() {
  return tamborix_wine::RunGroups() == 0 ? 0 : 1;
}
