// The module test program of the Wine tests: the control's event firing
// through real IDispatch sinks, and the Win32 kernel, linked in directly.
#include "module/com_headers.h"
#include "tests/wine/check.h"

int main() {
  CoInitialize(nullptr);
  const int failed = tamborix_wine::RunGroups();
  CoUninitialize();
  return failed == 0 ? 0 : 1;
}
