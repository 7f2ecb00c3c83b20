// IViewObjectEx (with IViewObject2 and IViewObject): drawing the control when
// it is not active in place, its extent, hit tests and the view-advise sink.
#include "module/recorder_object.h"

namespace tamborix {
namespace {

constexpr char kPlaceholderText[] = "ATL Composite Control";

HRESULT WINAPI View_QueryInterface(IViewObjectEx* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IViewObjectEx(iface)->outer, riid, out);
}

ULONG WINAPI View_AddRef(IViewObjectEx* iface) {
  return IUnknown_AddRef(impl_from_IViewObjectEx(iface)->outer);
}

ULONG WINAPI View_Release(IViewObjectEx* iface) {
  return IUnknown_Release(impl_from_IViewObjectEx(iface)->outer);
}

// Not active in place, the control draws no panel: a grey rectangle with a
// black frame and a centred line of text. Active in place, the live panel
// shows instead and drawing does nothing.
HRESULT WINAPI View_Draw(IViewObjectEx* iface, DWORD aspect, LONG index, void* aspectInfo,
                         DVTARGETDEVICE* device, HDC targetDevice, HDC dc, LPCRECTL bounds,
                         LPCRECTL metafileBounds, WINBOOL(WINAPI* keepGoing)(ULONG_PTR),
                         ULONG_PTR keepGoingArgument) {
  if (dc == nullptr || bounds == nullptr) {
    return E_INVALIDARG;
  }
  if (impl_from_IViewObjectEx(iface)->inPlaceActive) {
    return S_OK;
  }
  RECT rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(GRAY_BRUSH));
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, kPlaceholderText, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  return S_OK;
}

HRESULT WINAPI View_GetColorSet(IViewObjectEx* iface, DWORD aspect, LONG index, void* aspectInfo,
                                DVTARGETDEVICE* device, HDC targetDevice, LOGPALETTE** colors) {
  return E_NOTIMPL;
}

HRESULT WINAPI View_Freeze(IViewObjectEx* iface, DWORD aspect, LONG index, void* aspectInfo,
                           DWORD* freeze) {
  return E_NOTIMPL;
}

HRESULT WINAPI View_Unfreeze(IViewObjectEx* iface, DWORD freeze) {
  return E_NOTIMPL;
}

HRESULT WINAPI View_SetAdvise(IViewObjectEx* iface, DWORD aspects, DWORD advf, IAdviseSink* sink) {
  RecorderObject* object = impl_from_IViewObjectEx(iface);
  if (sink != nullptr) {
    IAdviseSink_AddRef(sink);
  }
  IAdviseSink* old = object->viewSink;
  object->viewSink = sink;
  object->viewAspects = aspects;
  object->viewAdvf = advf;
  if (old != nullptr) {
    IAdviseSink_Release(old);
  }
  return S_OK;
}

HRESULT WINAPI View_GetAdvise(IViewObjectEx* iface, DWORD* aspects, DWORD* advf,
                              IAdviseSink** sink) {
  RecorderObject* object = impl_from_IViewObjectEx(iface);
  if (aspects != nullptr) {
    *aspects = object->viewAspects;
  }
  if (advf != nullptr) {
    *advf = object->viewAdvf;
  }
  if (sink != nullptr) {
    *sink = object->viewSink;
    if (*sink != nullptr) {
      IAdviseSink_AddRef(*sink);
    }
  }
  return S_OK;
}

HRESULT WINAPI View_GetExtent(IViewObjectEx* iface, DWORD aspect, LONG index,
                              DVTARGETDEVICE* device, LPSIZEL size) {
  if (size == nullptr) {
    return E_POINTER;
  }
  if (aspect != DVASPECT_CONTENT) {
    return E_FAIL;
  }
  *size = impl_from_IViewObjectEx(iface)->extent;
  return S_OK;
}

HRESULT WINAPI View_GetRect(IViewObjectEx* iface, DWORD aspect, LPRECTL rect) {
  return E_NOTIMPL;
}

HRESULT WINAPI View_GetViewStatus(IViewObjectEx* iface, DWORD* status) {
  if (status == nullptr) {
    return E_POINTER;
  }
  // Draw fills its whole rectangle with one brush.
  *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
  return S_OK;
}

HRESULT WINAPI View_QueryHitPoint(IViewObjectEx* iface, DWORD aspect, LPCRECT bounds, POINT point,
                                  LONG closeHint, DWORD* hit) {
  if (bounds == nullptr || hit == nullptr) {
    return E_POINTER;
  }
  if (aspect != DVASPECT_CONTENT) {
    return E_FAIL;
  }
  *hit = PtInRect(bounds, point) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

HRESULT WINAPI View_QueryHitRect(IViewObjectEx* iface, DWORD aspect, LPCRECT bounds,
                                 LPCRECT location, LONG closeHint, DWORD* hit) {
  if (bounds == nullptr || location == nullptr || hit == nullptr) {
    return E_POINTER;
  }
  if (aspect != DVASPECT_CONTENT) {
    return E_FAIL;
  }
  RECT overlap;
  *hit = IntersectRect(&overlap, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

HRESULT WINAPI View_GetNaturalExtent(IViewObjectEx* iface, DWORD aspect, LONG index,
                                     DVTARGETDEVICE* device, HDC targetDevice, DVEXTENTINFO* info,
                                     LPSIZEL size) {
  if (info == nullptr || size == nullptr) {
    return E_POINTER;
  }
  if (aspect != DVASPECT_CONTENT || info->dwExtentMode != DVEXTENT_CONTENT) {
    return E_FAIL;
  }
  *size = impl_from_IViewObjectEx(iface)->naturalExtent;
  return S_OK;
}

}  // namespace

const IViewObjectExVtbl kViewObjectExVtbl = {
    View_QueryInterface, View_AddRef,       View_Release,          View_Draw,
    View_GetColorSet,    View_Freeze,       View_Unfreeze,         View_SetAdvise,
    View_GetAdvise,      View_GetExtent,    View_GetRect,          View_GetViewStatus,
    View_QueryHitPoint,  View_QueryHitRect, View_GetNaturalExtent,
};

}  // namespace tamborix
