// The wave-audio device on Windows: each operation is one mciSendCommandA
// with the flag word and parameter block the recorder sends, and the error
// text comes from mciGetErrorStringA. Play's notice is posted by the system
// to the window handle of the PanelWindow given (its NativeHandle()).
//
// In front of the system, the device answers what the contract of
// wave_device.h fixes and the system would answer otherwise or not at all,
// with the same numbers as the in-memory device:
// - every open gets an alias of its own (MCI_OPEN_ALIAS is added to the
//   flag word), so several new recordings, or one file, may be open at once;
// - ids this object did not open, or has closed, give kMciErrInvalidDeviceId
//   and never reach the system (a stray id could name another program's
//   device, and MCI_ALL_DEVICE_ID would close them all);
// - a flag word other than the recorder's gives kMciErrFlagsNotCompatible;
// - Record on a device opened from a file, and Play on a new recording, give
//   kMciErrNonapplicableFunction, and so does SetFormat once the device holds
//   sound; formats other than 8000 Hz 16-bit mono PCM are refused as
//   CheckRecordingFormat says; an empty save path gives
//   kMciErrUnnamedResource, and a file that cannot be written
//   kMciErrFileNotSaved;
// - Close takes back a play notice that the system posted for the device
//   while it closed, so closing before the end cancels the notice.
//
// The system's wave-audio driver is kept loaded from the first open on (see
// PinDriver). Wine's device ends a running recording when it saves it; the recorder
// saves only right before it closes, or after the recording has ended.
//
// Every method runs on the panel's user-interface thread.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/wave_device.h"

namespace tamborix {

class Win32WaveDevice : public WaveDevice {
 public:
  MciError Open(uint32_t flags, const std::string& element, MciDeviceId* id) override;
  MciError SetFormat(MciDeviceId id, uint32_t flags, const WaveSetParams& params) override;
  MciError Record(MciDeviceId id, uint32_t flags, uint32_t fromMs, uint32_t toMs) override;
  MciError Play(MciDeviceId id, uint32_t flags, PanelWindow* notify) override;
  MciError Save(MciDeviceId id, uint32_t flags, const std::string& path) override;
  MciError Close(MciDeviceId id, uint32_t flags) override;
  bool GetErrorText(MciError code, std::string* text) override;

 private:
  struct Device {
    bool fromFile = false;
    bool holdsSound = false;     // recorded into, or opened from a file
    uintptr_t notifyWindow = 0;  // the window of the last Play
  };

  // Keeps the system's wave-audio driver loaded once a device was opened.
  void PinDriver();

  std::map<MciDeviceId, Device> devices_;
  uint64_t opened_ = 0;  // numbers the aliases
  bool driverPinned_ = false;
};

}  // namespace tamborix
