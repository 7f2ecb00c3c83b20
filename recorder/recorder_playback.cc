// PLAY and the end of playback.
#include "panel_view/panel_ops.h"
#include "platform/kernel.h"
#include "platform/panel_window.h"
#include "platform/wave_device.h"
#include "platform/window_messages.h"
#include "recorder/recorder.h"
#include "state/recorder_state.h"

namespace tamborix {
namespace {

constexpr char kPlayingInProcess[] = "playing in process...";
constexpr char kOpenFailed[] = "MCI_OPEN to Play ERROR";
constexpr char kPlayFailed[] = "MCI_PLAY ERROR";

}  // namespace

intptr_t Recorder::OnPlay() {
  if (state_.isPlaying == 1) {
    platform_.kernel->ShowMessageBox(kPlayingInProcess);
    return 0;
  }
  SetTrackbarPosition(0);
  state_.isPlaying = 0;

  WaveDevice& device = *platform_.device;
  MciDeviceId id = 0;
  MciError error = device.Open(kOpenFlags, state_.fullPath, &id);
  if (error != 0) {
    ShowDeviceError(error, kOpenFailed);
    return -1;
  }
  state_.deviceId = id;

  error = device.Play(state_.deviceId, kPlayFlags, &window_);
  if (error != 0) {
    ShowDeviceError(error, kPlayFailed);
    CloseDevice();
    return -1;
  }

  EnableButtons(window_, ButtonState::kPlaying);
  window_.SetTimer(kClockTimerId, kClockPeriodMs);
  state_.elapsedSeconds = 0;
  state_.isPlaying = 1;
  return 0;
}

intptr_t Recorder::OnPlayDone() {
  // The notice's kind and device id do not matter: any notice that arrives
  // while a playback runs ends it, and one that arrives later changes nothing.
  if (state_.isPlaying == 1) {
    FinishPlayback();
    window_.KillTimer(kClockTimerId);
    ShowTakeReady();
  }
  return 0;
}

void Recorder::FinishPlayback() {
  state_.isPlaying = 0;
  CloseDevice();
}

}  // namespace tamborix
