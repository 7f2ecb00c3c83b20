#include "module/registration.h"

#include <map>
#include <string>

#include "module/module_state.h"
#include "module/registrar_script.h"
#include "module/resource_ids.h"
#include "module/win32_registry.h"
#include "platform/shared/unicode_text.h"

namespace tamborix {
namespace {

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif
constexpr LCID kTypeLibLocale = 0x0409;

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(ModuleInstance(), &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) {
      return std::wstring();
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The registry script resource, as text.
HRESULT LoadScriptText(std::string* text) {
  HMODULE module = ModuleInstance();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_REGISTRY), L"REGISTRY");
  if (found == nullptr) {
    return LastErrorResult();
  }
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    return LastErrorResult();
  }
  text->assign(static_cast<const char*>(bytes), SizeofResource(module, found));
  return S_OK;
}

HRESULT LoadScript(const std::wstring& modulePath, registrar::Script* script) {
  std::string text;
  const HRESULT hr = LoadScriptText(&text);
  if (FAILED(hr)) {
    return hr;
  }
  const std::map<std::string, std::string> variables = {
      {"MODULE", Utf16ToUtf8(std::u16string(modulePath.begin(), modulePath.end()))}};
  registrar::ParseResult parsed = registrar::ParseScript(text, variables);
  if (!parsed.ok) {
    return E_UNEXPECTED;  // the module's own script does not parse
  }
  *script = std::move(parsed.script);
  return S_OK;
}

HRESULT RegisterTypeLibrary(const std::wstring& modulePath) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &library);
  if (SUCCEEDED(hr)) {
    std::wstring path = modulePath;  // RegisterTypeLib takes a writable text
    hr = RegisterTypeLib(library, &path[0], nullptr);
    ITypeLib_Release(library);
  }
  return hr;
}

HRESULT Register() {
  const std::wstring path = ModulePath();
  if (path.empty()) {
    return LastErrorResult();
  }
  registrar::Script script;
  HRESULT hr = LoadScript(path, &script);
  if (SUCCEEDED(hr)) {
    Win32Registry registry;
    hr = registrar::Register(script, registry);
  }
  if (SUCCEEDED(hr)) {
    hr = RegisterTypeLibrary(path);
  }
  return hr;
}

void Unregister() {
  registrar::Script script;
  if (SUCCEEDED(LoadScript(ModulePath(), &script))) {
    Win32Registry registry;
    registrar::Unregister(script, registry);
  }
  UnRegisterTypeLib(LIBID_TAMBORIXLib, 1, 0, kTypeLibLocale, kSysKind);
}

template <class Body>
HRESULT NoThrow(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

HRESULT RegisterModule() {
  return NoThrow([] { return Register(); });
}

HRESULT UnregisterModule() {
  NoThrow([] {
    Unregister();
    return S_OK;
  });
  return S_OK;
}

}  // namespace tamborix
