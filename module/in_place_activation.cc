#include "module/in_place_activation.h"

#include "module/com_util.h"
#include "module/module_state.h"
#include "module/panel_keys.h"

namespace tamborix {
namespace {

void ForgetSite(RecorderObject* object) {
  ReleaseAndClear(&object->frame);
  ReleaseAndClear(&object->uiWindow);
  ReleaseAndClear(&object->inPlaceSiteEx);
  ReleaseAndClear(&object->inPlaceSite);
}

// OnInPlaceActivateEx on a site that answers IOleInPlaceSiteEx (a browser
// sizes only a control that said so there), else OnInPlaceActivate.
void TellSiteActivated(RecorderObject* object, IOleClientSite* site) {
  if (SUCCEEDED(IOleClientSite_QueryInterface(site, IID_IOleInPlaceSiteEx,
                                              reinterpret_cast<void**>(&object->inPlaceSiteEx))) &&
      object->inPlaceSiteEx != nullptr) {
    IOleInPlaceSiteEx* extended = object->inPlaceSiteEx;
    IOleInPlaceSiteEx_AddRef(extended);
    BOOL noRedraw = FALSE;
    IOleInPlaceSiteEx_OnInPlaceActivateEx(extended, &noRedraw, 0);
    IOleInPlaceSiteEx_Release(extended);
    return;
  }
  object->inPlaceSiteEx = nullptr;
  IOleInPlaceSite_OnInPlaceActivate(object->inPlaceSite);
}

// The deactivation call that matches the activation, then the site let go of.
void TellSiteDeactivated(RecorderObject* object) {
  IOleInPlaceSiteEx* extended = object->inPlaceSiteEx;
  IOleInPlaceSite* site = object->inPlaceSite;
  if (extended != nullptr) {
    IOleInPlaceSiteEx_AddRef(extended);
    IOleInPlaceSiteEx_OnInPlaceDeactivateEx(extended, TRUE);
    IOleInPlaceSiteEx_Release(extended);
  } else if (site != nullptr) {
    IOleInPlaceSite_AddRef(site);
    IOleInPlaceSite_OnInPlaceDeactivate(site);
    IOleInPlaceSite_Release(site);
  }
  ForgetSite(object);
}

// The focus goes back to the container's window before the panel hides or
// goes, so that no key reaches a panel nobody sees.
void GiveFocusBack(HWND panel) {
  HWND focus = GetFocus();
  if (focus != nullptr && (focus == panel || IsChild(panel, focus))) {
    SetFocus(GetParent(panel));
  }
}

// Gets the site ready and the panel window made.
HRESULT BeginInPlace(RecorderObject* object, IOleClientSite* activeSite, HWND parent,
                     LPCRECT position) {
  IOleClientSite* site = activeSite != nullptr ? activeSite : object->clientSite;
  if (site == nullptr) {
    return E_INVALIDARG;
  }
  HRESULT hr = IOleClientSite_QueryInterface(site, IID_IOleInPlaceSite,
                                             reinterpret_cast<void**>(&object->inPlaceSite));
  if (FAILED(hr)) {
    object->inPlaceSite = nullptr;
    return hr;
  }
  if (IOleInPlaceSite_CanInPlaceActivate(object->inPlaceSite) != S_OK) {
    ForgetSite(object);
    return E_FAIL;
  }
  TellSiteActivated(object, site);

  HWND siteWindow = nullptr;
  if (SUCCEEDED(IOleInPlaceSite_GetWindow(object->inPlaceSite, &siteWindow)) &&
      siteWindow != nullptr) {
    parent = siteWindow;
  }
  RECT place = {};
  RECT clip = {};
  OLEINPLACEFRAMEINFO frameInfo = {};
  frameInfo.cb = sizeof frameInfo;
  if (FAILED(IOleInPlaceSite_GetWindowContext(object->inPlaceSite, &object->frame,
                                              &object->uiWindow, &place, &clip, &frameInfo))) {
    object->frame = nullptr;
    object->uiWindow = nullptr;
  }
  if (position != nullptr) {
    place = *position;
  }

  ObjectParts& parts = *object->parts;
  parts.framework.ReadBackColor();
  auto* window = new Win32PanelWindow(ModuleInstance(), &parts.framework);
  parts.window = window;
  object->inPlaceActive = TRUE;
  PanelMessageHandler* handler = parts.control.OpenPanel(*window);
  const bool made = parent != nullptr ? window->Create(parent, place, handler) : false;
  if (!made && parent == nullptr) {
    // No window came to be: the panel hears its end all the same.
    intptr_t ignored = 0;
    handler->OnMessage(WM_DESTROY, 0, 0, &ignored);
  }
  if (parts.window != window) {
    // The container deactivated the control from inside its first event
    // (and may have activated it again): that has taken this window away.
    return object->inPlaceActive ? S_OK : E_FAIL;
  }
  if (!made) {
    object->inPlaceActive = FALSE;
    parts.window = nullptr;
    window->Release();
    TellSiteDeactivated(object);
    return E_FAIL;
  }
  WatchPanelInput(object, window->Handle());
  if (object->clientSite != nullptr) {
    IOleClientSite_ShowObject(object->clientSite);
  }
  return S_OK;
}

HRESULT BeginUi(RecorderObject* object) {
  object->uiActive = TRUE;
  IOleInPlaceSite_OnUIActivate(object->inPlaceSite);
  IOleInPlaceActiveObject* active = &object->IOleInPlaceActiveObject_iface;
  if (object->frame != nullptr) {
    IOleInPlaceFrame_SetActiveObject(object->frame, active, nullptr);
  }
  if (object->uiWindow != nullptr) {
    IOleInPlaceUIWindow_SetActiveObject(object->uiWindow, active, nullptr);
  }
  HWND panel = PanelHandle(object);
  HWND focus = GetFocus();
  if (panel != nullptr && focus != panel && !IsChild(panel, focus)) {
    SetFocus(panel);  // the dialog passes it on to its first tab stop
  }
  return S_OK;
}

}  // namespace

HWND PanelHandle(RecorderObject* object) {
  Win32PanelWindow* window = object->parts->window;
  return object->inPlaceActive && window != nullptr ? window->Handle() : nullptr;
}

HRESULT ActivateInPlace(RecorderObject* object, IOleClientSite* activeSite, HWND parent,
                        LPCRECT position, bool uiActivate) {
  // The container may let go of the object from inside a site call.
  IUnknown_AddRef(object->outer);
  HRESULT hr = S_OK;
  if (!object->inPlaceActive) {
    hr = BeginInPlace(object, activeSite, parent, position);
  } else if (HWND panel = PanelHandle(object)) {
    ShowWindow(panel, SW_SHOW);
  }
  if (SUCCEEDED(hr) && uiActivate && !object->uiActive && object->inPlaceActive) {
    hr = BeginUi(object);
  }
  IUnknown_Release(object->outer);
  return hr;
}

void HidePanel(RecorderObject* object) {
  if (HWND panel = PanelHandle(object)) {
    GiveFocusBack(panel);
    ShowWindow(panel, SW_HIDE);
  }
}

HRESULT DeactivateUi(RecorderObject* object) {
  if (!object->uiActive) {
    return S_OK;
  }
  object->uiActive = FALSE;
  if (object->frame != nullptr) {
    IOleInPlaceFrame_SetActiveObject(object->frame, nullptr, nullptr);
  }
  if (object->uiWindow != nullptr) {
    IOleInPlaceUIWindow_SetActiveObject(object->uiWindow, nullptr, nullptr);
  }
  if (object->inPlaceSite != nullptr) {
    IOleInPlaceSite_OnUIDeactivate(object->inPlaceSite, FALSE);
  }
  return S_OK;
}

HRESULT DeactivateInPlace(RecorderObject* object) {
  if (!object->inPlaceActive) {
    return S_OK;
  }
  DeactivateUi(object);
  if (HWND panel = PanelHandle(object)) {
    GiveFocusBack(panel);
    ForgetPanelInput(panel);
  }
  object->inPlaceActive = FALSE;
  ObjectParts& parts = *object->parts;
  Win32PanelWindow* window = parts.window;
  parts.window = nullptr;
  if (window != nullptr) {
    window->Release();  // WM_DESTROY: the panel ends and saves what runs
  }
  TellSiteDeactivated(object);
  return S_OK;
}

}  // namespace tamborix
