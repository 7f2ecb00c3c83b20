// IOleObject and IOleControl: the client site, extent and AutoSize rule,
// verbs, the OLE advise sinks and the status words from the registry.
#include "module/in_place_activation.h"

namespace tamborix {
namespace {

HRESULT WINAPI Ole_QueryInterface(IOleObject* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IOleObject(iface)->outer, riid, out);
}

ULONG WINAPI Ole_AddRef(IOleObject* iface) {
  return IUnknown_AddRef(impl_from_IOleObject(iface)->outer);
}

ULONG WINAPI Ole_Release(IOleObject* iface) {
  return IUnknown_Release(impl_from_IOleObject(iface)->outer);
}

HRESULT WINAPI Ole_SetClientSite(IOleObject* iface, IOleClientSite* site) {
  RecorderObject* object = impl_from_IOleObject(iface);
  if (site != nullptr) {
    IOleClientSite_AddRef(site);
  }
  IOleClientSite* old = object->clientSite;
  object->clientSite = site;
  if (old != nullptr) {
    IOleClientSite_Release(old);
  }
  return S_OK;
}

HRESULT WINAPI Ole_GetClientSite(IOleObject* iface, IOleClientSite** site) {
  if (site == nullptr) {
    return E_POINTER;
  }
  *site = impl_from_IOleObject(iface)->clientSite;
  if (*site != nullptr) {
    IOleClientSite_AddRef(*site);
  }
  return S_OK;
}

HRESULT WINAPI Ole_SetHostNames(IOleObject* iface, LPCOLESTR application, LPCOLESTR document) {
  return S_OK;
}

HRESULT WINAPI Ole_Close(IOleObject* iface, DWORD saveOption) {
  RecorderObject* object = impl_from_IOleObject(iface);
  DeactivateInPlace(object);  // a recording in progress is saved
  if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) &&
      object->requiresSave && object->clientSite != nullptr) {
    IOleClientSite_SaveObject(object->clientSite);
  }
  if (object->oleAdviseHolder != nullptr) {
    IOleAdviseHolder_SendOnClose(object->oleAdviseHolder);
  }
  return S_OK;
}

HRESULT WINAPI Ole_SetMoniker(IOleObject* iface, DWORD which, IMoniker* moniker) {
  return E_NOTIMPL;
}

HRESULT WINAPI Ole_GetMoniker(IOleObject* iface, DWORD assign, DWORD which, IMoniker** moniker) {
  if (moniker != nullptr) {
    *moniker = nullptr;
  }
  return E_NOTIMPL;
}

HRESULT WINAPI Ole_InitFromData(IOleObject* iface, IDataObject* data, BOOL creation,
                                DWORD reserved) {
  return E_NOTIMPL;
}

HRESULT WINAPI Ole_GetClipboardData(IOleObject* iface, DWORD reserved, IDataObject** data) {
  if (data != nullptr) {
    *data = nullptr;
  }
  return E_NOTIMPL;
}

// Every showing verb activates the panel in place; the primary verb and
// OLEIVERB_UIACTIVATE also make it the UI-active object.
HRESULT WINAPI Ole_DoVerb(IOleObject* iface, LONG verb, LPMSG message, IOleClientSite* site,
                          LONG index, HWND parent, LPCRECT position) {
  RecorderObject* object = impl_from_IOleObject(iface);
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_UIACTIVATE:
      return ActivateInPlace(object, site, parent, position, true);
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return ActivateInPlace(object, site, parent, position, false);
    case OLEIVERB_HIDE:
      DeactivateUi(object);
      HidePanel(object);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;  // nothing to undo
    default:
      return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

HRESULT WINAPI Ole_EnumVerbs(IOleObject* iface, IEnumOLEVERB** verbs) {
  if (verbs == nullptr) {
    return E_POINTER;
  }
  return OleRegEnumVerbs(CLSID_RecorderDialog, verbs);
}

HRESULT WINAPI Ole_Update(IOleObject* iface) {
  return S_OK;
}

HRESULT WINAPI Ole_IsUpToDate(IOleObject* iface) {
  return S_OK;
}

HRESULT WINAPI Ole_GetUserClassID(IOleObject* iface, CLSID* clsid) {
  if (clsid == nullptr) {
    return E_POINTER;
  }
  *clsid = CLSID_RecorderDialog;
  return S_OK;
}

HRESULT WINAPI Ole_GetUserType(IOleObject* iface, DWORD form, LPOLESTR* name) {
  if (name == nullptr) {
    return E_POINTER;
  }
  return OleRegGetUserType(CLSID_RecorderDialog, form, name);
}

HRESULT WINAPI Ole_SetExtent(IOleObject* iface, DWORD aspect, SIZEL* size) {
  if (size == nullptr) {
    return E_POINTER;
  }
  if (aspect != DVASPECT_CONTENT) {
    return DV_E_DVASPECT;
  }
  RecorderObject* object = impl_from_IOleObject(iface);
  const bool natural = size->cx == object->naturalExtent.cx && size->cy == object->naturalExtent.cy;
  if (object->autoSize && !natural) {
    return E_FAIL;  // an auto-sized control keeps its natural size
  }
  object->extent = *size;
  return S_OK;
}

HRESULT WINAPI Ole_GetExtent(IOleObject* iface, DWORD aspect, SIZEL* size) {
  if (size == nullptr) {
    return E_POINTER;
  }
  if (aspect != DVASPECT_CONTENT) {
    return E_FAIL;
  }
  *size = impl_from_IOleObject(iface)->extent;
  return S_OK;
}

// The OLE advise holder, made on first use.
HRESULT OleAdviseHolder(RecorderObject* object, IOleAdviseHolder** holder) {
  if (object->oleAdviseHolder == nullptr) {
    const HRESULT hr = CreateOleAdviseHolder(&object->oleAdviseHolder);
    if (FAILED(hr)) {
      object->oleAdviseHolder = nullptr;
      return hr;
    }
  }
  *holder = object->oleAdviseHolder;
  return S_OK;
}

HRESULT WINAPI Ole_Advise(IOleObject* iface, IAdviseSink* sink, DWORD* connection) {
  if (sink == nullptr || connection == nullptr) {
    return E_POINTER;
  }
  IOleAdviseHolder* holder = nullptr;
  const HRESULT hr = OleAdviseHolder(impl_from_IOleObject(iface), &holder);
  return FAILED(hr) ? hr : IOleAdviseHolder_Advise(holder, sink, connection);
}

HRESULT WINAPI Ole_Unadvise(IOleObject* iface, DWORD connection) {
  RecorderObject* object = impl_from_IOleObject(iface);
  if (object->oleAdviseHolder == nullptr) {
    return OLE_E_NOCONNECTION;
  }
  return IOleAdviseHolder_Unadvise(object->oleAdviseHolder, connection);
}

HRESULT WINAPI Ole_EnumAdvise(IOleObject* iface, IEnumSTATDATA** advises) {
  if (advises == nullptr) {
    return E_POINTER;
  }
  *advises = nullptr;
  IOleAdviseHolder* holder = nullptr;
  const HRESULT hr = OleAdviseHolder(impl_from_IOleObject(iface), &holder);
  return FAILED(hr) ? hr : IOleAdviseHolder_EnumAdvise(holder, advises);
}

// The control has no status word of its own: the registry's MiscStatus keys
// give it.
HRESULT WINAPI Ole_GetMiscStatus(IOleObject* iface, DWORD aspect, DWORD* status) {
  if (status == nullptr) {
    return E_POINTER;
  }
  return OleRegGetMiscStatus(CLSID_RecorderDialog, aspect, status);
}

HRESULT WINAPI Ole_SetColorScheme(IOleObject* iface, LOGPALETTE* palette) {
  return E_NOTIMPL;
}

HRESULT WINAPI Control_QueryInterface(IOleControl* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IOleControl(iface)->outer, riid, out);
}

ULONG WINAPI Control_AddRef(IOleControl* iface) {
  return IUnknown_AddRef(impl_from_IOleControl(iface)->outer);
}

ULONG WINAPI Control_Release(IOleControl* iface) {
  return IUnknown_Release(impl_from_IOleControl(iface)->outer);
}

HRESULT WINAPI Control_GetControlInfo(IOleControl* iface, CONTROLINFO* info) {
  return E_NOTIMPL;
}

HRESULT WINAPI Control_OnMnemonic(IOleControl* iface, MSG* message) {
  return E_NOTIMPL;
}

// The background colour is read again, and the control repainted, when it
// changes or when the container does not say which property changed.
HRESULT WINAPI Control_OnAmbientPropertyChange(IOleControl* iface, DISPID dispid) {
  if (dispid == DISPID_AMBIENT_BACKCOLOR || dispid == DISPID_UNKNOWN) {
    RecorderObject* object = impl_from_IOleControl(iface);
    object->parts->framework.ReadBackColor();
    RefreshView(object);
  }
  return S_OK;
}

// Events are never held back.
HRESULT WINAPI Control_FreezeEvents(IOleControl* iface, BOOL freeze) {
  return S_OK;
}

}  // namespace

const IOleObjectVtbl kOleObjectVtbl = {
    Ole_QueryInterface,   Ole_AddRef,      Ole_Release,       Ole_SetClientSite,  Ole_GetClientSite,
    Ole_SetHostNames,     Ole_Close,       Ole_SetMoniker,    Ole_GetMoniker,     Ole_InitFromData,
    Ole_GetClipboardData, Ole_DoVerb,      Ole_EnumVerbs,     Ole_Update,         Ole_IsUpToDate,
    Ole_GetUserClassID,   Ole_GetUserType, Ole_SetExtent,     Ole_GetExtent,      Ole_Advise,
    Ole_Unadvise,         Ole_EnumAdvise,  Ole_GetMiscStatus, Ole_SetColorScheme,
};

const IOleControlVtbl kOleControlVtbl = {
    Control_QueryInterface, Control_AddRef,     Control_Release,
    Control_GetControlInfo, Control_OnMnemonic, Control_OnAmbientPropertyChange,
    Control_FreezeEvents,
};

}  // namespace tamborix
