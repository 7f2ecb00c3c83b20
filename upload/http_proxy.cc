#include "upload/http_proxy.h"

#include <vector>

#include "platform/proxy_settings.h"

namespace tamborix {
namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (Lower(a[i]) != Lower(b[i])) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

// Splits at white space and semicolons, dropping empty entries.
std::vector<std::string> ListEntries(const std::string& list) {
  std::vector<std::string> entries;
  std::string entry;
  for (char c : list) {
    if (IsWhiteSpace(c) || c == ';') {
      if (!entry.empty()) {
        entries.push_back(entry);
        entry.clear();
      }
    } else {
      entry += c;
    }
  }
  if (!entry.empty()) {
    entries.push_back(entry);
  }
  return entries;
}

// "host:port", "host:" or "host", possibly written as an http:// URL.
HttpProxy ProxyFromAddress(std::string address) {
  static const char kUrlPrefix[] = "http://";
  if (address.size() >= 7 && EqualsNoCase(address.substr(0, 7), kUrlPrefix)) {
    address.erase(0, 7);
  }
  size_t path = address.find('/');
  if (path != std::string::npos) {
    address.erase(path);
  }
  HttpProxy proxy;
  size_t colon = address.rfind(':');
  if (colon == std::string::npos) {
    proxy.host = address;
  } else {
    proxy.host = address.substr(0, colon);
    proxy.port = address.substr(colon + 1);
  }
  if (proxy.host.empty()) {
    return HttpProxy();
  }
  if (proxy.port.empty()) {
    proxy.port = "80";
  }
  return proxy;
}

std::string TrimmedRight(std::string text) {
  while (!text.empty() && IsWhiteSpace(text.back())) {
    text.pop_back();
  }
  return text;
}

// Wild-card match, case-insensitive: '*' stands for any run of characters.
bool MatchesPattern(const std::string& text, const std::string& pattern) {
  size_t t = 0;
  size_t p = 0;
  size_t starAt = std::string::npos;  // pattern position after the last '*'
  size_t starText = 0;                // where that '*' began to match in text
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = ++p;
      starText = t;
    } else if (p < pattern.size() && Lower(pattern[p]) == Lower(text[t])) {
      ++p;
      ++t;
    } else if (starAt != std::string::npos) {
      p = starAt;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

}  // namespace

HttpProxy ParseHttpProxy(const std::string& proxyList) {
  HttpProxy forEveryScheme;
  for (const std::string& entry : ListEntries(proxyList)) {
    size_t equals = entry.find('=');
    if (equals == std::string::npos) {
      if (forEveryScheme.host.empty()) {
        forEveryScheme = ProxyFromAddress(entry);
      }
      continue;
    }
    if (EqualsNoCase(entry.substr(0, equals), "http")) {
      HttpProxy proxy = ProxyFromAddress(entry.substr(equals + 1));
      if (!proxy.host.empty()) {
        return proxy;
      }
    }
  }
  return forEveryScheme;
}

bool BypassesProxy(const std::string& host, const std::string& bypassList) {
  for (const std::string& entry : ListEntries(bypassList)) {
    if (EqualsNoCase(entry, "<local>")) {
      if (host.find('.') == std::string::npos) {
        return true;
      }
    } else if (MatchesPattern(host, entry)) {
      return true;
    }
  }
  return false;
}

HttpProxy FindHttpProxy(ProxySettings* settings, const std::string& host) {
  ProxyConfiguration config;
  if (settings == nullptr || !settings->Read(&config) ||
      config.accessType != kProxyAccessNamedProxy) {
    return HttpProxy();
  }
  HttpProxy proxy = ParseHttpProxy(config.proxyList);
  if (proxy.host.empty() || BypassesProxy(host, config.bypassList)) {
    return HttpProxy();
  }
  proxy.host = TrimmedRight(proxy.host);
  proxy.port = TrimmedRight(proxy.port);
  return proxy;
}

}  // namespace tamborix
