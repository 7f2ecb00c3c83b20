// Fuzzes the choice of the HTTP proxy: the proxy list, the bypass rules and
// the settings that hold them.
//
// Input fields (separated by 0x1F): proxy list, bypass list, host, and how
// the settings read: "n" (or nothing) a named proxy, "d" a direct
// connection, "x" the settings cannot be read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/proxy_settings.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_fields.h"
#include "upload/http_proxy.h"

namespace tamborix {
namespace {

using fuzz::FieldAt;

constexpr char kSeparators[] = " \t\r\n\v\f;";

class FuzzedSettings : public ProxySettings {
 public:
  FuzzedSettings(bool readable, ProxyConfiguration config)
      : readable_(readable), config_(std::move(config)) {}
  bool Read(ProxyConfiguration* config) override {
    if (readable_) {
      *config = config_;
    }
    return readable_;
  }

 private:
  bool readable_;
  ProxyConfiguration config_;
};

bool Same(const HttpProxy& a, const HttpProxy& b) {
  return a.host == b.host && a.port == b.port;
}

bool HoldsSeparator(const std::string& text) {
  return text.find_first_of(kSeparators) != std::string::npos;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return Upper(a) == Upper(b);
}

// The proxy is taken from one entry of the list: its host and port are parts
// of the list, with "80" for a missing port.
void CheckProxy(const HttpProxy& proxy, const std::string& list) {
  FUZZ_CHECK(proxy.host.empty() == proxy.port.empty());
  if (proxy.host.empty()) {
    return;
  }
  FUZZ_CHECK(!HoldsSeparator(proxy.host) && proxy.host.find('/') == std::string::npos);
  FUZZ_CHECK(!HoldsSeparator(proxy.port) && proxy.port.find_first_of(":/") == std::string::npos);
  FUZZ_CHECK(list.find(proxy.host) != std::string::npos);
  FUZZ_CHECK(proxy.port == "80" || list.find(':' + proxy.port) != std::string::npos);
}

void CheckProxyList(const std::string& list) {
  const HttpProxy proxy = ParseHttpProxy(list);
  CheckProxy(proxy, list);
  // Blanks and semicolons separate alike, and empty entries count for nothing.
  std::string blanks = list;
  for (char& c : blanks) {
    c = c == ';' ? ' ' : c;
  }
  FUZZ_CHECK(Same(ParseHttpProxy(blanks), proxy));
  FUZZ_CHECK(Same(ParseHttpProxy(";; " + list + "\t;"), proxy));
  // Entries for other schemes are ignored; the first http entry wins.
  FUZZ_CHECK(Same(ParseHttpProxy("ftp=elsewhere:21 https=secure:443;" + list), proxy));
  const HttpProxy first = ParseHttpProxy("HTTP=first:3128;" + list);
  FUZZ_CHECK(first.host == "first" && first.port == "3128");
}

void CheckBypass(const std::string& host, const std::string& list, const std::string& other) {
  const bool bypasses = BypassesProxy(host, list);
  // More entries only bypass more hosts.
  if (bypasses) {
    FUZZ_CHECK(BypassesProxy(host, list + ";" + other));
    FUZZ_CHECK(BypassesProxy(host, other + " " + list));
  }
  FUZZ_CHECK(BypassesProxy(host, list + " *"));
  FUZZ_CHECK(BypassesProxy(host, "<local>") == (host.find('.') == std::string::npos));
  if (host.empty() || HoldsSeparator(host)) {
    return;
  }
  // An exact listed host always bypasses, in any letter case, and so does a
  // pattern for its domain.
  FUZZ_CHECK(BypassesProxy(host, list + ";" + host));
  FUZZ_CHECK(BypassesProxy(host, Upper(host) + " " + list));
  const size_t dot = host.find('.');
  if (dot != std::string::npos) {
    FUZZ_CHECK(BypassesProxy(host, "*" + host.substr(dot)));
  }
  // One entry without a wild card matches only its own host.
  if (!list.empty() && !HoldsSeparator(list) && list.find('*') == std::string::npos &&
      !EqualsNoCase(list, "<local>")) {
    FUZZ_CHECK(bypasses == EqualsNoCase(host, list));
  }
}

void FuzzOne(const uint8_t* data, size_t size) {
  const std::vector<std::string> fields = fuzz::SplitFields(data, size);
  ProxyConfiguration config;
  config.proxyList = FieldAt(fields, 0);
  config.bypassList = FieldAt(fields, 1);
  const std::string host = FieldAt(fields, 2);
  const std::string mode = FieldAt(fields, 3);
  config.accessType = mode == "d" ? kProxyAccessDirect : kProxyAccessNamedProxy;

  CheckProxyList(config.proxyList);
  CheckBypass(host, config.bypassList, config.proxyList);

  FUZZ_CHECK(Same(FindHttpProxy(nullptr, host), HttpProxy()));
  FuzzedSettings settings(mode != "x", config);
  const HttpProxy found = FindHttpProxy(&settings, host);
  const bool direct = mode == "d" || mode == "x" || BypassesProxy(host, config.bypassList);
  FUZZ_CHECK(Same(found, direct ? HttpProxy() : ParseHttpProxy(config.proxyList)));
  CheckProxy(found, config.proxyList);
}

}  // namespace
}  // namespace tamborix

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamborix::FuzzOne(data, size);
  return 0;
}
