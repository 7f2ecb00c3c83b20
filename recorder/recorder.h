// The recorder engine: recording into the WAV file at fullPath, saving it,
// playing it back, and the one-second clock that limits a recording and
// shows its size. It works on the control's RecorderState, reaches the sound
// hardware only through the WaveDevice and the panel only through
// PanelWindow, and shows every failure in a message box.
//
// A device is open exactly while isRecording or isPlaying is 1: every path
// that ends a recording or a playback, or fails to start one after the open
// succeeded, closes it again.
//
// Threading: the panel's user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/mci.h"
#include "platform/platform.h"

namespace tamborix {

class PanelWindow;
struct RecorderState;

class Recorder {
 public:
  Recorder(RecorderState& state, const Platform& platform, PanelWindow& window);
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // REC: opens a new recording on a fresh device and starts the clock.
  // Returns -1 when the device could not be opened, else 0.
  intptr_t OnRec();

  // Writes what has been recorded so far to fullPath and closes the device.
  // The old file at fullPath is replaced only once the new one is complete
  // and the device has let go of it. When it cannot be replaced (another
  // program holds it open), the old file stays and the new one is kept
  // beside it (KeepTake). Returns 1 when the take was written, else 0
  // (after showing why).
  int SaveRecording();

  // Closes deviceId; a failure is shown. deviceId keeps its value.
  void CloseDevice();

  // Shows a failed device step: "<message>:<device text>", or the number
  // alone when the device has no text for it.
  void ShowDeviceError(MciError code, const std::string& message);

  // Ends a running recording: saves it and closes the device. Returns what
  // SaveRecording returned.
  int FinishRecording();

  // PLAY: opens fullPath on a new device and plays it with an end notice.
  // Returns -1 when opening or playing fails, else 0.
  intptr_t OnPlay();

  // The device's end notice (MM_MCINOTIFY). Always 0.
  intptr_t OnPlayDone();

  // Ends a running playback: closes the device.
  void FinishPlayback();

  // The buttons once a take or its playback has ended, however it ended
  // (STOP, time-up, the end of the file): the one place that decides them.
  void ShowTakeReady();

  // One tick of the clock (WM_TIMER). Always 0.
  intptr_t OnClockTick();

  // The combo box of minutes changed its selection. Always 0.
  intptr_t OnMaxLengthChange();

  // Trackbar range 0..maxSeconds with a tick every 10 positions.
  void SetTrackbarRange();

 private:
  // Moves the take at `temporary` to the first free name of fileName
  // numbered from 2 ("take.wav" -> "take-2.wav", "take-3.wav" ...) in the
  // same folder, or leaves it at `temporary` when none can be had; the
  // file name, fullPath and the status box follow it. Returns its path.
  std::string KeepTake(const std::string& temporary);
  void ShowSize(int32_t kilobytes);
  void SetTrackbarPosition(int32_t position);

  RecorderState& state_;
  Platform platform_;
  PanelWindow& window_;
};

}  // namespace tamborix
