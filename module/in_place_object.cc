// IOleInPlaceObjectWindowless (with IOleInPlaceObject and IOleWindow) and
// IOleInPlaceActiveObject. The control runs in place only in a panel window
// of its own (in_place_activation.cc); it takes no windowless messages.
#include "module/in_place_activation.h"
#include "module/panel_keys.h"

namespace tamborix {
namespace {

HRESULT WINAPI InPlace_QueryInterface(IOleInPlaceObjectWindowless* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IOleInPlaceObjectWindowless(iface)->outer, riid, out);
}

ULONG WINAPI InPlace_AddRef(IOleInPlaceObjectWindowless* iface) {
  return IUnknown_AddRef(impl_from_IOleInPlaceObjectWindowless(iface)->outer);
}

ULONG WINAPI InPlace_Release(IOleInPlaceObjectWindowless* iface) {
  return IUnknown_Release(impl_from_IOleInPlaceObjectWindowless(iface)->outer);
}

// The panel window while active in place.
HRESULT PanelWindowOf(RecorderObject* object, HWND* window) {
  if (window == nullptr) {
    return E_POINTER;
  }
  *window = PanelHandle(object);
  return *window != nullptr ? S_OK : E_FAIL;
}

HRESULT WINAPI InPlace_GetWindow(IOleInPlaceObjectWindowless* iface, HWND* window) {
  return PanelWindowOf(impl_from_IOleInPlaceObjectWindowless(iface), window);
}

HRESULT WINAPI InPlace_ContextSensitiveHelp(IOleInPlaceObjectWindowless* iface, BOOL enter) {
  return E_NOTIMPL;
}

HRESULT WINAPI InPlace_InPlaceDeactivate(IOleInPlaceObjectWindowless* iface) {
  return DeactivateInPlace(impl_from_IOleInPlaceObjectWindowless(iface));
}

HRESULT WINAPI InPlace_UIDeactivate(IOleInPlaceObjectWindowless* iface) {
  return DeactivateUi(impl_from_IOleInPlaceObjectWindowless(iface));
}

// Moves the panel to `position`; the part outside `clip` is cut off by a
// window region, an empty one when the clip misses the panel altogether.
HRESULT WINAPI InPlace_SetObjectRects(IOleInPlaceObjectWindowless* iface, LPCRECT position,
                                      LPCRECT clip) {
  if (position == nullptr) {
    return E_POINTER;
  }
  HWND panel = PanelHandle(impl_from_IOleInPlaceObjectWindowless(iface));
  if (panel == nullptr) {
    return E_UNEXPECTED;  // only an object active in place has rectangles
  }
  RECT visible = *position;
  HRGN region = nullptr;
  if (clip != nullptr && !IntersectRect(&visible, position, clip)) {
    region = CreateRectRgn(0, 0, 0, 0);
  } else if (clip != nullptr && !EqualRect(&visible, position)) {
    OffsetRect(&visible, -position->left, -position->top);
    region = CreateRectRgnIndirect(&visible);
  }
  SetWindowRgn(panel, region, TRUE);  // the window owns the region
  SetWindowPos(panel, nullptr, position->left, position->top, position->right - position->left,
               position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
  return S_OK;
}

HRESULT WINAPI InPlace_ReactivateAndUndo(IOleInPlaceObjectWindowless* iface) {
  return E_NOTIMPL;
}

HRESULT WINAPI InPlace_OnWindowMessage(IOleInPlaceObjectWindowless* iface, UINT message,
                                       WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return S_FALSE;  // a windowed control takes its messages in its own window
}

HRESULT WINAPI InPlace_GetDropTarget(IOleInPlaceObjectWindowless* iface, IDropTarget** target) {
  if (target != nullptr) {
    *target = nullptr;
  }
  return E_NOTIMPL;
}

HRESULT WINAPI Active_QueryInterface(IOleInPlaceActiveObject* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IOleInPlaceActiveObject(iface)->outer, riid, out);
}

ULONG WINAPI Active_AddRef(IOleInPlaceActiveObject* iface) {
  return IUnknown_AddRef(impl_from_IOleInPlaceActiveObject(iface)->outer);
}

ULONG WINAPI Active_Release(IOleInPlaceActiveObject* iface) {
  return IUnknown_Release(impl_from_IOleInPlaceActiveObject(iface)->outer);
}

HRESULT WINAPI Active_GetWindow(IOleInPlaceActiveObject* iface, HWND* window) {
  return PanelWindowOf(impl_from_IOleInPlaceActiveObject(iface), window);
}

HRESULT WINAPI Active_ContextSensitiveHelp(IOleInPlaceActiveObject* iface, BOOL enter) {
  return E_NOTIMPL;
}

HRESULT WINAPI Active_TranslateAccelerator(IOleInPlaceActiveObject* iface, LPMSG message) {
  return TranslatePanelKey(impl_from_IOleInPlaceActiveObject(iface), message);
}

HRESULT WINAPI Active_OnFrameWindowActivate(IOleInPlaceActiveObject* iface, BOOL activate) {
  return S_OK;
}

HRESULT WINAPI Active_OnDocWindowActivate(IOleInPlaceActiveObject* iface, BOOL activate) {
  return S_OK;
}

HRESULT WINAPI Active_ResizeBorder(IOleInPlaceActiveObject* iface, LPCRECT border,
                                   IOleInPlaceUIWindow* window, BOOL frameWindow) {
  return S_OK;
}

HRESULT WINAPI Active_EnableModeless(IOleInPlaceActiveObject* iface, BOOL enable) {
  return S_OK;
}

}  // namespace

const IOleInPlaceObjectWindowlessVtbl kInPlaceObjectVtbl = {
    InPlace_QueryInterface,
    InPlace_AddRef,
    InPlace_Release,
    InPlace_GetWindow,
    InPlace_ContextSensitiveHelp,
    InPlace_InPlaceDeactivate,
    InPlace_UIDeactivate,
    InPlace_SetObjectRects,
    InPlace_ReactivateAndUndo,
    InPlace_OnWindowMessage,
    InPlace_GetDropTarget,
};

const IOleInPlaceActiveObjectVtbl kInPlaceActiveObjectVtbl = {
    Active_QueryInterface,
    Active_AddRef,
    Active_Release,
    Active_GetWindow,
    Active_ContextSensitiveHelp,
    Active_TranslateAccelerator,
    Active_OnFrameWindowActivate,
    Active_OnDocWindowActivate,
    Active_ResizeBorder,
    Active_EnableModeless,
};

}  // namespace tamborix
