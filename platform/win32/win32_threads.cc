#include "platform/win32/win32_threads.h"

#include <windows.h>

#include <utility>

namespace tamborix {
namespace {

thread_local Win32ErrorRecord lastError;

class Win32Event : public AutoResetEvent {
 public:
  explicit Win32Event(HANDLE event) : event_(event) {}
  ~Win32Event() override { CloseHandle(event_); }
  Win32Event(const Win32Event&) = delete;
  Win32Event& operator=(const Win32Event&) = delete;

  bool Set() override {
    if (SetEvent(event_) == FALSE) {
      lastError.Keep(GetLastError(), "SetEvent");
      return false;
    }
    return true;
  }

  uint32_t Wait(uint32_t timeoutMs) override {
    DWORD result = WaitForSingleObject(event_, timeoutMs);
    if (result == WAIT_FAILED) {
      lastError.Keep(GetLastError(), "WaitForSingleObject");
    }
    return result;
  }

 private:
  HANDLE event_;
};

}  // namespace

struct ThreadStart {
  std::function<void()> body;
  Win32Threads* threads;
  HMODULE module;  // a reference on the module that holds this code

  // Once the count is lowered, the module may be let go of by everyone else
  // (DllCanUnloadNow); the thread's own reference keeps it loaded until
  // FreeLibraryAndExitThread, which never returns into it, drops that.
  static DWORD WINAPI Run(LPVOID argument) {
    auto* start = static_cast<ThreadStart*>(argument);
    start->body();
    Win32Threads* threads = start->threads;
    HMODULE module = start->module;
    delete start;
    threads->running_.fetch_sub(1);
    FreeLibraryAndExitThread(module, 1);
  }
};

Win32Error Win32Threads::LastError() const {
  return lastError.Read();
}

std::unique_ptr<AutoResetEvent> Win32Threads::CreateAutoResetEvent(bool initiallySignalled) {
  HANDLE event = CreateEventA(nullptr, FALSE, initiallySignalled ? TRUE : FALSE, nullptr);
  if (event == nullptr) {
    lastError.Keep(GetLastError(), "CreateEventA");
    return nullptr;
  }
  return std::make_unique<Win32Event>(event);
}

bool Win32Threads::StartThread(std::function<void()> body) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&ThreadStart::Run), &module)) {
    lastError.Keep(GetLastError(), "GetModuleHandleExW");
    return false;
  }
  auto* start = new ThreadStart{std::move(body), this, module};
  running_.fetch_add(1);
  HANDLE thread = CreateThread(nullptr, 0, &ThreadStart::Run, start, 0, nullptr);
  if (thread == nullptr) {
    lastError.Keep(GetLastError(), "CreateThread");
    running_.fetch_sub(1);
    delete start;
    FreeLibrary(module);
    return false;
  }
  CloseHandle(thread);
  return true;
}

}  // namespace tamborix
