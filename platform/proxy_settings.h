// The user's internet proxy settings, as the user set them.
//
// The proxy list holds entries separated by blanks or semicolons, each
// "scheme=host:port" or "host:port" for every scheme (the form the Windows
// internet settings use). The bypass list holds host patterns separated by
// semicolons or blanks: "*" matches any run of characters and "<local>"
// stands for every name without a dot.
//
// Threading: any thread.
#pragma once

#include <cstdint>
#include <string>

namespace tamborix {

// Access types (INTERNET_OPEN_TYPE_*).
constexpr uint32_t kProxyAccessDirect = 1;
constexpr uint32_t kProxyAccessNamedProxy = 3;

struct ProxyConfiguration {
  uint32_t accessType = kProxyAccessDirect;
  std::string proxyList;
  std::string bypassList;
};

class ProxySettings {
 public:
  virtual ~ProxySettings() = default;
  // Fills `config`; false when the settings cannot be read (then the caller
  // connects directly).
  virtual bool Read(ProxyConfiguration* config) = 0;
};

}  // namespace tamborix
