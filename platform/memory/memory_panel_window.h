// The in-memory panel window: the dialog of template 104 as plain state.
// It keeps every control's state, runs window timers on a MemoryClock, and
// delivers posted messages and timer ticks to the panel's handler one at a
// time, as a message loop would: posted messages first in the order they were
// posted, then due timer ticks (WM_TIMER is generated only when no posted
// message waits, and a timer has at most one tick waiting).
//
// Every method runs on the user-interface thread except Post, which may be
// called from any thread.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memory/memory_clock.h"
#include "platform/memory/ui_thread.h"
#include "platform/panel_window.h"

namespace tamborix {

struct ItemState {
  std::string text;
  bool enabled = true;
  bool visible = true;
  int icon = 0;
  // Trackbar 201 and progress bar 218.
  int rangeMin = 0, rangeMax = 100, position = 0, ticFrequency = 1;
  // Combo box 210 (sorted like CBS_SORT, in byte order; `text` shows the
  // selected entry).
  std::vector<std::string> entries;
  int selection = -1;
};

class MemoryPanelWindow : public PanelWindow, public MemoryClock::Source {
 public:
  explicit MemoryPanelWindow(MemoryClock& clock);
  ~MemoryPanelWindow() override;
  MemoryPanelWindow(const MemoryPanelWindow&) = delete;
  MemoryPanelWindow& operator=(const MemoryPanelWindow&) = delete;

  // Starts the dialog: creates the items of template 104 with their template
  // texts, enabled, visible except 216 and 218, then sends WM_INITDIALOG
  // synchronously to `handler`, then pumps. Opening again starts afresh.
  void Open(PanelMessageHandler* handler);
  bool IsOpen() const { return handler_ != nullptr; }

  // A user's click on a button: ignored (false) when the window is closed or
  // the item is missing, disabled or hidden; otherwise gives it the keyboard
  // focus, sends WM_COMMAND (id, BN_CLICKED) synchronously and pumps.
  bool Click(int id);
  // A raw WM_COMMAND with any notification code, as another window could send
  // it (no enabled check, no pumping). Returns the handler's result, 0 when
  // not handled.
  intptr_t SendCommand(int id, uint32_t notification);
  // Any message sent synchronously to the panel (no pumping); 0 when not
  // handled or the window is closed.
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam);
  // The user picks combo entry `index`: sets the selection and sends
  // CBN_SELCHANGE, then pumps. Ignored (false) when the combo box is disabled
  // or hidden or `index` is no entry.
  bool ChooseComboEntry(int index);
  // Delivers the messages posted so far and the timer ticks already due.
  void PumpMessages();

  // Controls; an id the template lacks reads as a default ItemState.
  const ItemState& Item(int id) const;
  bool HasItem(int id) const { return items_.count(id) != 0; }
  bool TimerRunning(uint32_t id) const { return timers_.count(id) != 0; }
  uint32_t TimerPeriodMs(uint32_t id) const;

  // Every message delivered to the handler, with its result, oldest first.
  struct MessageRecord {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    bool handled = false;
    intptr_t result = 0;
  };
  const std::vector<MessageRecord>& Messages() const { return messages_; }
  std::vector<MessageRecord> TakeMessages();
  // How many times `message` was delivered.
  int CountMessages(uint32_t message) const;

  // PanelWindow. SendItemMessage understands WM_SETTEXT, TBM_SETPOS,
  // TBM_SETRANGE, TBM_SETTICFREQ, CB_ADDSTRING, CB_SETCURSEL, CB_GETCURSEL,
  // PBM_SETRANGE and PBM_SETPOS as the common controls do (positions clamp
  // to the range) and answers 0 for anything else.
  void SetItemText(int id, const std::string& text) override;
  void EnableItem(int id, bool enabled) override;
  void ShowItem(int id, bool visible) override;
  // The focus is on no item when the window opens; disabling the focused
  // item leaves it nowhere, as on Windows.
  int FocusedItem() const override { return focused_; }
  void FocusItem(int id) override;
  intptr_t SendItemMessage(int id, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void SetItemIcon(int id, int iconId) override;
  // A period below 10 ms counts as 10 ms, as on Windows.
  void SetTimer(uint32_t timerId, uint32_t periodMs) override;
  void KillTimer(uint32_t timerId) override;
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  uintptr_t NativeHandle() const override { return handle_; }
  void Destroy() override;

  // MemoryClock::Source: the timers.
  int64_t NextDueMs() const override;
  void RunDue(int64_t nowMs) override;
  void Pump() override { PumpMessages(); }

 private:
  struct Timer {
    uint32_t periodMs = 0;
    int64_t dueMs = 0;
    bool tickWaiting = false;
  };
  struct Posted {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
  };
  enum class Kind { kButton, kStatic, kEdit, kCombo, kTrackbar, kProgress };

  intptr_t Deliver(uint32_t message, uintptr_t wParam, intptr_t lParam);
  bool TakePosted(Posted* out);
  ItemState* Find(int id);
  intptr_t ComboMessage(ItemState* item, uint32_t message, uintptr_t wParam, intptr_t lParam);
  intptr_t TrackbarMessage(ItemState* item, uint32_t message, uintptr_t wParam, intptr_t lParam);
  intptr_t ProgressMessage(ItemState* item, uint32_t message, uintptr_t wParam, intptr_t lParam);
  uintptr_t ItemHandle(int id) const { return handle_ + 0x100 + static_cast<uintptr_t>(id); }

  MemoryClock& clock_;
  uintptr_t handle_;
  PanelMessageHandler* handler_ = nullptr;
  std::map<int, ItemState> items_;
  std::map<int, Kind> kinds_;
  std::map<uint32_t, Timer> timers_;
  int focused_ = 0;  // the item with the keyboard focus, 0 for none
  std::vector<MessageRecord> messages_;
  // Posted messages and whether posts are taken; guarded because Post may
  // come from any thread.
  std::mutex postedMutex_;
  std::deque<Posted> posted_;
  bool acceptingPosts_ = false;
  UiThread uiThread_;
};

}  // namespace tamborix
