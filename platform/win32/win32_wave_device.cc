#include "platform/win32/win32_wave_device.h"

#include <windows.h>

#include <mmsystem.h>

#include <mutex>

#include "platform/panel_window.h"
#include "platform/recording_format.h"
#include "platform/win32/driver_threads.h"

namespace tamborix {
namespace {

constexpr char kNoticeClass[] = "TamborixWaveNotices";
constexpr char kDriverModule[] = "mciwave.dll";
// How long Close waits at most for the driver's worker to end after a stop.
// Wine's worker ends within one capture buffer (a third of a second) of it.
constexpr DWORD kWorkerEndLimitMs = 2000;
// Where no worker is known: how long Close gives a stopped record or play to
// finish on the driver's thread.
constexpr DWORD kFinishGraceMs = 300;

// Held from the thread list before a record or play command to the one
// after it, so that only this command's worker is new in between.
std::mutex gWorkerSearchLock;

void CloseWorkers(std::vector<HANDLE>* workers) {
  for (HANDLE worker : *workers) {
    CloseHandle(worker);
  }
  workers->clear();
}

// True while one of `workers` has not ended; forgets those that have.
bool WorkersRunning(std::vector<HANDLE>* workers) {
  std::vector<HANDLE> running;
  for (HANDLE worker : *workers) {
    if (WaitForSingleObject(worker, 0) == WAIT_TIMEOUT) {
      running.push_back(worker);
    } else {
      CloseHandle(worker);
    }
  }
  workers->swap(running);
  return !workers->empty();
}

MciError Send(MciDeviceId id, UINT command, uint32_t flags, void* params) {
  return mciSendCommandA(id, command, flags, reinterpret_cast<DWORD_PTR>(params));
}

LRESULT CALLBACK NoticeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* device = reinterpret_cast<Win32WaveDevice*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == MM_MCINOTIFY && device != nullptr) {
    device->OnNotice(wParam, static_cast<MciDeviceId>(lParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&NoticeProcedure), &module);
  return module;
}

}  // namespace

Win32WaveDevice::~Win32WaveDevice() {
  for (auto& entry : devices_) {
    CloseWorkers(&entry.second.workers);
  }
  if (noticeWindow_ != 0) {
    HWND window = reinterpret_cast<HWND>(noticeWindow_);  // NOLINT(performance-no-int-to-ptr)
    // Should the window outlive this object (destroyed from another thread),
    // it no longer leads here.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
}

uintptr_t Win32WaveDevice::NoticeWindow() {
  if (noticeWindow_ == 0) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &NoticeProcedure;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = kNoticeClass;
    RegisterClassA(&windowClass);  // fails harmlessly when already there
    HWND window = CreateWindowA(kNoticeClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    if (window != nullptr) {
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      noticeWindow_ = reinterpret_cast<uintptr_t>(window);
    }
  }
  return noticeWindow_;
}

void Win32WaveDevice::PinDriver() {
  // A record or play thread can outlive its device's close by a moment (see
  // the header); the driver's code must still be there then.
  HMODULE driver = nullptr;
  if (!driverPinned_) {
    driverPinned_ = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, kDriverModule, &driver) != 0;
  }
}

void Win32WaveDevice::OnNotice(uintptr_t kind, MciDeviceId systemId) {
  auto it = devices_.begin();
  while (it != devices_.end() && it->second.system != systemId) {
    ++it;
  }
  if (it == devices_.end()) {
    return;
  }
  const MciDeviceId id = it->first;
  if (it->second.running > 0) {
    --it->second.running;
  }
  if (kind != MCI_NOTIFY_SUCCESSFUL) {
    it->second.stoppedEarly = true;  // its thread may not have finished yet
  }
  if (it->second.panelWindow != 0) {
    PostMessageA(reinterpret_cast<HWND>(it->second.panelWindow), MM_MCINOTIFY, kind,
                 static_cast<LPARAM>(id));
  }
}

MciError Win32WaveDevice::Open(uint32_t flags, const std::string& element, MciDeviceId* id) {
  if (id == nullptr) {
    return kMciErrNullParameterBlock;
  }
  if (flags != kOpenFlags) {
    return kMciErrFlagsNotCompatible;
  }
  // Without an alias the system names the device after its element, and a
  // second new recording (element "") or a second open of one file would be
  // refused as already open.
  const std::string alias = "tamborix_wave_" + std::to_string(GetCurrentProcessId()) + "_" +
                            std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" +
                            std::to_string(++opened_);
  MCI_OPEN_PARMSA params{};
  params.lpstrDeviceType =
      reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(kMciDevtypeWaveformAudio));
  params.lpstrElementName = element.c_str();
  params.lpstrAlias = alias.c_str();
  const MciError result = Send(0, MCI_OPEN, flags | MCI_OPEN_ALIAS, &params);
  if (result == 0) {
    PinDriver();
    const MciDeviceId own = nextId_++;
    Device& device = devices_[own];
    device.system = params.wDeviceID;
    device.fromFile = !element.empty();
    device.holdsSound = device.fromFile;
    *id = own;
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
  return Send(it->second.system, MCI_SET, flags, &set);
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
  record.dwCallback = NoticeWindow();
  record.dwFrom = fromMs;
  record.dwTo = toMs;
  const uint32_t sent = record.dwCallback != 0 ? flags | MCI_NOTIFY : flags;
  const MciError result = SendStartingWorker(MCI_RECORD, sent, &record, it->second);
  if (result == 0) {
    it->second.holdsSound = true;
    it->second.running += sent != flags ? 1 : 0;
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
  play.dwCallback = NoticeWindow();
  const MciError result = SendStartingWorker(MCI_PLAY, flags, &play, it->second);
  if (result == 0) {
    it->second.running += play.dwCallback != 0 ? 1 : 0;
    it->second.panelWindow = notify == nullptr ? 0 : notify->NativeHandle();
  }
  return result;
}

MciError Win32WaveDevice::Save(MciDeviceId id, uint32_t flags, const std::string& path) {
  const auto it = devices_.find(id);
  if (it == devices_.end()) {
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
  const MciError result = Send(it->second.system, MCI_SAVE, flags, &save);
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
  Device& device = it->second;
  device.panelWindow = 0;  // a notice from here on is the close's own
  TakeNotices();
  FinishRunning(device);
  TakeNotices();
  MCI_GENERIC_PARMS close{};
  const MciError result = Send(device.system, MCI_CLOSE, flags, &close);
  if (result == 0) {
    CloseWorkers(&device.workers);
    devices_.erase(it);
  }
  return result;
}

MciError Win32WaveDevice::SendStartingWorker(uint32_t command, uint32_t flags, void* params,
                                             Device& device) {
  const std::lock_guard<std::mutex> lock(gWorkerSearchLock);
  const std::vector<uint32_t> before = ProcessThreadIds();
  const MciError result = Send(device.system, command, flags, params);
  if (result == 0 && !before.empty()) {
    for (void* worker : OpenNewDriverThreads(before, kDriverModule)) {
      device.workers.push_back(worker);
    }
  }
  return result;
}

void Win32WaveDevice::FinishRunning(Device& device) {
  MCI_GENERIC_PARMS stop{};
  if (!device.workers.empty()) {
    if (WorkersRunning(&device.workers)) {
      Send(device.system, MCI_STOP, MCI_WAIT, &stop);
      WaitForMultipleObjects(static_cast<DWORD>(device.workers.size()), device.workers.data(), TRUE,
                             kWorkerEndLimitMs);
    }
    return;
  }
  if (device.running > 0 || device.stoppedEarly) {
    if (device.running > 0) {
      Send(device.system, MCI_STOP, MCI_WAIT, &stop);
    }
    Sleep(kFinishGraceMs);
  }
}

void Win32WaveDevice::TakeNotices() {
  MSG message;
  while (noticeWindow_ != 0 && PeekMessageA(&message, reinterpret_cast<HWND>(noticeWindow_),
                                            MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
    DispatchMessageA(&message);
  }
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
