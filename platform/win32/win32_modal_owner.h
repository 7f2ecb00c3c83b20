// Who owns the modal boxes and dialogs shown on a thread.
//
// A box shown on a panel's thread belongs to that panel, so Windows disables
// the container's top-level window while the box is open; timer ticks and
// device notices still reach the panel through the box's message loop. A
// box shown on a thread without panels (an upload worker) has no owner: the
// panel's thread waits for the worker and pumps no messages, so an owner on
// it would hang. While a box is open on a thread, no panel of that thread
// takes a command: a click that gets through all the same cannot start a
// handler inside another's box.
//
// Threading: every function concerns the calling thread only.
#pragma once

#include <windows.h>

namespace tamborix {

// The panel window's bookkeeping: its life, and each call of its handler.
void NotePanelOpened(HWND panel);
void NotePanelClosed(HWND panel);
void NotePanelHandlerEntered(HWND panel);
void NotePanelHandlerLeft();

// True while a box or dialog of a ModalScope is open on this thread.
bool ModalBoxOpen();

// One modal box or dialog about to be shown on this thread, for the scope's
// life. Owner(): the panel whose handler runs innermost and whose window
// still exists, else the panel opened last on this thread that is still
// open, else null.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  HWND Owner() const { return owner_; }

 private:
  HWND owner_;
};

}  // namespace tamborix
