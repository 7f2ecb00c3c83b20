// ProxySettings from the environment: the http_proxy (or HTTP_PROXY) URL
// becomes the entry "http=host:port", no_proxy (or NO_PROXY) becomes the
// bypass list. An http_proxy with a scheme other than http:// names a proxy
// this client cannot speak to, and is not used.
#pragma once

#include <functional>
#include <string>

#include "platform/proxy_settings.h"

namespace tamborix {

class PosixProxySettings : public ProxySettings {
 public:
  // Reads a variable; false when it is not set or empty.
  using EnvironmentReader = std::function<bool(const char* name, std::string* value)>;

  PosixProxySettings();  // reads the process environment
  explicit PosixProxySettings(EnvironmentReader readEnvironment);

  bool Read(ProxyConfiguration* config) override;

 private:
  EnvironmentReader readEnvironment_;
};

// "http://user@proxy:3128/" -> "proxy:3128"; "" when the text names no
// plain HTTP proxy.
std::string ProxyAddressFromUrl(const std::string& url);

// "example.com, .internal,*" -> "example.com;*.example.com;*.internal;*".
std::string BypassListFromNoProxy(const std::string& noProxy);

}  // namespace tamborix
