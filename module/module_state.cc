#include "module/module_state.h"

#include <initializer_list>

namespace tamborix {
namespace {

// The type library's locale and version.
constexpr LCID kTypeLibLocale = 0x0409;
constexpr WORD kTypeLibMajor = 1;
constexpr WORD kTypeLibMinor = 0;

HINSTANCE gInstance = nullptr;
LONG gLockCount = 0;
SRWLOCK gModuleLock = SRWLOCK_INIT;

// Guarded by gModuleLock.
ITypeLib* gTypeLib = nullptr;
ITypeInfo* gDialogInfo = nullptr;
ITypeInfo* gClassInfo = nullptr;

}  // namespace

void SetModuleInstance(HINSTANCE instance) {
  gInstance = instance;
}

HINSTANCE ModuleInstance() {
  return gInstance != nullptr ? gInstance : GetModuleHandleW(nullptr);
}

void LockModule() {
  InterlockedIncrement(&gLockCount);
}

void UnlockModule() {
  InterlockedDecrement(&gLockCount);
}

LONG ModuleLockCount() {
  return InterlockedCompareExchange(&gLockCount, 0, 0);
}

ModuleLockHolder::ModuleLockHolder() {
  AcquireSRWLockExclusive(&gModuleLock);
}

ModuleLockHolder::~ModuleLockHolder() {
  ReleaseSRWLockExclusive(&gModuleLock);
}

HRESULT GetRecorderTypeInfo(REFGUID guid, ITypeInfo** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  ITypeInfo** slot;
  if (IsEqualGUID(guid, IID_IRecorderDialog)) {
    slot = &gDialogInfo;
  } else if (IsEqualGUID(guid, CLSID_RecorderDialog)) {
    slot = &gClassInfo;
  } else {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  ModuleLockHolder lock;
  if (*slot == nullptr) {
    if (gTypeLib == nullptr) {
      const HRESULT hr = LoadRegTypeLib(LIBID_TAMBORIXLib, kTypeLibMajor, kTypeLibMinor,
                                        kTypeLibLocale, &gTypeLib);
      if (FAILED(hr)) {
        gTypeLib = nullptr;
        return hr;
      }
    }
    const HRESULT hr = ITypeLib_GetTypeInfoOfGuid(gTypeLib, guid, slot);
    if (FAILED(hr)) {
      *slot = nullptr;
      return hr;
    }
  }
  ITypeInfo_AddRef(*slot);
  *out = *slot;
  return S_OK;
}

void ReleaseTypeInfoCache() {
  ModuleLockHolder lock;
  for (ITypeInfo** slot : {&gDialogInfo, &gClassInfo}) {
    if (*slot != nullptr) {
      ITypeInfo_Release(*slot);
      *slot = nullptr;
    }
  }
  if (gTypeLib != nullptr) {
    ITypeLib_Release(gTypeLib);
    gTypeLib = nullptr;
  }
}

}  // namespace tamborix
