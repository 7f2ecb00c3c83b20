#include "tests/wine/live_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tamborix_wine {

std::wstring gArtefactFolder;
std::wstring gStoreFolder;

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > limitMs) {
      return false;
    }
    PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

void Click(HWND panel, int id) {
  SendMessageW(GetDlgItem(panel, id), BM_CLICK, 0, 0);
}

BoxWatcher::BoxWatcher() {
  InitializeCriticalSection(&lock_);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &BoxWatcher::Run, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
  SetEvent(stop_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  CloseHandle(stop_);
  DeleteCriticalSection(&lock_);
}

std::vector<std::string> BoxWatcher::Texts() {
  EnterCriticalSection(&lock_);
  std::vector<std::string> texts = texts_;
  LeaveCriticalSection(&lock_);
  return texts;
}

DWORD WINAPI BoxWatcher::Run(void* self) {
  auto* watcher = static_cast<BoxWatcher*>(self);
  while (WaitForSingleObject(watcher->stop_, 50) == WAIT_TIMEOUT) {
    HWND box = FindWindowA("#32770", "tamborix");
    if (box == nullptr || !IsWindowVisible(box)) {
      continue;
    }
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EnterCriticalSection(&watcher->lock_);
    watcher->texts_.emplace_back(text);
    LeaveCriticalSection(&watcher->lock_);
    SendMessageA(box, WM_COMMAND, IDOK, 0);
  }
  return 0;
}

namespace {
UnderNextBox* gUnderNextBox = nullptr;
}  // namespace

UnderNextBox::UnderNextBox(std::function<void(HWND box)> action)
    : action_(std::move(action)), timer_(::SetTimer(nullptr, 0, 30, &UnderNextBox::Tick)) {
  gUnderNextBox = this;
}

UnderNextBox::~UnderNextBox() {
  ::KillTimer(nullptr, timer_);
  gUnderNextBox = nullptr;
}

void CALLBACK UnderNextBox::Tick(HWND, UINT, UINT_PTR, DWORD) {
  UnderNextBox* self = gUnderNextBox;
  if (self == nullptr || self->ran_) {
    return;
  }
  HWND box = FindWindowA("#32770", "tamborix");
  if (box == nullptr || !IsWindowVisible(box) ||
      GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) {
    return;
  }
  self->ran_ = true;
  self->action_(box);
  if (IsWindow(box)) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
}

std::wstring LocalFullFileName(IOleObject* object) {
  Ref<IRecorderDialog> dialog;
  BSTR path = nullptr;
  if (!dialog.From(object) || FAILED(dialog->get_LocalFullFileName(&path)) || path == nullptr) {
    return std::wstring();
  }
  std::wstring text(path);
  SysFreeString(path);
  return text;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) {
    return bytes;
  }
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.append(buffer, got);
  }
  std::fclose(file);
  return bytes;
}

Wave ReadWave(const std::wstring& path) {
  Wave wave;
  const std::string data = ReadBytes(path);
  if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0) {
    return wave;
  }
  auto u16 = [&](size_t at) {
    return static_cast<int>(static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1])
                                                                 << 8);
  };
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(u16(at)) | static_cast<uint32_t>(u16(at + 2)) << 16;
  };
  bool format = false;
  for (size_t at = 12; at + 8 <= data.size();) {
    const uint32_t size = u32(at + 4);
    const size_t body = at + 8;
    if (body + size > data.size()) {
      break;
    }
    if (data.compare(at, 4, "fmt ") == 0 && size >= 16) {
      format = u16(body) == 1;  // PCM
      wave.channels = u16(body + 2);
      wave.rate = static_cast<int>(u32(body + 4));
      wave.bits = u16(body + 14);
    } else if (data.compare(at, 4, "data") == 0) {
      wave.samples.resize(size / 2);
      std::memcpy(wave.samples.data(), data.data() + body, wave.samples.size() * 2);
      wave.valid = format;
    }
    at = body + size + (size & 1);
  }
  return wave;
}

int ToneFrequency(const std::vector<int16_t>& samples) {
  constexpr size_t kWindow = 800;
  int loud = 0, crossings = 0;
  for (size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
    size_t strong = 0;
    int here = 0;
    for (size_t i = start; i < start + kWindow; ++i) {
      strong += std::abs(samples[i]) > 200 ? 1 : 0;
      if (i > start && (samples[i - 1] < 0) != (samples[i] < 0)) {
        ++here;
      }
    }
    if (strong >= 700) {
      ++loud;
      crossings += here;
    }
  }
  return loud >= 5 ? (crossings * 10 / 2 + loud / 2) / loud : 0;
}

}  // namespace tamborix_wine
