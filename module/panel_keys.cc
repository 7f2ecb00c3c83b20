#include "module/panel_keys.h"

#include <commctrl.h>

#include "module/in_place_activation.h"

namespace tamborix {
namespace {

// The module's watch on the panel itself and on each of its controls.
constexpr UINT_PTR kPanelWatch = 1;
constexpr UINT_PTR kControlWatch = 2;

// IOleControlSite::TranslateAccelerator's modifier flags (KEYMODIFIERS),
// which the MinGW headers do not define.
constexpr DWORD kKeyModShift = 1, kKeyModControl = 2, kKeyModAlt = 4;

bool IsHidden(HWND panel) {
  return (GetWindowLongW(panel, GWL_STYLE) & WS_VISIBLE) == 0;
}

bool Held(int key) {
  return GetKeyState(key) < 0;
}

// The panel's own control that holds `window`, or null.
HWND ControlOf(HWND panel, HWND window) {
  while (window != nullptr && GetParent(window) != panel) {
    window = GetParent(window);
  }
  return window;
}

// The first or the last control that Tab stops at.
HWND EdgeTabStop(HWND panel, bool last) {
  HWND edge = nullptr;
  for (HWND child = GetWindow(panel, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) {
      edge = child;
      if (!last) {
        break;
      }
    }
  }
  return edge;
}

// An open drop-down list keeps Escape and Enter for itself.
bool IsDroppedDown(HWND control) {
  wchar_t name[16] = {};
  return GetClassNameW(control, name, 16) > 0 && lstrcmpiW(name, L"ComboBox") == 0 &&
         SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

// A default button that Enter presses: the focused button drawn as the
// default, or the panel's default id naming an enabled control.
bool HasDefaultButton(HWND panel, HWND control) {
  if (control != nullptr && (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
    return true;
  }
  const LRESULT id = SendMessageW(panel, DM_GETDEFID, 0, 0);
  HWND button = HIWORD(id) == DC_HASDEFID ? GetDlgItem(panel, LOWORD(id)) : nullptr;
  return button != nullptr && IsWindowEnabled(button);
}

// Tab on the last tab stop, Shift+Tab on the first, Escape, and Enter with
// no default button leave the panel; Alt and Ctrl combinations do not.
bool LeavesPanel(HWND panel, const MSG& message) {
  if (message.message != WM_KEYDOWN || Held(VK_MENU) || Held(VK_CONTROL)) {
    return false;
  }
  HWND control = ControlOf(panel, message.hwnd);
  switch (message.wParam) {
    case VK_TAB:
      return control != nullptr && control == EdgeTabStop(panel, !Held(VK_SHIFT));
    case VK_ESCAPE:
      return control == nullptr || !IsDroppedDown(control);
    case VK_RETURN:
      return (control == nullptr || !IsDroppedDown(control)) && !HasDefaultButton(panel, control);
    default:
      return false;
  }
}

// The site's IOleControlSite::TranslateAccelerator, with the object and the
// site held across the call.
HRESULT TellSite(RecorderObject* object, MSG* message) {
  IOleControlSite* site = nullptr;
  if (object->clientSite == nullptr ||
      FAILED(IOleClientSite_QueryInterface(object->clientSite, IID_IOleControlSite,
                                           reinterpret_cast<void**>(&site))) ||
      site == nullptr) {
    return S_FALSE;
  }
  const DWORD modifiers = (Held(VK_SHIFT) ? kKeyModShift : 0) |
                          (Held(VK_CONTROL) ? kKeyModControl : 0) |
                          (Held(VK_MENU) ? kKeyModAlt : 0);
  IUnknown_AddRef(object->outer);
  const HRESULT hr = IOleControlSite_TranslateAccelerator(site, message, modifiers);
  IOleControlSite_Release(site);
  IUnknown_Release(object->outer);  // may end the object
  return hr == S_OK ? S_OK : S_FALSE;
}

bool SameKey(const MSG& a, const MSG& b) {
  return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam;
}

bool IsInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                       DWORD_PTR data) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, Watch, id);
    return DefSubclassProc(window, message, wParam, lParam);
  }
  const bool isPanel = id == kPanelWatch;
  HWND panel = isPanel ? window : GetParent(window);
  if (IsHidden(panel)) {
    // A hidden panel starts nothing: no input reaches its controls, and no
    // command (a click sent some other way) reaches the panel.
    if (isPanel ? message == WM_COMMAND : IsInput(message)) {
      return 0;
    }
  } else if (!isPanel && message == WM_KEYDOWN) {
    // A key that came straight here, not through TranslateAccelerator.
    auto* object = reinterpret_cast<RecorderObject*>(data);  // NOLINT(performance-no-int-to-ptr)
    MSG key = {window, message, wParam, lParam, 0, {0, 0}};
    if (SameKey(object->routedKey, key)) {
      object->routedKey = MSG{};  // the container dispatches what the site let go on
    } else if (LeavesPanel(panel, key) && TellSite(object, &key) == S_OK) {
      return 0;
    }
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

HRESULT TranslatePanelKey(RecorderObject* object, MSG* message) {
  if (message == nullptr) {
    return E_INVALIDARG;
  }
  object->routedKey = MSG{};
  HWND panel = PanelHandle(object);
  const bool key = message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST;
  if (panel == nullptr || !key || IsHidden(panel) ||
      (message->hwnd != panel && !IsChild(panel, message->hwnd))) {
    return S_FALSE;  // not translated
  }
  if (LeavesPanel(panel, *message)) {
    object->routedKey = *message;
    return TellSite(object, message);
  }
  // Tab and the arrow keys move between the panel's controls.
  return IsDialogMessageA(panel, message) ? S_OK : S_FALSE;
}

void WatchPanelInput(RecorderObject* object, HWND panel) {
  const auto data = reinterpret_cast<DWORD_PTR>(object);
  SetWindowSubclass(panel, Watch, kPanelWatch, data);
  for (HWND child = GetWindow(panel, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    SetWindowSubclass(child, Watch, kControlWatch, data);
  }
}

void ForgetPanelInput(HWND panel) {
  RemoveWindowSubclass(panel, Watch, kPanelWatch);
  for (HWND child = GetWindow(panel, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RemoveWindowSubclass(child, Watch, kControlWatch);
  }
}

}  // namespace tamborix
