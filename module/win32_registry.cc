#include "module/win32_registry.h"

#include "module/com_headers.h"
#include "platform/shared/unicode_text.h"

namespace tamborix {
namespace {

// A registrar text (UTF-8) as the registry takes it: UTF-16 in wchar_t,
// which is 16 bits wide on Windows.
std::wstring RegistryText(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

HKEY RootHandle(registrar::RootKey root) {
  switch (root) {
    case registrar::RootKey::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case registrar::RootKey::kCurrentUser:
      return HKEY_CURRENT_USER;
    case registrar::RootKey::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case registrar::RootKey::kUsers:
      return HKEY_USERS;
  }
  return HKEY_CLASSES_ROOT;
}

// The one way a registry error becomes a result.
Result FromRegistry(LONG error) {
  return error == ERROR_SUCCESS ? kSOk : HRESULT_FROM_WIN32(error);
}

bool IsMissing(LONG error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// An open key, closed at the end of its scope.
class OpenKey {
 public:
  OpenKey(registrar::RootKey root, const std::string& path, REGSAM access, bool create) {
    const std::wstring wide = RegistryText(path);
    error_ = create ? RegCreateKeyExW(RootHandle(root), wide.c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, access, nullptr, &key_, nullptr)
                    : RegOpenKeyExW(RootHandle(root), wide.c_str(), 0, access, &key_);
    if (error_ != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~OpenKey() {
    if (key_ != nullptr) {
      RegCloseKey(key_);
    }
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  HKEY get() const { return key_; }
  LONG error() const { return error_; }

 private:
  HKEY key_ = nullptr;
  LONG error_ = ERROR_SUCCESS;
};

}  // namespace

Result Win32Registry::CreateKey(registrar::RootKey root, const std::string& path) {
  OpenKey key(root, path, KEY_READ, true);
  return FromRegistry(key.error());
}

Result Win32Registry::SetString(registrar::RootKey root, const std::string& path,
                                const std::string& name, const std::string& data) {
  OpenKey key(root, path, KEY_SET_VALUE, true);
  if (key.get() == nullptr) {
    return FromRegistry(key.error());
  }
  const std::wstring wideName = RegistryText(name);
  const std::wstring wideData = RegistryText(data);
  return FromRegistry(RegSetValueExW(key.get(), name.empty() ? nullptr : wideName.c_str(), 0,
                                     REG_SZ, reinterpret_cast<const BYTE*>(wideData.c_str()),
                                     static_cast<DWORD>((wideData.size() + 1) * sizeof(wchar_t))));
}

Result Win32Registry::SetNumber(registrar::RootKey root, const std::string& path,
                                const std::string& name, uint32_t data) {
  OpenKey key(root, path, KEY_SET_VALUE, true);
  if (key.get() == nullptr) {
    return FromRegistry(key.error());
  }
  const std::wstring wideName = RegistryText(name);
  const DWORD value = data;
  return FromRegistry(RegSetValueExW(key.get(), name.empty() ? nullptr : wideName.c_str(), 0,
                                     REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                     sizeof value));
}

Result Win32Registry::DeleteTree(registrar::RootKey root, const std::string& path) {
  const LONG error = RegDeleteTreeW(RootHandle(root), RegistryText(path).c_str());
  return IsMissing(error) ? kSOk : FromRegistry(error);
}

Result Win32Registry::DeleteKeyIfLeaf(registrar::RootKey root, const std::string& path) {
  DWORD subkeys = 0;
  {
    OpenKey key(root, path, KEY_READ, false);
    if (key.get() == nullptr) {
      return IsMissing(key.error()) ? kSOk : FromRegistry(key.error());
    }
    const LONG error = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (error != ERROR_SUCCESS) {
      return FromRegistry(error);
    }
  }
  if (subkeys > 0) {
    return kSOk;  // another key is still below it
  }
  const LONG error = RegDeleteKeyW(RootHandle(root), RegistryText(path).c_str());
  return IsMissing(error) ? kSOk : FromRegistry(error);
}

Result Win32Registry::DeleteValue(registrar::RootKey root, const std::string& path,
                                  const std::string& name) {
  OpenKey key(root, path, KEY_SET_VALUE, false);
  if (key.get() == nullptr) {
    return IsMissing(key.error()) ? kSOk : FromRegistry(key.error());
  }
  const std::wstring wideName = RegistryText(name);
  const LONG error = RegDeleteValueW(key.get(), name.empty() ? nullptr : wideName.c_str());
  return IsMissing(error) ? kSOk : FromRegistry(error);
}

}  // namespace tamborix
