// The container tests: the control in a container of our own and in Wine's
// ATL host window, and the Win32 panel window on its own.
//
//   tamborix_containers <full path of tamborix.dll> [<artefact folder> <store folder>]
//
// The live groups leave pictures in the artefact folder and look for uploads
// in the storage service's folder; without them they fail.
#include "tests/wine/client_util.h"
#include "tests/wine/live_util.h"

namespace tamborix_wine {

std::wstring gModulePath;

HRESULT CreateControl(REFIID riid, void** out) {
  return CoCreateInstance(CLSID_RecorderDialog, nullptr, CLSCTX_INPROC_SERVER, riid, out);
}

}  // namespace tamborix_wine

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 4) {
    return 2;
  }
  tamborix_wine::gModulePath = argv[1];
  if (argc == 4) {
    tamborix_wine::gArtefactFolder = argv[2];
    tamborix_wine::gStoreFolder = argv[3];
  }
  OleInitialize(nullptr);
  const int failed = tamborix_wine::RunGroups();
  OleUninitialize();
  return failed == 0 ? 0 : 1;
}
