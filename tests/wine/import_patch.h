// Replacing a function that a loaded module imports by name, by writing the
// module's import address table, so that a benchmark can time what the
// module spends in the system's calls.
#pragma once

#include <windows.h>

namespace tamborix_wine {

// Points `module`'s import of `function` from `library` at `replacement`;
// writes what it pointed at to `original`. False when the module has no such
// import.
bool PatchImport(HMODULE module, const char* library, const char* function, void* replacement,
                 void** original);

}  // namespace tamborix_wine
