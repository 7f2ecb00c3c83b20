// A message-only window on the calling thread that keeps the MM_MCINOTIFY
// messages its message loop delivers, for the Win32 wave device's tests.
#pragma once

#include <windows.h>

#include <cstdint>

#include "tests/contracts/notice_keeper.h"

namespace tamborix_wine {

class NoticeWindow : public tamborix::NoticeKeeper {
 public:
  NoticeWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &NoticeWindow::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "tamborix_notice_window";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("tamborix_notice_window", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~NoticeWindow() override { DestroyWindow(window_); }
  NoticeWindow(const NoticeWindow&) = delete;
  NoticeWindow& operator=(const NoticeWindow&) = delete;

  // Dispatches this thread's messages for `ms`.
  static void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
      }
    } while (GetTickCount() - start < ms);
  }

  // Dispatches this thread's messages until a notice has come or `limitMs`
  // have passed.
  void WaitForNotice(DWORD limitMs) {
    const DWORD start = GetTickCount();
    const size_t before = notices().size();
    while (notices().size() == before && GetTickCount() - start < limitMs) {
      Pump(20);
    }
  }

  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    PostMessageA(window_, message, wParam, lParam);
  }
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(window_); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NoticeWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == tamborix::kMmMciNotify && self != nullptr) {
      self->Keep(message, wParam, lParam);
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
};

}  // namespace tamborix_wine
