// Resource identifiers of the module, shared by the resource script and the
// code that loads the resources.
#pragma once

#define IDB_TOOLBOX 102
#define IDR_REGISTRY 103
#define IDR_TYPELIB 1
