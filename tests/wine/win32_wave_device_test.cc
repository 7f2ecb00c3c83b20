// The Win32 wave device on a real (Wine) system with sound: a recording of
// the 440 Hz tone that tests/wine/pulse.sh feeds to the default source, as
// long as the time it ran, a playback with its notice, fifty records and
// plays stopped at uneven moments, and the error numbers of the device
// contract.
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
#include "platform/panel_window.h"
#include "platform/win32/win32_wave_device.h"
#include "platform/window_messages.h"
#include "tests/wine/check.h"

namespace tamborix_wine {
namespace {

using tamborix::MciDeviceId;
using tamborix::WaveSetParams;
using tamborix::Win32WaveDevice;
namespace mci = tamborix;

// A message-only window that keeps the MM_MCINOTIFY messages it receives.
class NoticeWindow : public tamborix::PanelWindow {
 public:
  struct Notice {
    uintptr_t kind;
    intptr_t id;
  };

  NoticeWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &NoticeWindow::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "tamborix_notice_window";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("tamborix_notice_window", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~NoticeWindow() override { DestroyWindow(window_); }
  NoticeWindow(const NoticeWindow&) = delete;
  NoticeWindow& operator=(const NoticeWindow&) = delete;

  const std::vector<Notice>& Notices() const { return notices_; }

  // Dispatches this thread's messages until a notice has come or `limitMs`
  // have passed.
  void WaitForNotice(DWORD limitMs) {
    const DWORD start = GetTickCount();
    const size_t before = notices_.size();
    while (notices_.size() == before && GetTickCount() - start < limitMs) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
      }
    }
  }

  void SetItemText(int, const std::string&) override {}
  void EnableItem(int, bool) override {}
  void ShowItem(int, bool) override {}
  intptr_t SendItemMessage(int, uint32_t, uintptr_t, intptr_t) override { return 0; }
  void SetItemIcon(int, int) override {}
  void SetTimer(uint32_t, uint32_t) override {}
  void KillTimer(uint32_t) override {}
  void Destroy() override {}
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    PostMessageA(window_, message, wParam, lParam);
  }
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(window_); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NoticeWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == mci::kMmMciNotify && self != nullptr) {
      self->notices_.push_back({wParam, lParam});
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  std::vector<Notice> notices_;
};

WaveSetParams RecorderFormat() {
  WaveSetParams params;
  params.formatTag = mci::kWaveFormatPcm;
  params.channels = 1;
  params.samplesPerSec = 8000;
  params.avgBytesPerSec = 16000;
  params.blockAlign = 2;
  params.bitsPerSample = 16;
  return params;
}

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
  CHECK_HR(device.SetFormat(id, mci::kSetFormatFlags, RecorderFormat()), 0);
  const DWORD start = GetTickCount();
  CHECK_HR(device.Record(id, mci::kRecordFlags, 0, 3000), 0);
  // The format of a recording is fixed once it holds sound.
  CHECK_HR(device.SetFormat(id, mci::kSetFormatFlags, RecorderFormat()),
           mci::kMciErrNonapplicableFunction);
  // The recording ends by itself at 3 s of sound.
  Sleep(4500);
  std::string sound;
  CHECK_HR(device.Save(id, mci::kSaveFlags, folder + "take.wav"), 0);
  CHECK_HR(device.Close(id, mci::kCloseFlags), 0);
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
  CHECK_HR(device.SetFormat(id, mci::kSetFormatFlags, RecorderFormat()), 0);
  const DWORD start = GetTickCount();
  CHECK_HR(device.Record(id, mci::kRecordFlags, 0, 20000), 0);
  Sleep(2700);
  const double ran = MsSince(start);
  std::string sound;
  CHECK_HR(device.Save(id, mci::kSaveFlags, folder + "early.wav"), 0);
  const double saved = MsSince(start);
  CHECK_HR(device.Close(id, mci::kCloseFlags), 0);
  REQUIRE(IsRecorderWav(folder + "early.wav", &sound));
  if (!KeptWhatRan(sound, ran, saved)) {
    Fail(__FILE__, __LINE__,
         "recorded " + std::to_string(sound.size()) + " bytes in " + std::to_string(ran) + " ms");
  }
}

// Fifty records and fifty plays, each stopped (saved and closed, or closed)
// at an uneven moment, from right after its start to well into it: the
// close must not free what the driver still uses, and every take holds the
// time it ran.
TEST_GROUP(WaveStopAtAnyMoment) {
  Win32WaveDevice device;
  NoticeWindow window;
  const std::string folder = Folder();
  const std::string tone = folder + "cycle_tone.wav";
  const tamborix::WavFormat format;
  WriteFileBytes(tone, tamborix::BuildWavFile(format, tamborix::TestSignal(format, 0, 24000)));
  std::mt19937 random(GetTickCount());
  std::uniform_int_distribution<int> moment(130, 1900);
  int failedSteps = 0;
  int offTakes = 0;
  std::string firstOff;
  for (int cycle = 0; cycle < 50; ++cycle) {
    MciDeviceId id = 0;
    const int recordMs = moment(random);
    failedSteps += device.Open(mci::kOpenFlags, "", &id) != 0 ? 1 : 0;
    failedSteps += device.SetFormat(id, mci::kSetFormatFlags, RecorderFormat()) != 0 ? 1 : 0;
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
         std::to_string(offTakes) + " of 50 takes not as long as they ran, first " + firstOff);
  }
  // Every play was closed before its end: no notice reached the window.
  CHECK(window.Notices().empty());
}

TEST_GROUP(WavePlayNotifyClose) {
  Win32WaveDevice device;
  NoticeWindow window;
  const std::string path = Folder() + "tone.wav";
  const tamborix::WavFormat format;
  WriteFileBytes(path, tamborix::BuildWavFile(format, tamborix::TestSignal(format, 0, 24000)));

  MciDeviceId id = 0;
  REQUIRE(device.Open(mci::kOpenFlags, path, &id) == 0);
  CHECK_HR(device.Record(id, mci::kRecordFlags, 0, 1000), mci::kMciErrNonapplicableFunction);
  CHECK_HR(device.Play(id, mci::kPlayFlags, &window), 0);
  window.WaitForNotice(15000);
  REQUIRE(window.Notices().size() == 1);
  CHECK(window.Notices()[0].kind == mci::kMciNotifySuccessful);
  CHECK(static_cast<MciDeviceId>(window.Notices()[0].id) == id);
  CHECK_HR(device.Close(id, mci::kCloseFlags), 0);

  // Closing before the end takes the notice back.
  REQUIRE(device.Open(mci::kOpenFlags, path, &id) == 0);
  CHECK_HR(device.Play(id, mci::kPlayFlags, &window), 0);
  Sleep(300);
  CHECK_HR(device.Close(id, mci::kCloseFlags), 0);
  window.WaitForNotice(2500);
  CHECK(window.Notices().size() == 1);
}

TEST_GROUP(WaveOpenErrors) {
  Win32WaveDevice device;
  const std::string folder = Folder();
  MciDeviceId id = 77;
  CHECK_HR(device.Open(mci::kOpenFlags, folder + "missing.wav", &id), mci::kMciErrFileNotFound);
  WriteFileBytes(folder + "text.wav", "hello, this is not sound");
  CHECK_HR(device.Open(mci::kOpenFlags, folder + "text.wav", &id), mci::kMciErrInvalidFile);
  CHECK(id == 77);
  CHECK_HR(device.Open(mci::kOpenFlags | mci::kMciNotify, "", &id), mci::kMciErrFlagsNotCompatible);
  CHECK_HR(device.Open(mci::kOpenFlags, "", nullptr), mci::kMciErrNullParameterBlock);

  // Two new recordings at once: each its own id.
  MciDeviceId first = 0;
  MciDeviceId second = 0;
  CHECK_HR(device.Open(mci::kOpenFlags, "", &first), 0);
  CHECK_HR(device.Open(mci::kOpenFlags, "", &second), 0);
  CHECK(first != 0 && second != 0 && first != second);
  CHECK_HR(device.Close(first, mci::kCloseFlags), 0);
  CHECK_HR(device.Close(second, mci::kCloseFlags), 0);
}

TEST_GROUP(WaveCommandErrors) {
  Win32WaveDevice device;
  const std::string folder = Folder();
  MciDeviceId kept = 0;
  MciDeviceId id = 0;
  REQUIRE(device.Open(mci::kOpenFlags, "", &kept) == 0);
  REQUIRE(device.Open(mci::kOpenFlags, "", &id) == 0);
  NoticeWindow window;
  CHECK_HR(device.Play(id, mci::kPlayFlags, &window), mci::kMciErrNonapplicableFunction);
  WaveSetParams cd = RecorderFormat();
  cd.samplesPerSec = 44100;
  cd.avgBytesPerSec = 88200;
  CHECK_HR(device.SetFormat(id, mci::kSetFormatFlags, cd), mci::kMciErrWaveSetInputUnsuitable);
  WaveSetParams stereo = RecorderFormat();
  stereo.channels = 2;
  CHECK_HR(device.SetFormat(id, mci::kSetFormatFlags, stereo), mci::kMciErrOutOfRange);
  CHECK_HR(device.Record(id, mci::kRecordFlags, 2000, 1000), mci::kMciErrOutOfRange);
  CHECK_HR(device.Record(id, mci::kRecordFlags | mci::kMciWait, 0, 1000),
           mci::kMciErrFlagsNotCompatible);
  CHECK_HR(device.Save(id, mci::kSaveFlags, ""), mci::kMciErrUnnamedResource);
  CHECK_HR(device.Save(id, mci::kSaveFlags, folder + "no such folder\\a.wav"),
           mci::kMciErrFileNotSaved);
  CHECK_HR(device.Close(id, mci::kMciNotify), mci::kMciErrFlagsNotCompatible);

  // Every command on a closed id, and ids never opened.
  CHECK_HR(device.Close(id, mci::kCloseFlags), 0);
  CHECK_HR(device.SetFormat(id, mci::kSetFormatFlags, RecorderFormat()),
           mci::kMciErrInvalidDeviceId);
  CHECK_HR(device.Record(id, mci::kRecordFlags, 0, 1000), mci::kMciErrInvalidDeviceId);
  CHECK_HR(device.Play(id, mci::kPlayFlags, &window), mci::kMciErrInvalidDeviceId);
  CHECK_HR(device.Save(id, mci::kSaveFlags, folder + "a.wav"), mci::kMciErrInvalidDeviceId);
  CHECK_HR(device.Close(id, mci::kCloseFlags), mci::kMciErrInvalidDeviceId);
  CHECK_HR(device.Close(0, mci::kCloseFlags), mci::kMciErrInvalidDeviceId);
  CHECK_HR(device.Close(0xFFFFFFFFu, mci::kCloseFlags), mci::kMciErrInvalidDeviceId);
  CHECK(GetFileAttributesA((folder + "a.wav").c_str()) == INVALID_FILE_ATTRIBUTES);
  // The other device was left alone.
  CHECK_HR(device.Close(kept, mci::kCloseFlags), 0);

  std::string text;
  CHECK(device.GetErrorText(mci::kMciErrFileNotFound, &text) && !text.empty() && text.size() < 128);
}

}  // namespace
}  // namespace tamborix_wine

int main() {
  return tamborix_wine::RunGroups() == 0 ? 0 : 1;
}
