// Choosing the HTTP proxy: the proxy list, the bypass list, the settings
// source, and the environment form of the settings.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/posix/posix_proxy_settings.h"
#include "platform/proxy_settings.h"
#include "upload/http_proxy.h"

namespace tamborix {
namespace {

void ExpectProxy(const std::string& list, const std::string& host, const std::string& port) {
  HttpProxy proxy = ParseHttpProxy(list);
  EXPECT_EQ(host, proxy.host) << list;
  EXPECT_EQ(port, proxy.port) << list;
}

TEST(ProxyList, HttpEntryAmongOthers) {
  ExpectProxy("ftp=p1:21 http=p2:8080 https=p3:443", "p2", "8080");
  ExpectProxy("http=p2:8080;https=p3:443 ftp=p1:21", "p2", "8080");
  ExpectProxy("https=p3:443;ftp=p1:21;http=p2:8080", "p2", "8080");
}

TEST(ProxyList, LoneHttpEntryAndAnyLetterCase) {
  ExpectProxy("http=p2:8080", "p2", "8080");
  ExpectProxy("HTTP=p2:8080 ", "p2", "8080");
  ExpectProxy("Http=p2:8080\t\r\n", "p2", "8080");
}

TEST(ProxyList, OneProxyForEveryScheme) {
  ExpectProxy("p2:8080", "p2", "8080");
  ExpectProxy("https=p3:443 p4:3128", "p4", "3128");
  // An http= entry wins over the general one, wherever it stands.
  ExpectProxy("p4:3128 http=p2:8080", "p2", "8080");
}

TEST(ProxyList, MissingPortMeans80) {
  ExpectProxy("http=p2", "p2", "80");
  ExpectProxy("http=p2: https=p3:443", "p2", "80");
  ExpectProxy("p2", "p2", "80");
  ExpectProxy("http=http://p2:8080/", "p2", "8080");
}

TEST(ProxyList, NoUsableEntryGivesNoProxy) {
  ExpectProxy("", "", "");
  ExpectProxy(" ; ", "", "");
  ExpectProxy("https=p3:443 ftp=p1:21", "", "");
  ExpectProxy("http=:8080", "", "");
  ExpectProxy("httpx=p2:8080", "", "");
}

TEST(BypassList, LocalNamesWildcardsAndSeparators) {
  EXPECT_TRUE(BypassesProxy("intranet", "<local>"));
  EXPECT_FALSE(BypassesProxy("drive.example.com", "<local>"));
  EXPECT_TRUE(BypassesProxy("drive.example.com", "*.example.com"));
  EXPECT_FALSE(BypassesProxy("example.com", "*.example.com"));
  EXPECT_TRUE(BypassesProxy("10.1.2.3", "192.168.*;10.*"));
  EXPECT_TRUE(BypassesProxy("Drive.Example.COM", "foo bar *.example.com"));
  EXPECT_TRUE(BypassesProxy("a.b.c", "*"));
  EXPECT_TRUE(BypassesProxy("host", "h*s*t"));
  EXPECT_FALSE(BypassesProxy("drive.example.com", ""));
  EXPECT_FALSE(BypassesProxy("drive.example.com", "drive.example"));
  EXPECT_TRUE(BypassesProxy("INTRANET", "<LOCAL>"));
}

class FixedSettings : public ProxySettings {
 public:
  bool readable = true;
  ProxyConfiguration config;
  bool Read(ProxyConfiguration* out) override {
    *out = config;
    return readable;
  }
};

TEST(FindProxy, UsesTheListOnlyForTheNamedProxyAccessType) {
  FixedSettings settings;
  settings.config.proxyList = "http=p2:8080";
  settings.config.accessType = kProxyAccessDirect;
  EXPECT_EQ("", FindHttpProxy(&settings, "drive.example.com").host);
  settings.config.accessType = kProxyAccessNamedProxy;
  HttpProxy proxy = FindHttpProxy(&settings, "drive.example.com");
  EXPECT_EQ("p2", proxy.host);
  EXPECT_EQ("8080", proxy.port);
  settings.readable = false;
  EXPECT_EQ("", FindHttpProxy(&settings, "drive.example.com").host);
  EXPECT_EQ("", FindHttpProxy(nullptr, "drive.example.com").host);
}

TEST(FindProxy, BypassedHostGoesDirect) {
  FixedSettings settings;
  settings.config.accessType = kProxyAccessNamedProxy;
  settings.config.proxyList = "p2:8080";
  settings.config.bypassList = "<local>;*.corp.example";
  EXPECT_EQ("", FindHttpProxy(&settings, "files.corp.example").host);
  EXPECT_EQ("", FindHttpProxy(&settings, "fileserver").host);
  EXPECT_EQ("p2", FindHttpProxy(&settings, "drive.example.com").host);
}

PosixProxySettings FromEnvironment(const std::map<std::string, std::string>& variables) {
  return PosixProxySettings([variables](const char* name, std::string* value) {
    auto it = variables.find(name);
    if (it == variables.end() || it->second.empty()) {
      return false;
    }
    *value = it->second;
    return true;
  });
}

TEST(EnvironmentProxy, HttpProxyVariableBecomesAnHttpEntry) {
  ProxyConfiguration config;
  ASSERT_TRUE(FromEnvironment({{"http_proxy", "http://user:pw@proxy.lan:3128/"}}).Read(&config));
  EXPECT_EQ(kProxyAccessNamedProxy, config.accessType);
  EXPECT_EQ("http=proxy.lan:3128", config.proxyList);

  ASSERT_TRUE(FromEnvironment({{"HTTP_PROXY", "proxy.lan"}}).Read(&config));
  EXPECT_EQ("http=proxy.lan", config.proxyList);
  EXPECT_EQ("proxy.lan", ParseHttpProxy(config.proxyList).host);
  EXPECT_EQ("80", ParseHttpProxy(config.proxyList).port);

  // The lower-case name comes first.
  ASSERT_TRUE(FromEnvironment({{"http_proxy", "a:1"}, {"HTTP_PROXY", "b:2"}}).Read(&config));
  EXPECT_EQ("http=a:1", config.proxyList);
}

TEST(EnvironmentProxy, NoProxyOrAnotherSchemeMeansDirect) {
  ProxyConfiguration config;
  ASSERT_TRUE(FromEnvironment({}).Read(&config));
  EXPECT_EQ(kProxyAccessDirect, config.accessType);
  ASSERT_TRUE(FromEnvironment({{"http_proxy", "socks5://proxy.lan:1080"}}).Read(&config));
  EXPECT_EQ(kProxyAccessDirect, config.accessType);
}

TEST(EnvironmentProxy, NoProxyBecomesTheBypassList) {
  ProxyConfiguration config;
  ASSERT_TRUE(FromEnvironment({{"http_proxy", "proxy.lan:3128"},
                               {"no_proxy", "localhost, .corp.example,example.org"}})
                  .Read(&config));
  EXPECT_EQ("localhost;*.localhost;*.corp.example;example.org;*.example.org", config.bypassList);
  EXPECT_TRUE(BypassesProxy("a.corp.example", config.bypassList));
  EXPECT_TRUE(BypassesProxy("example.org", config.bypassList));
  EXPECT_TRUE(BypassesProxy("www.example.org", config.bypassList));
  EXPECT_FALSE(BypassesProxy("drive.example.com", config.bypassList));
  EXPECT_EQ("*", BypassListFromNoProxy("*"));
}

}  // namespace
}  // namespace tamborix
