// The panel: the message map of the dialog the control shows, its start-up,
// and the handlers behind its buttons.
//
// Threading: user-interface thread only.
#pragma once

#include <cstdint>

#include "platform/panel_window.h"
#include "platform/platform.h"

namespace tamborix {

class EventSinks;
struct RecorderState;

class Panel : public PanelMessageHandler {
 public:
  Panel(RecorderState& state, const Platform& platform, EventSinks& events, PanelWindow& window);
  ~Panel() override;
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override;

  // The window is going away: saves a running recording to fullPath, closes
  // an open device and stops the clock.
  void OnDestroy();

 private:
  RecorderState& state_;
  Platform platform_;
  EventSinks& events_;
  PanelWindow& window_;
};

}  // namespace tamborix
