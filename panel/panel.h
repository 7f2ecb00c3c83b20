// The panel: the message map of the dialog the control shows, its start-up,
// and the handlers behind its buttons.
//
// Threading: user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

#include "panel_view/panel_ops.h"
#include "platform/panel_window.h"
#include "platform/platform.h"
#include "recorder/recorder.h"
#include "state/recorder_state.h"

namespace tamborix {

class EventSinks;

class Panel : public PanelMessageHandler {
 public:
  Panel(RecorderState& state, const Platform& platform, EventSinks& events, PanelWindow& window);
  ~Panel() override;
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override;

 private:
  // WM_INITDIALOG: folder, narrow copies, the controls' first state, and the
  // OnPlayimg event. Returns 0.
  intptr_t OnInitPanel();
  // STOP: ends whatever runs and sets the Ready buttons. Returns 0.
  intptr_t OnStop();
  // WM_DESTROY, the window still there: ends whatever runs. Returns 0.
  intptr_t OnDestroy();
  // Stops the clock, ends a playback and saves and ends a recording.
  void EndWhatRuns();
  // The WM_COMMAND rows; false for an id or notification without a row.
  bool OnCommand(int id, uint32_t notification, intptr_t* result);

  // Rows of the command table.
  intptr_t OnRec() { return recorder_.OnRec(); }
  intptr_t OnPlay() { return recorder_.OnPlay(); }
  intptr_t OnMaxLengthChange() { return recorder_.OnMaxLengthChange(); }
  intptr_t OnUploadCommand();
  intptr_t OnAbortCommand();
  intptr_t OnChooseFile();

  void BuildFolder();
  std::string Narrow(const WideString& value) { return tamborix::Narrow(*platform_.kernel, value); }

  RecorderState& state_;
  Platform platform_;
  EventSinks& events_;
  PanelWindow& window_;
  Recorder recorder_;
};

}  // namespace tamborix
