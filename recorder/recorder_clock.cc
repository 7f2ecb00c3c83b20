// The one-second clock: trackbar, size label, the length limit and the combo
// box of minutes.
#include <string>

#include "panel_view/panel_ops.h"
#include "platform/kernel.h"
#include "platform/panel_window.h"
#include "platform/window_messages.h"
#include "recorder/recorder.h"
#include "recorder/recording_size.h"
#include "state/recorder_state.h"

namespace tamborix {
namespace {

constexpr char kTimeUp[] = "Time Up ! Save to file Done";

}  // namespace

intptr_t Recorder::OnClockTick() {
  ++state_.elapsedSeconds;
  window_.KillTimer(kClockTimerId);
  if (state_.elapsedSeconds <= state_.maxSeconds) {
    window_.SetTimer(kClockTimerId, kClockPeriodMs);
    SetTrackbarPosition(state_.elapsedSeconds);
    if (state_.isRecording == 1) {
      ShowSize(RecordingSizeKb(state_.elapsedSeconds));
    }
    return 0;
  }
  // Time-up. A playback runs on to its end notice; a recording ends here.
  if (state_.isRecording == 1) {
    const int saved = FinishRecording();
    ShowTakeReady();
    // A failed save has shown its own box; it is not reported as done.
    if (saved == 1) {
      platform_.kernel->ShowMessageBox(kTimeUp);
    }
  }
  return 0;
}

intptr_t Recorder::OnMaxLengthChange() {
  const intptr_t index = window_.SendItemMessage(kLengthCombo, kCbGetCurSel, 0, 0);
  if (index == kCbErr) {
    return 0;
  }
  state_.maxLength = std::to_string((index + 1) * 60);
  state_.maxSeconds = ReadDecimal(state_.maxLength);
  SetTrackbarRange();
  return 0;
}

void Recorder::ShowSize(int32_t kilobytes) {
  window_.SetItemText(kSizeLabel, LoadText(*platform_.kernel, kTextFileSize) + " " +
                                      std::to_string(kilobytes) + " KB");
}

void Recorder::SetTrackbarRange() {
  tamborix::SetTrackbarRange(window_, state_.maxSeconds);
}

void Recorder::SetTrackbarPosition(int32_t position) {
  window_.SendItemMessage(kTrackbar, kTbmSetPos, 1, position);
}

}  // namespace tamborix
