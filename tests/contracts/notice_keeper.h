// A panel window that only keeps the device notices posted to it, in order,
// for the wave device tests. Here a post is kept at once; a window of a real
// system (tests/wine/notice_window.h) keeps it when its message loop
// delivers it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/panel_window.h"
#include "platform/window_messages.h"

namespace tamborix {

// One MM_MCINOTIFY: the notice kind and the device id.
struct Notice {
  uintptr_t kind = 0;
  intptr_t id = 0;
};

class NoticeKeeper : public PanelWindow {
 public:
  const std::vector<Notice>& notices() const { return notices_; }

  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    Keep(message, wParam, lParam);
  }
  void SetItemText(int, const std::string&) override {}
  void EnableItem(int, bool) override {}
  void ShowItem(int, bool) override {}
  intptr_t SendItemMessage(int, uint32_t, uintptr_t, intptr_t) override { return 0; }
  void SetItemIcon(int, int) override {}
  void SetTimer(uint32_t, uint32_t) override {}
  void KillTimer(uint32_t) override {}
  uintptr_t NativeHandle() const override { return 0; }
  void Destroy() override {}

 protected:
  void Keep(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == kMmMciNotify) {
      notices_.push_back({wParam, lParam});
    }
  }

 private:
  std::vector<Notice> notices_;
};

}  // namespace tamborix
