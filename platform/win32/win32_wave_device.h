// The wave-audio device on Windows: each operation is one mciSendCommandA
// with the flag word and parameter block the recorder sends, and the error
// text comes from mciGetErrorStringA.
//
// In front of the system, the device answers what the contract of
// wave_device.h fixes and the system would answer otherwise or not at all,
// with the same numbers as the in-memory device:
// - ids are this object's own, counted from 1 and never handed out again,
//   each standing for the system's id of its device: the system gives a
//   closed id to its next open, and a notice of the old device still on its
//   way to the panel would then pass for one of the new. Ids this object did
//   not open, or has closed, give kMciErrInvalidDeviceId and never reach the
//   system (a stray id could name another program's device, and
//   MCI_ALL_DEVICE_ID would close them all);
// - a flag word other than the recorder's gives kMciErrFlagsNotCompatible;
// - Record on a device opened from a file, and Play on a new recording, give
//   kMciErrNonapplicableFunction, and so does SetFormat once the device holds
//   sound; formats other than 8000 Hz 16-bit mono PCM are refused as
//   CheckRecordingFormat says; an empty save path gives
//   kMciErrUnnamedResource, and a file that cannot be written
//   kMciErrFileNotSaved.
//
// What the device adds to the recorder's flag words:
// - every open gets an alias of its own (MCI_OPEN_ALIAS), so several new
//   recordings, or one file, may be open at once;
// - Record and Play run with MCI_NOTIFY addressed to a message-only window of
//   this object. Play's notice is passed on to the PanelWindow given, as a
//   posted MM_MCINOTIFY (wParam the notice kind, lParam the device id);
//   Record's is kept.
// - The system's driver (Wine's mciwave, at least) runs each record or play
//   on a worker thread of its own, which goes on using the wave device and
//   the driver's state after a stop has returned: Wine sends the aborted
//   notice at the start of the stop, and the mode reads stopped before the
//   worker has closed its wave device, so neither says that the worker is
//   done, and a close in that time frees what the worker still uses. The
//   worker's end is what Close relies on: Record and Play take the
//   process's threads just before and after the command and keep the new
//   ones that started in the driver's module (mciwave.dll), under a lock of
//   the process so that a device on another thread does not mix its worker
//   in. Close stops a worker that still runs and waits for it to end, at
//   most kWorkerEndLimitMs; a device whose worker has ended, or that never
//   recorded or played, closes at once. Only where no worker was found (a
//   driver that runs none, or a system that tells no start addresses) does
//   Close stop the device and give it a fixed grace instead.
//   Closing before the end cancels Play's notice.
// The driver module is kept loaded from the first open on, for the same
// reason. Wine's device ends a running recording when it saves it; the
// recorder saves only right before it closes, or after the recording ended.
//
// Every method runs on the panel's user-interface thread; the notices reach
// the message-only window, made on that thread, through its message loop.
// So one object serves one thread: each control has a device of its own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/wave_device.h"

namespace tamborix {

class Win32WaveDevice : public WaveDevice {
 public:
  Win32WaveDevice() = default;
  ~Win32WaveDevice() override;
  Win32WaveDevice(const Win32WaveDevice&) = delete;
  Win32WaveDevice& operator=(const Win32WaveDevice&) = delete;

  MciError Open(uint32_t flags, const std::string& element, MciDeviceId* id) override;
  MciError SetFormat(MciDeviceId id, uint32_t flags, const WaveSetParams& params) override;
  MciError Record(MciDeviceId id, uint32_t flags, uint32_t fromMs, uint32_t toMs) override;
  MciError Play(MciDeviceId id, uint32_t flags, PanelWindow* notify) override;
  MciError Save(MciDeviceId id, uint32_t flags, const std::string& path) override;
  MciError Close(MciDeviceId id, uint32_t flags) override;
  bool GetErrorText(MciError code, std::string* text) override;

  // The system's notice for a record or play of the device the system knows
  // as `systemId` (the message-only window's MM_MCINOTIFY).
  void OnNotice(uintptr_t kind, MciDeviceId systemId);

 private:
  struct Device {
    MciDeviceId system = 0;  // the system's id of the device
    bool fromFile = false;
    bool holdsSound = false;     // recorded into, or opened from a file
    int running = 0;             // records and plays whose notice is still to come
    bool stoppedEarly = false;   // a record or play ended other than by itself
    uintptr_t panelWindow = 0;   // where Play's notice goes on to
    std::vector<void*> workers;  // handles of the driver's threads for it
  };

  // The message-only window the system's notices come to (made on first use).
  uintptr_t NoticeWindow();
  // Handles the notices waiting for the message-only window.
  void TakeNotices();
  // Keeps the system's wave-audio driver loaded once a device was opened.
  void PinDriver();
  // Sends a record or play command and keeps the worker threads the driver
  // started for it.
  MciError SendStartingWorker(uint32_t command, uint32_t flags, void* params, Device& device);
  // Stops a record or play that still runs and waits until it has ended.
  void FinishRunning(Device& device);

  std::map<MciDeviceId, Device> devices_;  // by this object's id
  MciDeviceId nextId_ = 1;
  uint64_t opened_ = 0;  // numbers the aliases
  bool driverPinned_ = false;
  uintptr_t noticeWindow_ = 0;
};

}  // namespace tamborix
