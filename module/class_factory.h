// The module's class table: one class, RecorderDialog, whose factory is made
// on first request and kept for the module's life.
#pragma once

#include "module/com_headers.h"

namespace tamborix {

// DllGetClassObject: the kept factory for `clsid`, answering `riid`;
// CLASS_E_CLASSNOTAVAILABLE for any other class.
HRESULT GetClassFactory(REFCLSID clsid, REFIID riid, void** out);

}  // namespace tamborix
