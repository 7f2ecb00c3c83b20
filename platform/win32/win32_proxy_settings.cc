#include "platform/win32/win32_proxy_settings.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

namespace tamborix {
namespace {

thread_local Win32ErrorRecord lastError;

std::string TextOrEmpty(const void* text) {
  return text == nullptr ? std::string() : std::string(static_cast<const char*>(text));
}

}  // namespace

Win32Error Win32ProxySettings::LastError() const {
  return lastError.Read();
}

bool Win32ProxySettings::Read(ProxyConfiguration* config) {
  *config = ProxyConfiguration();
  DWORD size = 0;
  InternetQueryOptionA(nullptr, INTERNET_OPTION_PROXY, nullptr, &size);
  if (size < sizeof(INTERNET_PROXY_INFO)) {
    lastError.Keep(GetLastError(), "InternetQueryOptionA INTERNET_OPTION_PROXY");
    return false;
  }
  // Aligned for the record at its start; the texts follow it in the area.
  std::vector<INTERNET_PROXY_INFO> area(size / sizeof(INTERNET_PROXY_INFO) + 1);
  size = static_cast<DWORD>(area.size() * sizeof(INTERNET_PROXY_INFO));
  if (InternetQueryOptionA(nullptr, INTERNET_OPTION_PROXY, area.data(), &size) == FALSE) {
    lastError.Keep(GetLastError(), "InternetQueryOptionA INTERNET_OPTION_PROXY");
    return false;
  }
  const INTERNET_PROXY_INFO& info = area.front();
  config->accessType = info.dwAccessType;
  config->proxyList = TextOrEmpty(info.lpszProxy);
  config->bypassList = TextOrEmpty(info.lpszProxyBypass);
  return true;
}

}  // namespace tamborix
