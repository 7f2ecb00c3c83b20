// The panel window: the dialog built from template 104, seen through the few
// operations the panel's handlers use on it.
//
// Threading: every method is called on the panel's user-interface thread,
// except where a comment says otherwise (the in-memory window checks this and
// stops the program on a breach). Messages posted to the window, timer
// ticks and device notices are delivered to the PanelMessageHandler one at a
// time on that thread, never from inside another handler except while a modal
// message box runs. The Win32 window then takes no commands: a click under a
// box starts no handler (win32_modal_owner.h).
#pragma once

#include <cstdint>
#include <string>

namespace tamborix {

// What the platform calls with every message that reaches the panel.
class PanelMessageHandler {
 public:
  virtual ~PanelMessageHandler() = default;
  // Returns true when the message was handled, with its result in *result.
  // An unhandled message goes on to the platform's default dialog handling.
  // The first message is WM_INITDIALOG and the last WM_DESTROY; between
  // them every message of the window, the framework's own ones
  // (IsFrameworkMessage) included, arrives here.
  virtual bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) = 0;
};

class PanelWindow {
 public:
  virtual ~PanelWindow() = default;

  // WM_SETTEXT to dialog item `id`; the text is narrow, system code page.
  virtual void SetItemText(int id, const std::string& text) = 0;

  // EnableWindow on dialog item `id`.
  virtual void EnableItem(int id, bool enabled) = 0;

  // ShowWindow on dialog item `id` (SW_SHOW or SW_HIDE).
  virtual void ShowItem(int id, bool visible) = 0;

  // The dialog item that has the keyboard focus; 0 when none of the panel's
  // items has it. A disabled item loses the focus, which then is nowhere
  // (EnableWindow). A window without keyboard input answers 0 and ignores
  // FocusItem.
  virtual int FocusedItem() const { return 0; }
  // Gives dialog item `id` the keyboard focus as the dialog's own keys do
  // (WM_NEXTDLGCTL).
  virtual void FocusItem(int /*id*/) {}

  // SendDlgItemMessage: any message to item `id` (trackbar, combo box,
  // progress bar), with the Win32 message numbers and parameter meanings of
  // window_messages.h. CB_ADDSTRING takes a `const char*` in lParam.
  virtual intptr_t SendItemMessage(int id, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

  // Loads icon resource `iconId` at the default icon size and puts it on
  // button `id` (BM_SETIMAGE with IMAGE_ICON).
  virtual void SetItemIcon(int id, int iconId) = 0;

  // SetTimer / KillTimer on the panel window. A running timer posts WM_TIMER
  // with its id every `periodMs`; setting it again restarts it.
  virtual void SetTimer(uint32_t timerId, uint32_t periodMs) = 0;
  virtual void KillTimer(uint32_t timerId) = 0;

  // PostMessage to the panel window itself. May be called from any thread.
  virtual void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

  // The native window handle (an HWND on Windows), for device notices.
  virtual uintptr_t NativeHandle() const = 0;

  // DestroyWindow. The handler first gets WM_DESTROY, synchronously and
  // while every item still exists (the Windows order); then timers stop,
  // waiting and later posts are dropped, and the handler is not called
  // again. Destroying a window that is not open does nothing.
  virtual void Destroy() = 0;
};

}  // namespace tamborix
