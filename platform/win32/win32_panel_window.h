// The panel window on Windows: a child dialog made from template 104 of a
// module's resources, every message of which goes to one PanelMessageHandler.
//
// Handlers may run nested (a modal message box inside a handler lets further
// messages through). When the window is destroyed while a handler of it is
// still running below, WM_DESTROY is held back and delivered when the
// outermost handler has returned, so the handler never loses its panel under
// a running call; the window then is gone, and the handler's operations on
// it do nothing. Release() likewise deletes the object only then. The
// handler's owner is kept alive the same way: a PanelKeeper holds it across
// every message the window hands on, so the owner's last reference, let go
// of inside a handler, ends it only once the outermost call has returned.
//
// Boxes and dialogs shown while the window is open belong to it, and no
// command reaches the handler while one of them is open (win32_modal_owner.h).
// The banner bitmap that the dialog's picture control loads is deleted with
// the window.
//
// Threading: the thread that made the window, except Post.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/panel_window.h"

namespace tamborix {

// What keeps the handler's owner alive while the window hands it a message:
// Hold before each message, Drop after it. The last Drop may end the owner
// and, through it, release the window.
class PanelKeeper {
 public:
  virtual ~PanelKeeper() = default;
  virtual void Hold() = 0;
  virtual void Drop() = 0;
};

class Win32PanelWindow : public PanelWindow {
 public:
  // `resources`: the module whose template 104 and icons are used; `keeper`
  // (may be null) must outlive the window.
  explicit Win32PanelWindow(HINSTANCE resources, PanelKeeper* keeper = nullptr);
  ~Win32PanelWindow() override;
  Win32PanelWindow(const Win32PanelWindow&) = delete;
  Win32PanelWindow& operator=(const Win32PanelWindow&) = delete;

  // Makes the dialog as a child of `parent` and shows it at `position`
  // (parent client coordinates). WM_INITDIALOG and every later message up to
  // WM_DESTROY go to `handler`, which must outlive the window. False when
  // the dialog cannot be made or was destroyed while it was being made; the
  // handler has then had its WM_DESTROY, and when Release() was called
  // meanwhile, this object is gone.
  bool Create(HWND parent, const RECT& position, PanelMessageHandler* handler);
  HWND Handle() const { return window_.load(); }
  bool IsOpen() const { return window_.load() != nullptr; }

  // Destroys the window, then deletes this object at once, or when the
  // handler that is running below returns.
  void Release();

  // DestroyWindow, with WM_DESTROY first delivered to the handler (held back
  // while a handler runs, see above). Nothing when the window is not open.
  void Destroy() override;

  // PanelWindow.
  void SetItemText(int id, const std::string& text) override;
  void EnableItem(int id, bool enabled) override;
  void ShowItem(int id, bool visible) override;
  int FocusedItem() const override;
  void FocusItem(int id) override;
  intptr_t SendItemMessage(int id, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void SetItemIcon(int id, int iconId) override;
  void SetTimer(uint32_t timerId, uint32_t periodMs) override;
  void KillTimer(uint32_t timerId) override;
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(window_.load()); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // What happens once the outermost handler call has returned.
  void AfterOutermostCall();
  void DeliverDestroy();
  // Deletes this once Release was called, no handler runs and the window
  // is gone.
  void DeleteIfDone();

  HINSTANCE resources_;
  PanelKeeper* keeper_;
  std::atomic<HWND> window_{nullptr};  // read by Post on other threads
  PanelMessageHandler* handler_ = nullptr;
  std::vector<HICON> icons_;
  int depth_ = 0;                 // handler calls of this window on the stack
  bool destroyHeldBack_ = false;  // WM_DESTROY came while depth_ > 0
  bool destroying_ = false;       // WM_DESTROY has come
  bool deleteWhenUnwound_ = false;
};

}  // namespace tamborix
