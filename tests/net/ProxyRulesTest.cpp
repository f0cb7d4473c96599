// Which proxy an address takes, from environment variables read as curl
// reads them.
#include "ProxyRules.h"

#include <gtest/gtest.h>

using namespace flk;

namespace {

const QString kProxy = QStringLiteral("http://proxy.example:3128");

QString ProxyOf(const TProxyRules& rules, const QString& url)
{
    const TProxy p = rules.ProxyFor(url);
    return p.Direct() ? QStringLiteral("direct") : p.Display();
}

TEST(ProxyRulesTest, NoProxyPatterns)
{
    struct Case {
        const char* noProxy;
        const char* url;
        bool direct;
    };
    const Case cases[] = {
        {"example.com", "http://example.com/f", true},
        {"example.com", "http://www.example.com/f", true},
        {"example.com", "http://badexample.com/f", false},  // a suffix only at a dot
        {".example.com", "http://www.example.com/f", true},
        {".example.com", "http://example.com/f", true},
        {"EXAMPLE.com", "http://Www.Example.COM/f", true},   // no case in host names
        {"example.com", "http://example.com./f", true},      // the trailing root dot
        {"other.org, example.com", "http://example.com/f", true},
        {"other.org example.com", "http://example.com/f", true},
        {"other.org", "http://example.com/f", false},
        {"*", "http://anything.at.all:81/f", true},
        {"*.example.com", "http://www.example.com/f", false}, // "*" counts alone only
        {"example.com:8080", "http://example.com:8080/f", true},
        {"example.com:8080", "http://example.com/f", false},
        {"example.com:443", "https://example.com/f", true},   // the scheme's own port
        {"10.1.2.3", "http://10.1.2.3:8000/f", true},
        {"10.1.2.3", "http://10.1.2.30/f", false},
        {"10.1.0.0/16", "http://10.1.200.7/f", true},
        {"10.1.0.0/16", "http://10.2.0.1/f", false},
        {"127.0.0.1:8080", "http://127.0.0.1:8080/f", true},
        {"127.0.0.1:8080", "http://127.0.0.1:9090/f", false},
        {"::1", "http://[::1]:8080/f", true},
        {"[::1]", "http://[::1]/f", true},
        {"[::1]:8080", "http://[::1]:8080/f", true},
        {"[::1]:8080", "http://[::1]:9090/f", false},
        {"fd00::/8", "http://[fd12::5]/f", true},
        {"fd00::/8", "http://[fe80::1]/f", false},
        {"0:0:0:0:0:0:0:1", "http://[::1]/f", true},          // the same address spelled out
        {"", "http://example.com/f", false},
    };
    for (const Case& c : cases) {
        const TProxyRules rules({{"http_proxy", kProxy}, {"https_proxy", kProxy}, {"no_proxy", c.noProxy}});
        EXPECT_EQ(ProxyOf(rules, c.url), c.direct ? QStringLiteral("direct") : QStringLiteral("proxy.example:3128"))
            << "no_proxy=\"" << c.noProxy << "\" url=" << c.url;
    }
}

TEST(ProxyRulesTest, VariablesAsCurlReadsThem)
{
    using Env = TProxyRules::TEnvironment;
    // HTTP_PROXY is what a CGI program gets from a request's "Proxy:" header.
    EXPECT_EQ(ProxyOf(TProxyRules(Env{{"HTTP_PROXY", kProxy}}), "http://a.example/"), "direct");
    EXPECT_EQ(ProxyOf(TProxyRules(Env{{"http_proxy", kProxy}}), "http://a.example/"), "proxy.example:3128");
    EXPECT_EQ(ProxyOf(TProxyRules(Env{{"http_proxy", kProxy}}), "https://a.example/"), "direct");
    EXPECT_EQ(ProxyOf(TProxyRules(Env{{"HTTPS_PROXY", kProxy}}), "https://a.example/"), "proxy.example:3128");
    EXPECT_EQ(ProxyOf(TProxyRules(Env{{"https_proxy", "low:1"}, {"HTTPS_PROXY", "up:2"}}), "https://a.example/"),
              "low:1");
    // all_proxy serves what the scheme's own variable leaves out.
    const TProxyRules all(Env{{"ALL_PROXY", "all.example:9"}, {"https_proxy", "tls.example:8"}});
    EXPECT_EQ(ProxyOf(all, "http://a.example/"), "all.example:9");
    EXPECT_EQ(ProxyOf(all, "https://a.example/"), "tls.example:8");
    EXPECT_EQ(ProxyOf(all, "ftp://a.example/f"), "all.example:9");
    EXPECT_EQ(ProxyOf(TProxyRules(Env{{"ftp_proxy", "f.example:21"}}), "ftp://a.example/f"), "f.example:21");
    EXPECT_EQ(ProxyOf(TProxyRules(Env{{"NO_PROXY", "a.example"}, {"http_proxy", kProxy}}), "http://a.example/"),
              "direct");
    EXPECT_TRUE(TProxyRules(Env{{"no_proxy", "*"}}).Empty());
}

TEST(ProxyRulesTest, ProxyAddresses)
{
    // curl's default port for a proxy named without one.
    TProxy p = TProxyRules::Parse("proxy.example");
    EXPECT_EQ(p.Display(), "proxy.example:1080");
    EXPECT_FALSE(p.Unsupported);

    p = TProxyRules::Parse("http://us%40er:p%3Ass@[fd00::1]:8080/");
    EXPECT_EQ(p.Host, "fd00::1");
    EXPECT_EQ(p.Port, "8080");
    EXPECT_EQ(p.User, "us@er");
    EXPECT_EQ(p.Password, "p:ss");
    EXPECT_EQ(p.Display(), "[fd00::1]:8080");  // what a user sees: no credentials

    // Spoken by neither this client nor silently skipped.
    p = TProxyRules::Parse("socks5://proxy.example:1080");
    EXPECT_TRUE(p.Unsupported);
    EXPECT_FALSE(p.Direct());
}

} // namespace
