// Which HTTP proxy, if any, carries the upload to a host.
#pragma once

#include <string>

namespace tamborix {

class ProxySettings;

// A proxy host and its port text; both empty for a direct connection.
struct HttpProxy {
  std::string host;
  std::string port;
};

// Picks the HTTP proxy out of a proxy list. Entries are separated by blanks
// or semicolons. The first "http=host[:port]" entry (the scheme in any letter
// case) wins; without one, the first entry without a scheme, which serves
// every protocol. Entries for other schemes are ignored. A missing port means
// "80". Yields no proxy when no entry names a host.
HttpProxy ParseHttpProxy(const std::string& proxyList);

// True when `host` matches an entry of the bypass list, which then reaches
// the host directly. Entries are separated by semicolons or blanks and
// compared without regard to letter case; "*" in an entry matches any run of
// characters, and "<local>" matches every host name without a dot.
bool BypassesProxy(const std::string& host, const std::string& bypassList);

// Reads the user's settings and gives the proxy for an upload to `host`: no
// proxy when the settings cannot be read, do not name a proxy, or bypass
// the host. Never fails; `settings` may be null (no proxy).
HttpProxy FindHttpProxy(ProxySettings* settings, const std::string& host);

}  // namespace tamborix
