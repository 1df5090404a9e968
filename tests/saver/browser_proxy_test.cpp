#include "saver/browser_proxy.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/internet_settings.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using test::ScopedEnv;

struct HostPort {
    bool found = false;
    std::string host;
    int port = -1;
    bool operator==(const HostPort&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HostPort& value) {
    return out << (value.found ? "found " : "none ") << value.host << " " << value.port;
}

HostPort Parse(const std::string& text, bool forHttp) {
    HostPort result;
    result.found = ParseProxyText(text, forHttp, result.host, result.port);
    return result;
}

HostPort FromBrowser(bool forHttp) {
    HostPort result;
    result.found = GetBrowserProxy(result.host, result.port, forHttp);
    return result;
}

TEST(ParseProxyTextTest, ListGivesTheEntryOfTheProtocol) {
    EXPECT_EQ(Parse("http=a:8080;ftp=b:21", true), (HostPort{true, "a", 8080}));
    EXPECT_EQ(Parse("http=a:8080;ftp=b:21", false), (HostPort{true, "b", 21}));
    EXPECT_EQ(Parse("ftp=b:21;http=a:8080", true), (HostPort{true, "a", 8080}));
    EXPECT_EQ(Parse("https=s:443;http=a:8080", true), (HostPort{true, "a", 8080}));
}

TEST(ParseProxyTextTest, SingleProxyServesEveryProtocol) {
    EXPECT_EQ(Parse("proxy.example:3128", true), (HostPort{true, "proxy.example", 3128}));
    EXPECT_EQ(Parse("proxy.example:3128", false), (HostPort{true, "proxy.example", 3128}));
}

TEST(ParseProxyTextTest, TextWithoutColonIsTheHostOnPort80) {
    EXPECT_EQ(Parse("proxy.example", true), (HostPort{true, "proxy.example", 80}));
    EXPECT_EQ(Parse("http=proxy;ftp=other", true), (HostPort{true, "proxy", 80}));
}

TEST(ParseProxyTextTest, PortIsTheLeadingDecimalNumber) {
    EXPECT_EQ(Parse("h:8080x", true), (HostPort{true, "h", 8080}));
    EXPECT_EQ(Parse("h:abc", true), (HostPort{true, "h", 0}));
    EXPECT_EQ(Parse("h:", true), (HostPort{true, "h", 0}));
    EXPECT_EQ(Parse("h:99999999999999999999", true).port, 2147483647);
}

TEST(ParseProxyTextTest, BracketedIpv6AddressIsOneHost) {
    EXPECT_EQ(Parse("[2001:db8::1]:3128", true), (HostPort{true, "[2001:db8::1]", 3128}));
    EXPECT_EQ(Parse("[::1]", true), (HostPort{true, "[::1]", 80}));
}

TEST(ParseProxyTextTest, NoHostIsNoProxy) {
    EXPECT_FALSE(Parse("", true).found);
    EXPECT_FALSE(Parse("http=;ftp=f:21", true).found);
    EXPECT_EQ(Parse("http=;ftp=f:21", false), (HostPort{true, "f", 21}));
}

TEST(ProxyAddressFromUrlTest, KeepsOnlyHostAndPort) {
    using platform::ProxyAddressFromUrl;
    EXPECT_EQ(ProxyAddressFromUrl("http://user:pw@proxy.example:3128/"), "proxy.example:3128");
    EXPECT_EQ(ProxyAddressFromUrl("proxy.example:3128"), "proxy.example:3128");
    EXPECT_EQ(ProxyAddressFromUrl("user@proxy.example:3128"), "proxy.example:3128");
    EXPECT_EQ(ProxyAddressFromUrl("https://p%40ss@proxy.example/path?q#f"), "proxy.example");
    EXPECT_EQ(ProxyAddressFromUrl("http://proxy.example:8080?x=1"), "proxy.example:8080");
    EXPECT_EQ(ProxyAddressFromUrl("socks5h://[2001:db8::1]:1080"), "[2001:db8::1]:1080");
    EXPECT_EQ(ProxyAddressFromUrl("  http://proxy:1 \n"), "proxy:1");
    EXPECT_EQ(ProxyAddressFromUrl("http://proxy:/"), "proxy");
    EXPECT_EQ(ProxyAddressFromUrl(""), "");
}

// The proxy variables of the environment, all unset unless a test sets them.
class ProxyEnvironmentTest : public ::testing::Test {
protected:
    void Set(const char* name, const std::string& value) { scoped_.push_back(std::make_unique<ScopedEnv>(name, value)); }

private:
    std::vector<std::unique_ptr<ScopedEnv>> cleared_ = [] {
        std::vector<std::unique_ptr<ScopedEnv>> all;
        for (const char* name : {"http_proxy", "HTTP_PROXY", "ftp_proxy", "FTP_PROXY"})
            all.push_back(std::make_unique<ScopedEnv>(name, std::nullopt));
        return all;
    }();
    std::vector<std::unique_ptr<ScopedEnv>> scoped_;
};

TEST_F(ProxyEnvironmentTest, NoVariablesMeanNoProxy) {
    auto settings = platform::ReadBrowserProxySettings();
    ASSERT_TRUE(settings);
    EXPECT_FALSE(settings->enabled);
    EXPECT_FALSE(FromBrowser(true).found);
    EXPECT_FALSE(FromBrowser(false).found);
    Set("http_proxy", "");
    EXPECT_FALSE(FromBrowser(true).found);
}

TEST_F(ProxyEnvironmentTest, HttpProxyUrlServesBothProtocols) {
    Set("http_proxy", "http://user:pw@proxy.example:3128/");
    EXPECT_EQ(platform::ReadBrowserProxySettings()->proxyServer, "proxy.example:3128");
    EXPECT_EQ(FromBrowser(true), (HostPort{true, "proxy.example", 3128}));
    EXPECT_EQ(FromBrowser(false), (HostPort{true, "proxy.example", 3128}));
}

TEST_F(ProxyEnvironmentTest, LowerCaseVariableComesFirst) {
    Set("HTTP_PROXY", "http://upper:1");
    EXPECT_EQ(FromBrowser(true), (HostPort{true, "upper", 1}));
    Set("http_proxy", "http://lower:2");
    EXPECT_EQ(FromBrowser(true), (HostPort{true, "lower", 2}));
}

TEST_F(ProxyEnvironmentTest, DifferentFtpProxyMakesAList) {
    Set("http_proxy", "http://web:8080");
    Set("FTP_PROXY", "ftp://files:21/");
    EXPECT_EQ(platform::ReadBrowserProxySettings()->proxyServer, "http=web:8080;ftp=files:21");
    EXPECT_EQ(FromBrowser(true), (HostPort{true, "web", 8080}));
    EXPECT_EQ(FromBrowser(false), (HostPort{true, "files", 21}));
}

TEST_F(ProxyEnvironmentTest, SameProxyForBothIsASingleProxy) {
    Set("http_proxy", "http://web:8080");
    Set("ftp_proxy", "web:8080");
    EXPECT_EQ(platform::ReadBrowserProxySettings()->proxyServer, "web:8080");
}

TEST_F(ProxyEnvironmentTest, FtpProxyAloneLeavesHttpDirect) {
    Set("ftp_proxy", "http://files:2121");
    EXPECT_FALSE(FromBrowser(true).found);
    EXPECT_EQ(FromBrowser(false), (HostPort{true, "files", 2121}));
}

}  // namespace
}  // namespace korv
