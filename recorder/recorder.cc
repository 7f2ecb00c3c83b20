// REC, saving and closing: a recording from a press of REC to the WAV file.
#include <cinttypes>
#include <cstdio>

#include "panel_view/panel_ops.h"
#include "platform/kernel.h"
#include "platform/panel_window.h"
#include "platform/recording_format.h"
#include "platform/wave_device.h"
#include "platform/window_messages.h"
#include "recorder/recorder.h"
#include "state/recorder_state.h"

namespace tamborix {
namespace {

constexpr char kRecordingInProcess[] = "recording in process...";
constexpr char kPathTooLong[] = "The file path is too long to record: more than 2047 bytes";
constexpr char kOpenFailed[] = "mciSendCommand() did not open the Wave Audio device!";
constexpr char kSetFailed[] = "mciSendCommand() did not set parameters!";
constexpr char kRecordFailed[] = "mciSendCommand() did not record the waveform!";
constexpr char kSaveFailed[] = "mciSendCommand() did not save the waveform!";
constexpr char kReplaceFailed[] = "Could not put the recording in place";
constexpr char kKeptAs[] = "The recording is kept as:";
constexpr char kCloseFailed[] = "Close Device Error:";

// The device writes the new file next to the old one under this name first.
constexpr char kTemporarySuffix[] = ".tmp";

// mciGetErrorString writes into a 128-byte buffer.
constexpr size_t kMaxErrorTextBytes = 127;

}  // namespace

Recorder::Recorder(RecorderState& state, const Platform& platform, PanelWindow& window)
    : state_(state), platform_(platform), window_(window) {}

intptr_t Recorder::OnRec() {
  Kernel& kernel = *platform_.kernel;
  if (state_.isRecording == 1) {
    kernel.ShowMessageBox(kRecordingInProcess);
    return 0;
  }
  // The status box shows only what fits; never record to a name cut short.
  if (state_.fullPath.size() > kMaxPathBytes) {
    kernel.ShowMessageBox(kPathTooLong);
    return 0;
  }
  SetTrackbarPosition(0);
  ShowSize(0);
  state_.isRecording = 0;

  WaveDevice& device = *platform_.device;
  MciDeviceId id = 0;
  MciError error = device.Open(kOpenFlags, std::string(), &id);
  if (error != 0) {
    ShowDeviceError(error, kOpenFailed);
    return -1;
  }
  state_.deviceId = id;

  error = device.SetFormat(state_.deviceId, kSetFormatFlags, RecordingFormat());
  if (error != 0) {
    ShowDeviceError(error, kSetFailed);
    CloseDevice();
    return 0;
  }

  state_.maxSeconds = ReadDecimal(state_.maxLength);
  const uint32_t endMs = static_cast<uint32_t>(state_.maxSeconds) * 1000u;
  error = device.Record(state_.deviceId, kRecordFlags, 0, endMs);
  if (error != 0) {
    ShowDeviceError(error, kRecordFailed);
    CloseDevice();
    return 0;
  }

  EnableButtons(window_, ButtonState::kRecording);
  state_.isRecording = 1;
  window_.SetTimer(kClockTimerId, kClockPeriodMs);
  state_.elapsedSeconds = 0;
  return 0;
}

void Recorder::ShowTakeReady() {
  EnableButtons(window_, ButtonState::kReady);
}

int Recorder::SaveRecording() {
  Kernel& kernel = *platform_.kernel;
  const std::string path = state_.fullPath;
  const std::string temporary = path + kTemporarySuffix;
  kernel.RemoveFile(temporary);  // a leftover of an earlier failure, if any

  const MciError error = platform_.device->Save(state_.deviceId, kSaveFlags, temporary);
  if (error != 0) {
    ShowDeviceError(error, kSaveFailed);
    kernel.RemoveFile(temporary);
    CloseDevice();
    return 0;
  }
  // The device may hold the file it saved until it is closed.
  CloseDevice();
  if (!kernel.MoveIntoPlace(temporary, path)) {
    // The old take stays as it is; the new one is not thrown away.
    const std::string kept = KeepTake(temporary);
    kernel.ShowMessageBox(std::string(kReplaceFailed) + ":" + path + "\n" + kKeptAs + kept);
  }
  return 1;
}

void Recorder::CloseDevice() {
  const MciError error = platform_.device->Close(state_.deviceId, kCloseFlags);
  if (error != 0) {
    ShowDeviceError(error, kCloseFailed);
  }
}

void Recorder::ShowDeviceError(MciError code, const std::string& message) {
  std::string deviceText;
  std::string box;
  if (platform_.device->GetErrorText(code, &deviceText)) {
    if (deviceText.size() > kMaxErrorTextBytes) {
      deviceText.resize(kMaxErrorTextBytes);
    }
    box = message + ":" + deviceText;
  } else {
    char number[32];
    std::snprintf(number, sizeof number, "0x%08" PRIX32 " returned!", code);
    box = number;
  }
  platform_.kernel->ShowMessageBox(box);
}

int Recorder::FinishRecording() {
  // Cleared first so that nothing dispatched while an error box is open
  // sees a recording that is already ending.
  state_.isRecording = 0;
  return SaveRecording();
}

}  // namespace tamborix
