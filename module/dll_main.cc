// The module's entry point and its four exports.
#include "module/class_factory.h"
#include "module/module_platform.h"
#include "module/module_state.h"
#include "module/registration.h"

using tamborix::ModuleLockCount;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      tamborix::SetModuleInstance(instance);
      DisableThreadLibraryCalls(instance);
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved != null) other modules may be gone already:
      // only a FreeLibrary unload lets go of the kept type information.
      if (reserved == nullptr) {
        tamborix::ReleaseTypeInfoCache();
      }
      break;
    default:
      break;
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() {
  // An upload worker's code lives in this module: it stays while one runs.
  return ModuleLockCount() == 0 && !tamborix::ModuleThreadsRunning() ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
  return tamborix::GetClassFactory(clsid, riid, out);
}

STDAPI DllRegisterServer() {
  return tamborix::RegisterModule();
}

STDAPI DllUnregisterServer() {
  return tamborix::UnregisterModule();
}

}  // extern "C"
