// What the module keeps for its whole life: its instance handle, its lock
// count, the module-wide lock and the type information found in the
// registered type library.
#pragma once

#include "module/com_headers.h"

namespace tamborix {

void SetModuleInstance(HINSTANCE instance);
// The module's instance; the process's own image when none was set.
HINSTANCE ModuleInstance();

// The lock count that DllCanUnloadNow reads; changed atomically.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// Holds the module-wide lock for its scope.
class ModuleLockHolder {
 public:
  ModuleLockHolder();
  ~ModuleLockHolder();
  ModuleLockHolder(const ModuleLockHolder&) = delete;
  ModuleLockHolder& operator=(const ModuleLockHolder&) = delete;
};

// The type information of `guid` (IRecorderDialog or the RecorderDialog
// class) from the type library registered as TAMBORIXLib 1.0. Looked up on
// first use under the module lock and kept until the module is unloaded; a
// failed look-up is not kept, and its result is returned.
HRESULT GetRecorderTypeInfo(REFGUID guid, ITypeInfo** out);

// Releases the kept type information (module unload).
void ReleaseTypeInfoCache();

}  // namespace tamborix
