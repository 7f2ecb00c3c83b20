#include "platform/win32/win32_wave_device.h"

#include <windows.h>

#include <mmsystem.h>

#include <vector>

#include "platform/panel_window.h"
#include "platform/recording_format.h"

namespace tamborix {
namespace {

MciError Send(MciDeviceId id, UINT command, uint32_t flags, void* params) {
  return mciSendCommandA(id, command, flags, reinterpret_cast<DWORD_PTR>(params));
}

// Removes the MM_MCINOTIFY messages for device `id` from `window`'s queue
// (which belongs to this thread) and leaves the others in their order.
void TakeBackNotices(HWND window, MciDeviceId id) {
  std::vector<MSG> others;
  MSG message;
  while (PeekMessageA(&message, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
    if (static_cast<MciDeviceId>(message.lParam) != id) {
      others.push_back(message);
    }
  }
  for (const MSG& other : others) {
    PostMessageA(other.hwnd, other.message, other.wParam, other.lParam);
  }
}

}  // namespace

void Win32WaveDevice::PinDriver() {
  // Wine's wave-audio driver can still be running code for a recording that
  // a close ended while the system unloads the driver, which crashes the
  // process; a driver that stays loaded for the process's life cannot be.
  HMODULE driver = nullptr;
  if (!driverPinned_) {
    driverPinned_ = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, "mciwave.dll", &driver) != 0;
  }
}

MciError Win32WaveDevice::Open(uint32_t flags, const std::string& element, MciDeviceId* id) {
  if (id == nullptr) {
    return kMciErrNullParameterBlock;
  }
  if (flags != kOpenFlags) {
    return kMciErrFlagsNotCompatible;
  }
  // Each open under an alias of its own: without one the system names the
  // device after its element, and a second new recording (element "") or a
  // second open of one file would be refused as already open.
  const std::string alias = "tamborix_wave_" + std::to_string(++opened_);
  MCI_OPEN_PARMSA params{};
  params.lpstrDeviceType =
      reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(kMciDevtypeWaveformAudio));
  params.lpstrElementName = element.c_str();
  params.lpstrAlias = alias.c_str();
  const MciError result = Send(0, MCI_OPEN, flags | MCI_OPEN_ALIAS, &params);
  if (result == 0) {
    PinDriver();
    Device& device = devices_[params.wDeviceID];
    device = Device{};
    device.fromFile = !element.empty();
    device.holdsSound = device.fromFile;
    *id = params.wDeviceID;
  }
  return result;
}

MciError Win32WaveDevice::SetFormat(MciDeviceId id, uint32_t flags, const WaveSetParams& params) {
  const auto it = devices_.find(id);
  if (it == devices_.end()) {
    return kMciErrInvalidDeviceId;
  }
  if (flags != kSetFormatFlags) {
    return kMciErrFlagsNotCompatible;
  }
  if (it->second.holdsSound) {
    return kMciErrNonapplicableFunction;  // the format of existing sound is fixed
  }
  const MciError refused = CheckRecordingFormat(params);
  if (refused != 0) {
    return refused;
  }
  MCI_WAVE_SET_PARMS set{};
  set.wInput = params.input;
  set.wOutput = params.output;
  set.wFormatTag = params.formatTag;
  set.nChannels = params.channels;
  set.nSamplesPerSec = params.samplesPerSec;
  set.nAvgBytesPerSec = params.avgBytesPerSec;
  set.nBlockAlign = params.blockAlign;
  set.wBitsPerSample = params.bitsPerSample;
  return Send(id, MCI_SET, flags, &set);
}

MciError Win32WaveDevice::Record(MciDeviceId id, uint32_t flags, uint32_t fromMs, uint32_t toMs) {
  const auto it = devices_.find(id);
  if (it == devices_.end()) {
    return kMciErrInvalidDeviceId;
  }
  if (flags != kRecordFlags) {
    return kMciErrFlagsNotCompatible;
  }
  if (it->second.fromFile) {
    return kMciErrNonapplicableFunction;
  }
  if (fromMs > toMs) {
    return kMciErrOutOfRange;
  }
  MCI_RECORD_PARMS record{};
  record.dwFrom = fromMs;
  record.dwTo = toMs;
  const MciError result = Send(id, MCI_RECORD, flags, &record);
  if (result == 0) {
    it->second.holdsSound = true;
  }
  return result;
}

MciError Win32WaveDevice::Play(MciDeviceId id, uint32_t flags, PanelWindow* notify) {
  const auto it = devices_.find(id);
  if (it == devices_.end()) {
    return kMciErrInvalidDeviceId;
  }
  if (flags != kPlayFlags) {
    return kMciErrFlagsNotCompatible;
  }
  if (!it->second.fromFile) {
    return kMciErrNonapplicableFunction;
  }
  MCI_PLAY_PARMS play{};
  play.dwCallback = notify == nullptr ? 0 : static_cast<DWORD_PTR>(notify->NativeHandle());
  const MciError result = Send(id, MCI_PLAY, flags, &play);
  if (result == 0) {
    it->second.notifyWindow = play.dwCallback;
  }
  return result;
}

MciError Win32WaveDevice::Save(MciDeviceId id, uint32_t flags, const std::string& path) {
  if (devices_.count(id) == 0) {
    return kMciErrInvalidDeviceId;
  }
  if (flags != kSaveFlags) {
    return kMciErrFlagsNotCompatible;
  }
  if (path.empty()) {
    return kMciErrUnnamedResource;
  }
  MCI_SAVE_PARMSA save{};
  save.lpfilename = path.c_str();
  const MciError result = Send(id, MCI_SAVE, flags, &save);
  // Wine answers a file it cannot create with the file error itself, which
  // is no MCI error number.
  return result != 0 && result < kMciErrBase ? kMciErrFileNotSaved : result;
}

MciError Win32WaveDevice::Close(MciDeviceId id, uint32_t flags) {
  const auto it = devices_.find(id);
  if (it == devices_.end()) {
    return kMciErrInvalidDeviceId;
  }
  if (flags != kCloseFlags) {
    return kMciErrFlagsNotCompatible;
  }
  MCI_GENERIC_PARMS close{};
  const MciError result = Send(id, MCI_CLOSE, flags, &close);
  if (result == 0) {
    if (it->second.notifyWindow != 0) {
      TakeBackNotices(reinterpret_cast<HWND>(it->second.notifyWindow), id);
    }
    devices_.erase(it);
  }
  return result;
}

bool Win32WaveDevice::GetErrorText(MciError code, std::string* text) {
  char buffer[128] = {0};
  if (!mciGetErrorStringA(code, buffer, sizeof buffer)) {
    return false;
  }
  buffer[sizeof buffer - 1] = '\0';
  *text = buffer;
  return true;
}

}  // namespace tamborix
