// The wave-audio device: the eight operations of the Media Control Interface
// that the recorder uses, and nothing more.
//
// What every implementation keeps:
// - Threading: every method is called on the panel's user-interface thread
//   (the in-memory device checks this and stops the program on a breach),
//   and a device object serves one such thread: each control has its own. A
//   device records and plays in the background; the only thing it ever sends
//   back is MM_MCINOTIFY, posted to the window given to Play, never called.
// - Ids: every command returns an MCI error number, 0 on success, and acts on
//   the id a successful Open returned. Ids are not 0 and a closed id is not
//   handed out again while the device object lives. A command on an id that
//   is not open returns kMciErrInvalidDeviceId.
// - Pairing: the caller ends every successful Open with exactly one Close;
//   after a failed Open there is nothing to close. Close cancels a pending
//   notice.
// - Flags: flag words are passed as the recorder sends them (see mci.h); an
//   implementation may refuse a flag word it does not support with
//   kMciErrFlagsNotCompatible.
// - Files: Save and Open name files in the kernel's path form (kernel.h).
//
// Strictness of the in-memory device only (a real device may be laxer): it
// refuses every flag word but the recorder's, every format but 8000 Hz 16-bit
// mono PCM, Record on a playing device and Play on a recording one.
#pragma once

#include <string>

#include "platform/mci.h"

namespace tamborix {

class PanelWindow;

class WaveDevice {
 public:
  virtual ~WaveDevice() = default;

  // MCI_OPEN for device type MCI_DEVTYPE_WAVEFORM_AUDIO. An empty element
  // opens a new, empty recording; a path opens that WAV file for playing
  // (kMciErrFileNotFound when it does not exist, kMciErrInvalidFile when it is
  // no WAV file). On success writes the new device id.
  virtual MciError Open(uint32_t flags, const std::string& element, MciDeviceId* id) = 0;

  // MCI_SET with a wave set-parameter block: fixes the recording format.
  virtual MciError SetFormat(MciDeviceId id, uint32_t flags, const WaveSetParams& params) = 0;

  // MCI_RECORD from..to milliseconds. Returns at once; the device records in
  // the background and stops by itself at `toMs`. No notice follows.
  virtual MciError Record(MciDeviceId id, uint32_t flags, uint32_t fromMs, uint32_t toMs) = 0;

  // MCI_PLAY of the whole file with MCI_NOTIFY. Returns at once; when playing
  // ends the device posts MM_MCINOTIFY to `notify` (wParam the notice kind,
  // lParam the device id). Closing the device first cancels that notice.
  virtual MciError Play(MciDeviceId id, uint32_t flags, PanelWindow* notify) = 0;

  // MCI_SAVE with MCI_WAIT: writes what has been recorded so far to `path` as
  // a RIFF/WAVE file, also while the recording is still running. The device
  // may keep `path` open until Close (Windows' waveaudio driver does): the
  // caller renames or deletes it only after closing.
  virtual MciError Save(MciDeviceId id, uint32_t flags, const std::string& path) = 0;

  // MCI_CLOSE with MCI_WAIT: ends recording or playing and releases the id.
  // It returns once nothing of the device runs in the background any more,
  // since the caller moves the file and may be unloaded right after. A real
  // driver may finish a stopped record or play on a worker thread of its own
  // after the stop returned and its notice came: the Win32 device waits for
  // that worker to end (bounded), and only where it can find none gives it a
  // fixed grace. With nothing running, Close does not wait.
  virtual MciError Close(MciDeviceId id, uint32_t flags) = 0;

  // mciGetErrorString: true, with the device's text, when it has one for
  // `code` (at most 127 bytes); false otherwise.
  virtual bool GetErrorText(MciError code, std::string* text) = 0;
};

}  // namespace tamborix
