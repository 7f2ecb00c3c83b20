// The C++ client of the Wine tests: drives tamborix.dll through COM the way
// containers do, where scripts cannot reach.
//
//   tamborix_client <full path of tamborix.dll>
#include "tests/wine/client_util.h"

namespace tamborix_wine {

std::wstring gModulePath;

HRESULT CreateControl(REFIID riid, void** out) {
  return CoCreateInstance(CLSID_RecorderDialog, nullptr, CLSCTX_INPROC_SERVER, riid, out);
}

std::wstring SoundFileName(IRecorderDialog* dialog) {
  BSTR name = nullptr;
  if (FAILED(dialog->get_SoundFileName(&name))) {
    return L"<failed>";
  }
  std::wstring text = name != nullptr ? std::wstring(name, SysStringLen(name)) : L"<null>";
  SysFreeString(name);
  return text;
}

}  // namespace tamborix_wine

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    return 2;
  }
  tamborix_wine::gModulePath = argv[1];
  CoInitialize(nullptr);
  const int failed = tamborix_wine::RunGroups();
  CoUninitialize();
  return failed == 0 ? 0 : 1;
}
