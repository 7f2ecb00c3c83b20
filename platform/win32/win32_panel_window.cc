#include "platform/win32/win32_panel_window.h"

#include <commctrl.h>

#include "platform/win32/win32_modal_owner.h"

namespace tamborix {
namespace {

constexpr int kPanelTemplate = 104;

// Dialog messages whose result is the dialog procedure's return value rather
// than DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  return message == WM_INITDIALOG ||
         (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
         message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
         message == WM_QUERYDRAGICON;
}

// A picture control loads its bitmap from the template itself and leaves it
// behind when destroyed; this takes it back and deletes it.
BOOL CALLBACK FreePicture(HWND item, LPARAM) {
  if ((GetWindowLongPtrA(item, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
    char className[16] = {};
    GetClassNameA(item, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
      // NOLINTNEXTLINE(performance-no-int-to-ptr)
      HANDLE old = reinterpret_cast<HANDLE>(SendMessageA(item, STM_SETIMAGE, IMAGE_BITMAP, 0));
      if (old != nullptr) {
        DeleteObject(old);
      }
    }
  }
  return TRUE;
}

}  // namespace

Win32PanelWindow::Win32PanelWindow(HINSTANCE resources, PanelKeeper* keeper)
    : resources_(resources), keeper_(keeper) {}

Win32PanelWindow::~Win32PanelWindow() {
  Destroy();
  for (HICON icon : icons_) {
    DestroyIcon(icon);
  }
}

bool Win32PanelWindow::Create(HWND parent, const RECT& position, PanelMessageHandler* handler) {
  if (window_.load() != nullptr || handler == nullptr) {
    return false;
  }
  // The trackbar and the progress bar are common controls.
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  handler_ = handler;
  destroying_ = false;
  // Counted as a handler call: the window's end, should the handler's first
  // event bring it, waits until the dialog is made.
  ++depth_;
  HWND made = CreateDialogParamA(resources_, MAKEINTRESOURCEA(kPanelTemplate), parent, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (made != nullptr && window_.load() == made) {
    SetWindowPos(made, nullptr, position.left, position.top, position.right - position.left,
                 position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  --depth_;
  const bool open = window_.load() != nullptr;
  if (!open && handler_ != nullptr) {
    destroyHeldBack_ = true;  // no window came to be: the handler hears its end all the same
  }
  if (depth_ == 0) {
    AfterOutermostCall();  // may delete this
  }
  return open;
}

void Win32PanelWindow::Release() {
  Destroy();
  deleteWhenUnwound_ = true;
  DeleteIfDone();
}

void Win32PanelWindow::DeleteIfDone() {
  if (deleteWhenUnwound_ && depth_ == 0 && window_.load() == nullptr) {
    delete this;
  }
}

void Win32PanelWindow::Destroy() {
  HWND window = window_.load();
  if (window != nullptr && !destroying_) {
    DestroyWindow(window);
  }
}

INT_PTR CALLBACK Win32PanelWindow::DialogProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  Win32PanelWindow* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Win32PanelWindow*>(lParam);  // NOLINT(performance-no-int-to-ptr)
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->window_.store(window);
  } else {
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    self = reinterpret_cast<Win32PanelWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) get the default handling.
  if (self == nullptr) {
    return FALSE;
  }
  PanelKeeper* keeper = self->keeper_;
  if (keeper != nullptr) {
    keeper->Hold();
  }
  const INT_PTR answer = self->Dispatch(window, message, wParam, lParam);
  if (keeper != nullptr) {
    keeper->Drop();  // may end the owner, and this object with it
  }
  return answer;
}

INT_PTR Win32PanelWindow::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    EnumChildWindows(window, FreePicture, 0);
    NotePanelClosed(window);
    destroying_ = true;
    if (depth_ > 0) {
      destroyHeldBack_ = true;  // a handler below still uses the panel
    } else {
      DeliverDestroy();
    }
    return FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    window_.store(nullptr);
    DeleteIfDone();
    return FALSE;
  }
  if (handler_ == nullptr) {
    return FALSE;
  }
  if (message == WM_COMMAND && ModalBoxOpen()) {
    return FALSE;  // no handler starts inside another's box
  }
  if (message == WM_INITDIALOG) {
    NotePanelOpened(window);
  }
  intptr_t result = 0;
  ++depth_;
  NotePanelHandlerEntered(window);
  const bool handled = handler_->OnMessage(message, wParam, lParam, &result);
  NotePanelHandlerLeft();
  --depth_;
  if (depth_ == 0) {
    AfterOutermostCall();  // may delete this: no member is used below
  }
  if (!handled) {
    return FALSE;
  }
  if (ReturnsResultDirectly(message)) {
    return static_cast<INT_PTR>(result);
  }
  SetWindowLongPtrA(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
  return TRUE;
}

void Win32PanelWindow::AfterOutermostCall() {
  if (destroyHeldBack_) {
    destroyHeldBack_ = false;
    DeliverDestroy();
  }
  DeleteIfDone();
}

void Win32PanelWindow::DeliverDestroy() {
  PanelMessageHandler* handler = handler_;
  if (handler == nullptr) {
    return;
  }
  intptr_t result = 0;
  ++depth_;
  handler->OnMessage(WM_DESTROY, 0, 0, &result);
  --depth_;
  handler_ = nullptr;
}

void Win32PanelWindow::SetItemText(int id, const std::string& text) {
  if (HWND window = window_.load()) {
    SetDlgItemTextA(window, id, text.c_str());
  }
}

void Win32PanelWindow::EnableItem(int id, bool enabled) {
  if (HWND window = window_.load()) {
    EnableWindow(GetDlgItem(window, id), enabled ? TRUE : FALSE);
  }
}

void Win32PanelWindow::ShowItem(int id, bool visible) {
  if (HWND window = window_.load()) {
    ShowWindow(GetDlgItem(window, id), visible ? SW_SHOW : SW_HIDE);
  }
}

int Win32PanelWindow::FocusedItem() const {
  HWND window = window_.load();
  HWND focus = GetFocus();
  if (window == nullptr || focus == nullptr || GetParent(focus) != window) {
    return 0;
  }
  return GetDlgCtrlID(focus);
}

void Win32PanelWindow::FocusItem(int id) {
  if (HWND window = window_.load()) {
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, id)), TRUE);
  }
}

intptr_t Win32PanelWindow::SendItemMessage(int id, uint32_t message, uintptr_t wParam,
                                           intptr_t lParam) {
  HWND window = window_.load();
  if (window == nullptr) {
    return 0;
  }
  return static_cast<intptr_t>(SendDlgItemMessageA(window, id, message, wParam, lParam));
}

void Win32PanelWindow::SetItemIcon(int id, int iconId) {
  HWND window = window_.load();
  if (window == nullptr) {
    return;
  }
  HANDLE icon = LoadImageA(resources_, MAKEINTRESOURCEA(iconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
  if (icon == nullptr) {
    return;
  }
  icons_.push_back(static_cast<HICON>(icon));
  SendDlgItemMessageA(window, id, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void Win32PanelWindow::SetTimer(uint32_t timerId, uint32_t periodMs) {
  if (HWND window = window_.load()) {
    ::SetTimer(window, timerId, periodMs, nullptr);
  }
}

void Win32PanelWindow::KillTimer(uint32_t timerId) {
  if (HWND window = window_.load()) {
    ::KillTimer(window, timerId);
  }
}

void Win32PanelWindow::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  // A closed window drops the message; PostMessage with no window would put
  // it on the calling thread's queue instead.
  if (HWND window = window_.load()) {
    PostMessageA(window, message, wParam, lParam);
  }
}

}  // namespace tamborix
