// Self-registration: the registry script (resource "REGISTRY" 103, with
// %MODULE% the module's full path) applied by the module's registrar, and
// the type library (resource TYPELIB 1).
#pragma once

#include "module/com_headers.h"

namespace tamborix {

// DllRegisterServer: the first failure, else S_OK.
HRESULT RegisterModule();

// DllUnregisterServer: every step is tried; always S_OK.
HRESULT UnregisterModule();

}  // namespace tamborix
