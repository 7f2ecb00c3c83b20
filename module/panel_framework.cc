#include "module/panel_framework.h"

#include "module/recorder_object.h"

namespace tamborix {
namespace {

// The ambient property `dispid` from the site's IDispatch; false when the
// site has none or does not give it.
bool ReadAmbient(IOleClientSite* site, DISPID dispid, VARIANT* value) {
  if (site == nullptr) {
    return false;
  }
  IDispatch* ambient = nullptr;
  if (FAILED(
          IOleClientSite_QueryInterface(site, IID_IDispatch, reinterpret_cast<void**>(&ambient))) ||
      ambient == nullptr) {
    return false;
  }
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VariantInit(value);
  const HRESULT hr = IDispatch_Invoke(ambient, dispid, IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
  IDispatch_Release(ambient);
  return SUCCEEDED(hr);
}

}  // namespace

PanelFramework::~PanelFramework() {
  if (brush_ != nullptr) {
    DeleteObject(brush_);
  }
}

void PanelFramework::ReadBackColor() {
  if (brush_ != nullptr) {
    DeleteObject(brush_);
    brush_ = nullptr;
  }
  VARIANT value;
  if (!ReadAmbient(object_->clientSite, DISPID_AMBIENT_BACKCOLOR, &value)) {
    return;
  }
  VARIANT color;
  VariantInit(&color);
  COLORREF rgb = 0;
  if (SUCCEEDED(VariantChangeType(&color, &value, 0, VT_I4)) &&
      SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(V_I4(&color)), nullptr, &rgb))) {
    color_ = rgb;
    brush_ = CreateSolidBrush(rgb);
  }
  VariantClear(&color);
  VariantClear(&value);
}

void PanelFramework::Hold() {
  IUnknown_AddRef(&object_->IUnknown_inner);
}

void PanelFramework::Drop() {
  IUnknown_Release(&object_->IUnknown_inner);  // may end the object
}

void PanelFramework::TellSiteOfFocus(bool focus) {
  if (!object_->inPlaceActive || object_->clientSite == nullptr) {
    return;
  }
  IOleControlSite* site = nullptr;
  if (SUCCEEDED(IOleClientSite_QueryInterface(object_->clientSite, IID_IOleControlSite,
                                              reinterpret_cast<void**>(&site))) &&
      site != nullptr) {
    IOleControlSite_OnFocus(site, focus ? TRUE : FALSE);
    IOleControlSite_Release(site);
  }
}

bool PanelFramework::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam,
                               intptr_t* result) {
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      if (brush_ == nullptr) {
        return false;
      }
      SetBkColor(reinterpret_cast<HDC>(wParam), color_);  // NOLINT(performance-no-int-to-ptr)
      *result = reinterpret_cast<intptr_t>(brush_);
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TellSiteOfFocus(message == WM_SETFOCUS);
      return false;
    case WM_MOUSEACTIVATE:
      // A click on the panel makes the control the container's active one.
      if (object_->inPlaceActive && !object_->uiActive) {
        IOleObject_DoVerb(&object_->IOleObject_iface, OLEIVERB_UIACTIVATE, nullptr,
                          object_->clientSite, 0, nullptr, nullptr);
      }
      return false;
    default:
      return false;
  }
}

}  // namespace tamborix
