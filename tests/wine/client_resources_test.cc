// The module's version block, toolbox image and the resources that
// registration and the type library come from.
#include "tests/wine/client_util.h"

namespace tamborix_wine {
namespace {

std::wstring VersionText(const std::vector<BYTE>& block, const wchar_t* name, bool* found) {
  std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  *found = VerQueryValueW(block.data(), path.c_str(), &value, &length) != FALSE;
  if (!*found || value == nullptr || length == 0) {
    return std::wstring();
  }
  return std::wstring(static_cast<const wchar_t*>(value));
}

TEST_GROUP(VersionResource) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(gModulePath.c_str(), &ignored);
  REQUIRE(size > 0);
  std::vector<BYTE> block(size);
  REQUIRE(GetFileVersionInfoW(gModulePath.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  REQUIRE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  CHECK(fixed->dwFileVersionMS == 0x00020000 && fixed->dwFileVersionLS == 0x00000006);
  CHECK(fixed->dwProductVersionMS == 0x00020000 && fixed->dwProductVersionLS == 0x00000006);
  CHECK(fixed->dwFileType == VFT_DLL);
  CHECK(fixed->dwFileOS == VOS__WINDOWS32);

  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } kStrings[] = {
      {L"FileDescription", L"tamborix Module"},
      {L"FileVersion", L"2, 0, 0, 6"},
      {L"InternalName", L"tamborix"},
      {L"OriginalFilename", L"tamborix.DLL"},
      {L"ProductName", L"tamborix Module"},
      {L"ProductVersion", L"2, 0, 0, 6"},
      {L"OLESelfRegister", L""},
  };
  for (const auto& entry : kStrings) {
    bool found = false;
    const std::wstring value = VersionText(block, entry.name, &found);
    if (!found || value != entry.value) {
      Fail(__FILE__, __LINE__,
           "version string " + std::string(entry.name, entry.name + wcslen(entry.name)));
    }
  }
}

TEST_GROUP(ToolboxBitmapAndResources) {
  HMODULE module = LoadLibraryExW(gModulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  REQUIRE(module != nullptr);
  HRSRC bitmap = FindResourceW(module, MAKEINTRESOURCEW(102), MAKEINTRESOURCEW(2));  // RT_BITMAP
  CHECK(bitmap != nullptr);
  if (bitmap != nullptr) {
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, bitmap)));
    CHECK(header != nullptr && header->biWidth == 16 && header->biHeight == 16);
    CHECK(header != nullptr && header->biBitCount == 4);
  }
  CHECK(FindResourceW(module, MAKEINTRESOURCEW(103), L"REGISTRY") != nullptr);
  CHECK(FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB") != nullptr);
  FreeLibrary(module);

  Ref<ITypeLib> library;
  CHECK_HR(LoadTypeLibEx(gModulePath.c_str(), REGKIND_NONE, library.Out()), S_OK);
  if (library) {
    TLIBATTR* attributes = nullptr;
    CHECK_HR(library->GetLibAttr(&attributes), S_OK);
    if (attributes != nullptr) {
      CHECK(IsEqualGUID(attributes->guid, LIBID_TAMBORIXLib));
      CHECK(attributes->wMajorVerNum == 1 && attributes->wMinorVerNum == 0);
      CHECK(attributes->lcid == 0x0409);
      library->ReleaseTLibAttr(attributes);
    }
    Ref<ITypeInfo> events;
    CHECK_HR(library->GetTypeInfoOfGuid(DIID__IRecorderDialogEvents, events.Out()), S_OK);
    if (events) {
      TYPEATTR* type = nullptr;
      CHECK_HR(events->GetTypeAttr(&type), S_OK);
      if (type != nullptr) {
        CHECK(type->typekind == TKIND_DISPATCH && type->cFuncs == 6);
        events->ReleaseTypeAttr(type);
      }
    }
  }
}

}  // namespace
}  // namespace tamborix_wine
