#include "module/class_factory.h"

#include "module/module_state.h"
#include "module/recorder_object.h"

namespace tamborix {
namespace {

// The factory keeps one reference of its own for the module; every reference
// beyond that one keeps the module locked, so a client holding the factory
// keeps the module loaded.
struct ClassFactory {
  IClassFactory IClassFactory_iface;
  LONG ref;
};

ClassFactory* impl_from_IClassFactory(IClassFactory* iface) {
  return reinterpret_cast<ClassFactory*>(iface);
}

HRESULT WINAPI Factory_QueryInterface(IClassFactory* iface, REFIID riid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
    IClassFactory_AddRef(iface);
    *out = iface;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG WINAPI Factory_AddRef(IClassFactory* iface) {
  const LONG ref = InterlockedIncrement(&impl_from_IClassFactory(iface)->ref);
  if (ref == 2) {
    LockModule();
  }
  return ref;
}

ULONG WINAPI Factory_Release(IClassFactory* iface) {
  const LONG ref = InterlockedDecrement(&impl_from_IClassFactory(iface)->ref);
  if (ref == 1) {
    UnlockModule();
  }
  return ref;
}

HRESULT WINAPI Factory_CreateInstance(IClassFactory* iface, IUnknown* outer, REFIID riid,
                                      void** out) {
  return CreateRecorderObject(outer, riid, out);
}

HRESULT WINAPI Factory_LockServer(IClassFactory* iface, BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

const IClassFactoryVtbl kFactoryVtbl = {
    Factory_QueryInterface, Factory_AddRef,     Factory_Release,
    Factory_CreateInstance, Factory_LockServer,
};

ClassFactory gFactory = {{nullptr}, 0};

}  // namespace

HRESULT GetClassFactory(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  if (!IsEqualGUID(clsid, CLSID_RecorderDialog)) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  {
    ModuleLockHolder lock;
    if (gFactory.IClassFactory_iface.lpVtbl == nullptr) {
      gFactory.IClassFactory_iface.lpVtbl = &kFactoryVtbl;
      gFactory.ref = 1;  // the module's own reference
    }
  }
  return Factory_QueryInterface(&gFactory.IClassFactory_iface, riid, out);
}

}  // namespace tamborix
