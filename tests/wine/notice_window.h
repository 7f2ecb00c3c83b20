// A message-only window on the calling thread that keeps the MM_MCINOTIFY
// messages it receives, for the Win32 wave device's tests. Its other panel
// operations do nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/panel_window.h"
#include "platform/window_messages.h"

namespace tamborix_wine {

class NoticeWindow : public tamborix::PanelWindow {
 public:
  struct Notice {
    uintptr_t kind;
    intptr_t id;
  };

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

  const std::vector<Notice>& Notices() const { return notices_; }

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
    const size_t before = notices_.size();
    while (notices_.size() == before && GetTickCount() - start < limitMs) {
      Pump(20);
    }
  }

  void SetItemText(int, const std::string&) override {}
  void EnableItem(int, bool) override {}
  void ShowItem(int, bool) override {}
  intptr_t SendItemMessage(int, uint32_t, uintptr_t, intptr_t) override { return 0; }
  void SetItemIcon(int, int) override {}
  void SetTimer(uint32_t, uint32_t) override {}
  void KillTimer(uint32_t) override {}
  void Destroy() override {}
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    PostMessageA(window_, message, wParam, lParam);
  }
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(window_); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NoticeWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == tamborix::kMmMciNotify && self != nullptr) {
      self->notices_.push_back({wParam, lParam});
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  std::vector<Notice> notices_;
};

}  // namespace tamborix_wine
