// IOleInPlaceObjectWindowless (with IOleInPlaceObject and IOleWindow) and
// IOleInPlaceActiveObject. The control runs in place only in a panel window
// of its own, which this version does not create: it is never active in
// place, so it has no window and nothing to deactivate.
#include "module/recorder_object.h"

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

HRESULT NoWindow(HWND* window) {
  if (window == nullptr) {
    return E_POINTER;
  }
  *window = nullptr;
  return E_FAIL;
}

HRESULT WINAPI InPlace_GetWindow(IOleInPlaceObjectWindowless* iface, HWND* window) {
  return NoWindow(window);
}

HRESULT WINAPI InPlace_ContextSensitiveHelp(IOleInPlaceObjectWindowless* iface, BOOL enter) {
  return E_NOTIMPL;
}

HRESULT WINAPI InPlace_InPlaceDeactivate(IOleInPlaceObjectWindowless* iface) {
  return S_OK;
}

HRESULT WINAPI InPlace_UIDeactivate(IOleInPlaceObjectWindowless* iface) {
  return S_OK;
}

HRESULT WINAPI InPlace_SetObjectRects(IOleInPlaceObjectWindowless* iface, LPCRECT position,
                                      LPCRECT clip) {
  return E_UNEXPECTED;  // only an object active in place has rectangles
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
  return NoWindow(window);
}

HRESULT WINAPI Active_ContextSensitiveHelp(IOleInPlaceActiveObject* iface, BOOL enter) {
  return E_NOTIMPL;
}

HRESULT WINAPI Active_TranslateAccelerator(IOleInPlaceActiveObject* iface, LPMSG message) {
  return S_FALSE;  // not translated
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
