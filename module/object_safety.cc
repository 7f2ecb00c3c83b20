// IObjectSafety: one options word for the whole control; both options are
// supported for every interface the control answers.
#include "module/recorder_object.h"

namespace tamborix {
namespace {

constexpr DWORD kSupportedOptions =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

HRESULT WINAPI Safety_QueryInterface(IObjectSafety* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IObjectSafety(iface)->outer, riid, out);
}

ULONG WINAPI Safety_AddRef(IObjectSafety* iface) {
  return IUnknown_AddRef(impl_from_IObjectSafety(iface)->outer);
}

ULONG WINAPI Safety_Release(IObjectSafety* iface) {
  return IUnknown_Release(impl_from_IObjectSafety(iface)->outer);
}

// The object's own answer to a query for `riid`.
HRESULT AskObject(RecorderObject* object, REFIID riid) {
  IUnknown* answer = nullptr;
  const HRESULT hr = QueryObjectInterface(object, riid, reinterpret_cast<void**>(&answer));
  if (SUCCEEDED(hr)) {
    IUnknown_Release(answer);
  }
  return hr;
}

HRESULT WINAPI Safety_GetInterfaceSafetyOptions(IObjectSafety* iface, REFIID riid, DWORD* supported,
                                                DWORD* enabled) {
  if (supported == nullptr || enabled == nullptr) {
    return E_POINTER;
  }
  RecorderObject* object = impl_from_IObjectSafety(iface);
  const HRESULT hr = AskObject(object, riid);
  if (FAILED(hr)) {
    *supported = 0;
    *enabled = 0;
    return hr;
  }
  *supported = kSupportedOptions;
  *enabled = object->safetyOptions;
  return S_OK;
}

HRESULT WINAPI Safety_SetInterfaceSafetyOptions(IObjectSafety* iface, REFIID riid, DWORD mask,
                                                DWORD enabled) {
  RecorderObject* object = impl_from_IObjectSafety(iface);
  if (FAILED(AskObject(object, riid))) {
    return E_NOINTERFACE;
  }
  if ((mask & ~kSupportedOptions) != 0) {
    return E_FAIL;
  }
  object->safetyOptions = (object->safetyOptions & ~mask) | (enabled & mask);
  return S_OK;
}

}  // namespace

const IObjectSafetyVtbl kObjectSafetyVtbl = {
    Safety_QueryInterface,
    Safety_AddRef,
    Safety_Release,
    Safety_GetInterfaceSafetyOptions,
    Safety_SetInterfaceSafetyOptions,
};

}  // namespace tamborix
