// The in-memory wave-audio device. It obeys the MCI contract the recorder
// relies on, with time taken from a MemoryClock and files kept in a
// MemoryKernel:
//
// - Device ids start at 1 and grow; a closed id is never reused. A command on
//   an id that is not open gives kMciErrInvalidDeviceId.
// - Open with element "" makes a new, empty recording; with a path it opens
//   the WAV file at that path in the kernel's store for playing
//   (kMciErrFileNotFound when missing, kMciErrInvalidFile when it is no PCM
//   RIFF/WAVE file). A flag word other than the one the recorder sends for a
//   command (mci.h kOpenFlags, kSetFormatFlags, ...) gives
//   kMciErrFlagsNotCompatible.
// - SetFormat accepts 8000 Hz, 16-bit, mono PCM only: inconsistent values
//   give kMciErrOutOfRange, another consistent PCM format
//   kMciErrWaveSetInputUnsuitable. A new recording starts in the device's
//   own default format (11025 Hz, 8-bit, mono) until SetFormat succeeds.
// - Record (from <= recorded length <= ..., from <= to, else
//   kMciErrOutOfRange) grows the recording at the format's bytes per second
//   (16,000 for the recorder's format) of clock time and stops by itself at
//   `toMs`. Record on a device opened from a file, and Play on a recording
//   device, give kMciErrNonapplicableFunction.
// - Save writes a RIFF/WAVE file with a 44-byte header of what was recorded
//   so far (a 500 Hz test tone) into the kernel's store, also while
//   recording; kMciErrUnnamedResource for an empty path, kMciErrFileNotSaved
//   when the folder is missing.
// - Play posts MM_MCINOTIFY (wParam kMciNotifySuccessful, lParam the device
//   id) to the given window when the file's length (data bytes / bytes per
//   second, rounded up to the millisecond) has elapsed. A second Play
//   restarts and posts kMciNotifySuperseded for the first; Close before the
//   end cancels the notice.
// - GetErrorText gives the English MCI texts.
//
// Every method runs on the panel's user-interface thread.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_kernel.h"
#include "platform/memory/ui_thread.h"
#include "platform/memory/wav_file.h"
#include "platform/wave_device.h"

namespace tamborix {

class MemoryWaveDevice : public WaveDevice, public MemoryClock::Source {
 public:
  MemoryWaveDevice(MemoryClock& clock, MemoryKernel& files);
  ~MemoryWaveDevice() override;
  MemoryWaveDevice(const MemoryWaveDevice&) = delete;
  MemoryWaveDevice& operator=(const MemoryWaveDevice&) = delete;

  // WaveDevice.
  MciError Open(uint32_t flags, const std::string& element, MciDeviceId* id) override;
  MciError SetFormat(MciDeviceId id, uint32_t flags, const WaveSetParams& params) override;
  MciError Record(MciDeviceId id, uint32_t flags, uint32_t fromMs, uint32_t toMs) override;
  MciError Play(MciDeviceId id, uint32_t flags, PanelWindow* notify) override;
  MciError Save(MciDeviceId id, uint32_t flags, const std::string& path) override;
  MciError Close(MciDeviceId id, uint32_t flags) override;
  bool GetErrorText(MciError code, std::string* text) override;

  // The `nth` next call (1 = the next one) of `command` (kMciOpen, kMciSet,
  // kMciRecord, kMciPlay, kMciSave, kMciClose) fails with `error` and does
  // nothing else. Several faults may wait on one command.
  void InjectFault(uint32_t command, int nth, MciError error);
  // GetErrorText answers false for `code` from now on.
  void ForgetErrorText(MciError code);
  // When on, Record fails with kMciErrWaveInputsInUse while another device is
  // still recording (a system with one wave input). Off by default.
  void SetSingleInput(bool single);

  std::vector<MciDeviceId> OpenDeviceIds() const;
  // One entry per command call, oldest first. `element` is Open's element or
  // Save's path; fromMs/toMs are Record's.
  struct CommandRecord {
    uint32_t command = 0;
    MciDeviceId id = 0;
    uint32_t flags = 0;
    MciError result = 0;
    std::string element;
    uint32_t fromMs = 0, toMs = 0;
  };
  const std::vector<CommandRecord>& Commands() const { return commands_; }
  // How much sound a device holds now, in ms of its format (0 for an id that
  // is not open).
  int64_t RecordedMs(MciDeviceId id) const;
  bool IsRecording(MciDeviceId id) const;
  bool IsPlaying(MciDeviceId id) const;

  // MemoryClock::Source: the play notices.
  int64_t NextDueMs() const override;
  void RunDue(int64_t nowMs) override;

 private:
  struct Device {
    bool fromFile = false;
    WavFormat format{1, 1, 11025, 11025, 1, 8};
    std::string fileData;  // a device opened from a file
    // A recording: bytes kept before the running segment, and the segment.
    uint64_t keptBytes = 0;
    bool recording = false;
    int64_t recordStartMs = 0;
    uint32_t fromMs = 0, toMs = 0;
    // Playing.
    bool playing = false;
    int64_t playEndMs = 0;
    PanelWindow* notify = nullptr;
    std::string savedPath;  // held open until Close, as Windows' driver does
  };
  struct Fault {
    uint32_t command;
    int remaining;
    MciError error;
  };

  bool TakeFault(uint32_t command, MciError* error);
  MciError Log(CommandRecord record);
  Device* Find(MciDeviceId id);
  const Device* Find(MciDeviceId id) const;
  uint64_t SoundBytes(const Device& device) const;
  bool RecordingNow(const Device& device) const;

  MemoryClock& clock_;
  MemoryKernel& files_;
  std::map<MciDeviceId, Device> devices_;
  MciDeviceId nextId_ = 1;
  std::vector<Fault> faults_;
  std::set<MciError> forgotten_;
  bool singleInput_ = false;
  std::vector<CommandRecord> commands_;
  UiThread uiThread_;
};

}  // namespace tamborix
