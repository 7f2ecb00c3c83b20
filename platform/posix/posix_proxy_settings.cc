#include "platform/posix/posix_proxy_settings.h"

#include <cstdlib>
#include <utility>

namespace tamborix {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) {
    ++begin;
  }
  while (end > begin && IsBlank(text[end - 1])) {
    --end;
  }
  return text.substr(begin, end - begin);
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) {
      return false;
    }
    char a = text[i];
    char b = prefix[i];
    if (a >= 'A' && a <= 'Z') {
      a = static_cast<char>(a - 'A' + 'a');
    }
    if (a != b) {
      return false;
    }
  }
  return true;
}

bool ReadProcessEnvironment(const char* name, std::string* value) {
  const char* text = std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read-only use
  if (text == nullptr || *text == '\0') {
    return false;
  }
  *value = text;
  return true;
}

}  // namespace

std::string ProxyAddressFromUrl(const std::string& url) {
  std::string rest = Trimmed(url);
  size_t scheme = rest.find("://");
  if (scheme != std::string::npos) {
    if (!StartsWithNoCase(rest, "http://")) {
      return "";
    }
    rest.erase(0, scheme + 3);
  }
  size_t path = rest.find('/');
  if (path != std::string::npos) {
    rest.erase(path);
  }
  size_t credentials = rest.rfind('@');
  if (credentials != std::string::npos) {
    rest.erase(0, credentials + 1);
  }
  return rest;
}

std::string BypassListFromNoProxy(const std::string& noProxy) {
  std::string list;
  auto add = [&list](const std::string& pattern) {
    if (!list.empty()) {
      list += ';';
    }
    list += pattern;
  };
  size_t start = 0;
  while (start <= noProxy.size()) {
    size_t end = noProxy.find(',', start);
    if (end == std::string::npos) {
      end = noProxy.size();
    }
    std::string entry = Trimmed(noProxy.substr(start, end - start));
    if (entry == "*") {
      add("*");
    } else if (!entry.empty() && entry[0] == '.') {
      add("*" + entry);
    } else if (!entry.empty()) {
      add(entry);
      add("*." + entry);
    }
    start = end + 1;
  }
  return list;
}

PosixProxySettings::PosixProxySettings() : readEnvironment_(ReadProcessEnvironment) {}

PosixProxySettings::PosixProxySettings(EnvironmentReader readEnvironment)
    : readEnvironment_(std::move(readEnvironment)) {}

bool PosixProxySettings::Read(ProxyConfiguration* config) {
  *config = ProxyConfiguration();
  std::string url;
  if (!readEnvironment_("http_proxy", &url) && !readEnvironment_("HTTP_PROXY", &url)) {
    return true;
  }
  std::string address = ProxyAddressFromUrl(url);
  if (address.empty()) {
    return true;
  }
  config->accessType = kProxyAccessNamedProxy;
  config->proxyList = "http=" + address;
  std::string noProxy;
  if (readEnvironment_("no_proxy", &noProxy) || readEnvironment_("NO_PROXY", &noProxy)) {
    config->bypassList = BypassListFromNoProxy(noProxy);
  }
  return true;
}

}  // namespace tamborix
