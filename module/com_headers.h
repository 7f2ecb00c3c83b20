// Windows and COM declarations for the module's own sources. The module
// writes its interfaces the C way (CINTERFACE, set for every module source by
// the build): one object with one vtable member per interface.
#pragma once

#ifndef CINTERFACE
#error "module sources are built with CINTERFACE, COBJMACROS and CONST_VTABLE"
#endif

// clang-format off
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>
#include <objsafe.h>
// clang-format on

#include "tamborix_idl.h"
