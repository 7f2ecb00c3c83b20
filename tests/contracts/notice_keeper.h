// A panel window that only keeps the device notices posted to it, at once and
// in order, for the wave device contract.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/panel_window.h"
#include "platform/window_messages.h"
#include "tests/contracts/wave_device_contract.h"

namespace tamborix {

class NoticeKeeper : public PanelWindow {
 public:
  const std::vector<Notice>& notices() const { return notices_; }

  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (message == kMmMciNotify) {
      notices_.push_back({wParam, lParam});
    }
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

 private:
  std::vector<Notice> notices_;
};

}  // namespace tamborix
