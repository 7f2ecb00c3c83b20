// IRecorderDialog, the control's dual scripting interface, and IDispatch
// through its type information.
#include "module/com_util.h"
#include "module/module_state.h"
#include "module/recorder_object.h"

namespace tamborix {
namespace {

HRESULT WINAPI Dialog_QueryInterface(IRecorderDialog* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IRecorderDialog(iface)->outer, riid, out);
}

ULONG WINAPI Dialog_AddRef(IRecorderDialog* iface) {
  return IUnknown_AddRef(impl_from_IRecorderDialog(iface)->outer);
}

ULONG WINAPI Dialog_Release(IRecorderDialog* iface) {
  return IUnknown_Release(impl_from_IRecorderDialog(iface)->outer);
}

HRESULT WINAPI Dialog_GetTypeInfoCount(IRecorderDialog* iface, UINT* count) {
  if (count == nullptr) {
    return E_POINTER;
  }
  *count = 1;
  return S_OK;
}

HRESULT WINAPI Dialog_GetTypeInfo(IRecorderDialog* iface, UINT index, LCID locale,
                                  ITypeInfo** info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  *info = nullptr;
  if (index != 0) {
    return DISP_E_BADINDEX;
  }
  return GetRecorderTypeInfo(IID_IRecorderDialog, info);
}

HRESULT WINAPI Dialog_GetIDsOfNames(IRecorderDialog* iface, REFIID riid, LPOLESTR* names,
                                    UINT count, LCID locale, DISPID* ids) {
  ITypeInfo* info = nullptr;
  HRESULT hr = GetRecorderTypeInfo(IID_IRecorderDialog, &info);
  if (SUCCEEDED(hr)) {
    hr = ITypeInfo_GetIDsOfNames(info, names, count, ids);
    ITypeInfo_Release(info);
  }
  return hr;
}

HRESULT WINAPI Dialog_Invoke(IRecorderDialog* iface, DISPID member, REFIID riid, LCID locale,
                             WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                             UINT* argumentError) {
  ITypeInfo* info = nullptr;
  HRESULT hr = GetRecorderTypeInfo(IID_IRecorderDialog, &info);
  if (SUCCEEDED(hr)) {
    hr = ITypeInfo_Invoke(info, iface, member, flags, params, result, exception, argumentError);
    ITypeInfo_Release(info);
  }
  return hr;
}

HRESULT WINAPI Dialog_put_AutoSize(IRecorderDialog* iface, VARIANT_BOOL value) {
  RecorderObject* object = impl_from_IRecorderDialog(iface);
  if (RequestPropertyEdit(object, DISPID_AUTOSIZE) == S_FALSE) {
    return S_FALSE;
  }
  object->autoSize = value != VARIANT_FALSE;
  object->requiresSave = TRUE;
  NotifyPropertyChanged(object, DISPID_AUTOSIZE);
  RefreshView(object);
  if (object->dataAdviseHolder != nullptr) {
    IDataAdviseHolder_SendOnDataChange(object->dataAdviseHolder, &object->IDataObject_iface, 0, 0);
  }
  return S_OK;
}

HRESULT WINAPI Dialog_get_AutoSize(IRecorderDialog* iface, VARIANT_BOOL* value) {
  if (value == nullptr) {
    return E_POINTER;
  }
  *value = impl_from_IRecorderDialog(iface)->autoSize ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT WINAPI Dialog_SetFileName(IRecorderDialog* iface, BSTR name) {
  RecorderObject* object = impl_from_IRecorderDialog(iface);
  return Guarded([&] {
    const Result result = object->parts->control.SetFileName(FromBstr(name));
    if (Succeeded(result)) {
      RefreshView(object);
    }
    return static_cast<HRESULT>(result);
  });
}

HRESULT WINAPI Dialog_SetMaxFileLengthInSecond(IRecorderDialog* iface, BSTR length) {
  RecorderObject* object = impl_from_IRecorderDialog(iface);
  return Guarded([&] {
    bool accepted = false;
    const Result result =
        object->parts->control.SetMaxFileLengthInSecond(FromBstr(length), &accepted);
    if (accepted) {
      RefreshView(object);
    }
    return static_cast<HRESULT>(result);
  });
}

HRESULT HandOut(const WideString& text, BSTR* out) {
  bool failed = false;
  *out = ToBstr(text, &failed);
  return failed ? E_OUTOFMEMORY : S_OK;
}

HRESULT WINAPI Dialog_get_SoundFileName(IRecorderDialog* iface, BSTR* name) {
  if (name == nullptr) {
    return E_POINTER;
  }
  *name = nullptr;
  RecorderObject* object = impl_from_IRecorderDialog(iface);
  return Guarded([&] { return HandOut(object->parts->control.SoundFileName(), name); });
}

HRESULT WINAPI Dialog_get_LocalFullFileName(IRecorderDialog* iface, BSTR* path) {
  if (path == nullptr) {
    return E_POINTER;
  }
  *path = nullptr;
  RecorderObject* object = impl_from_IRecorderDialog(iface);
  return Guarded([&] { return HandOut(object->parts->control.LocalFullFileName(), path); });
}

using PlainSetter = Result (RecorderControl::*)(const WideString&);

HRESULT SetPlain(IRecorderDialog* iface, PlainSetter setter, BSTR value) {
  RecorderObject* object = impl_from_IRecorderDialog(iface);
  return Guarded(
      [&] { return static_cast<HRESULT>((object->parts->control.*setter)(FromBstr(value))); });
}

HRESULT WINAPI Dialog_SetSession(IRecorderDialog* iface, BSTR value) {
  return SetPlain(iface, &RecorderControl::SetSession, value);
}

HRESULT WINAPI Dialog_SetDomain(IRecorderDialog* iface, BSTR value) {
  return SetPlain(iface, &RecorderControl::SetDomain, value);
}

HRESULT WINAPI Dialog_SetUser(IRecorderDialog* iface, BSTR value) {
  return SetPlain(iface, &RecorderControl::SetUser, value);
}

HRESULT WINAPI Dialog_SetTargetDir(IRecorderDialog* iface, BSTR value) {
  return SetPlain(iface, &RecorderControl::SetTargetDir, value);
}

HRESULT WINAPI Dialog_SetHost(IRecorderDialog* iface, BSTR value) {
  return SetPlain(iface, &RecorderControl::SetHost, value);
}

IDispatch* DispatchOf(RecorderObject* object) {
  return reinterpret_cast<IDispatch*>(&object->IRecorderDialog_iface);
}

}  // namespace

const IRecorderDialogVtbl kRecorderDialogVtbl = {
    Dialog_QueryInterface,
    Dialog_AddRef,
    Dialog_Release,
    Dialog_GetTypeInfoCount,
    Dialog_GetTypeInfo,
    Dialog_GetIDsOfNames,
    Dialog_Invoke,
    Dialog_put_AutoSize,
    Dialog_get_AutoSize,
    Dialog_SetFileName,
    Dialog_SetMaxFileLengthInSecond,
    Dialog_get_SoundFileName,
    Dialog_get_LocalFullFileName,
    Dialog_SetSession,
    Dialog_SetDomain,
    Dialog_SetUser,
    Dialog_SetTargetDir,
    Dialog_SetHost,
};

HRESULT GetAutoSizeThroughDispatch(RecorderObject* object, VARIANT* value) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VariantInit(value);
  return IDispatch_Invoke(DispatchOf(object), DISPID_AUTOSIZE, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

HRESULT PutAutoSizeThroughDispatch(RecorderObject* object, VARIANT* value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {value, &named, 1, 1};
  return IDispatch_Invoke(DispatchOf(object), DISPID_AUTOSIZE, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

}  // namespace tamborix
