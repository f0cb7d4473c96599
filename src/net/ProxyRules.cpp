#include "ProxyRules.h"

#include "Url.h"

#include <QProcessEnvironment>
#include <QRegularExpression>

#include <arpa/inet.h>

namespace flk {
namespace {

const QString kDefaultProxyPort = QStringLiteral("1080");

QString Variable(const TProxyRules::TEnvironment& env, const char* lower, const char* upper)
{
    const QString value = env.value(QLatin1String(lower)).trimmed();
    if (!value.isEmpty() || !upper)
        return value;
    return env.value(QLatin1String(upper)).trimmed();
}

// The bytes of an IPv4 or IPv6 literal; empty for anything else.
QByteArray AddressBytes(const QString& text)
{
    const QByteArray latin = text.toLatin1();
    in6_addr a6{};
    if (inet_pton(AF_INET6, latin.constData(), &a6) == 1)
        return QByteArray(reinterpret_cast<const char*>(&a6), sizeof a6);
    in_addr a4{};
    if (inet_pton(AF_INET, latin.constData(), &a4) == 1)
        return QByteArray(reinterpret_cast<const char*>(&a4), sizeof a4);
    return {};
}

bool SamePrefix(const QByteArray& a, const QByteArray& b, int bits)
{
    if (a.size() != b.size())
        return false;
    if (bits < 0 || bits > a.size() * 8)
        bits = a.size() * 8;
    const int whole = bits / 8;
    if (memcmp(a.constData(), b.constData(), whole) != 0)
        return false;
    const int rest = bits % 8;
    if (rest == 0)
        return true;
    const auto mask = static_cast<unsigned char>(0xFF << (8 - rest));
    return (static_cast<unsigned char>(a[whole]) & mask) == (static_cast<unsigned char>(b[whole]) & mask);
}

} // namespace

QString TProxy::Display() const
{
    const QString host = Host.contains(u':') ? u'[' + Host + u']' : Host;
    return Port.isEmpty() ? host : host + u':' + Port;
}

TProxyRules::TProxyRules(const TEnvironment& env)
    : m_http(Variable(env, "http_proxy", nullptr)),
      m_https(Variable(env, "https_proxy", "HTTPS_PROXY")),
      m_ftp(Variable(env, "ftp_proxy", "FTP_PROXY")),
      m_all(Variable(env, "all_proxy", "ALL_PROXY"))
{
    const QString list = Variable(env, "no_proxy", "NO_PROXY");
    for (const QString& item : list.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        if (item == QLatin1String("*")) {
            m_noProxyAll = true;
            continue;
        }
        Pattern p;
        if (ReadPattern(item, p))
            m_noProxy.append(p);
    }
}

TProxyRules TProxyRules::FromProcessEnvironment()
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    TEnvironment env;
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ftp_proxy", "FTP_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
        const QString key = QLatin1String(name);
        if (system.contains(key))
            env.insert(key, system.value(key));
    }
    return TProxyRules(env);
}

TProxy TProxyRules::Parse(const QString& address)
{
    TProxy proxy;
    QString text = address.trimmed();
    if (text.isEmpty())
        return proxy;
    const qsizetype sep = text.indexOf(QLatin1String("://"));
    proxy.Scheme = sep >= 0 ? text.left(sep).toLower() : QStringLiteral("http");
    if (sep < 0)
        text = QStringLiteral("http://") + text;
    const TUrlParts u = Url::SplitUrl(text);
    proxy.Host = u.Host;
    proxy.Port = u.Port.isEmpty() ? kDefaultProxyPort : u.Port;
    proxy.User = Url::PercentDecoded(u.User);
    proxy.Password = Url::PercentDecoded(u.Pass);
    proxy.Unsupported = proxy.Scheme != QLatin1String("http") || proxy.Host.isEmpty();
    return proxy;
}

TProxy TProxyRules::ProxyFor(const QString& url) const
{
    const TUrlParts u = Url::SplitUrl(url);
    const QString scheme = u.Proto.isEmpty() ? QStringLiteral("http") : u.Proto.toLower();
    QString address = scheme == QLatin1String("https") ? m_https
                      : scheme == QLatin1String("ftp") ? m_ftp
                      : scheme == QLatin1String("http") ? m_http
                                                        : QString();
    if (address.isEmpty())
        address = m_all;
    if (address.isEmpty())
        return {};
    const QString port = u.Port.isEmpty() ? Url::DefaultPort(scheme) : u.Port;
    if (Bypassed(u.Host, port))
        return {};
    return Parse(address);
}

bool TProxyRules::Bypassed(const QString& host, const QString& port) const
{
    if (m_noProxyAll)
        return true;
    QString h = host.toLower();
    if (h.startsWith(u'[') && h.endsWith(u']'))
        h = h.mid(1, h.size() - 2);
    if (h.endsWith(u'.'))
        h.chop(1);  // "example.com." is the same host
    const QByteArray address = AddressBytes(h);
    for (const Pattern& p : m_noProxy) {
        if (Matches(p, h, address, port))
            return true;
    }
    return false;
}

// One no_proxy item: "name", ".name", "name:port", "1.2.3.4", "1.2.3.0/24",
// "::1", "[::1]", "[::1]:8080", "fd00::/8". False for an item that can
// match nothing.
bool TProxyRules::ReadPattern(QString text, Pattern& out)
{
    text = text.trimmed().toLower();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return false;
        const QString after = text.mid(close + 1);
        if (after.startsWith(u':'))
            out.Port = after.mid(1);
        else if (!after.isEmpty() && !after.startsWith(u'/'))
            return false;
        text = text.mid(1, close - 1) + (after.startsWith(u'/') ? after : QString());
    } else if (text.count(u':') == 1) {
        // One colon: a name or IPv4 address with a port (an IPv6 address
        // has at least two).
        const qsizetype colon = text.indexOf(u':');
        out.Port = text.mid(colon + 1);
        text.truncate(colon);
    }
    const qsizetype slash = text.indexOf(u'/');
    if (slash >= 0) {
        bool ok = false;
        out.Bits = text.mid(slash + 1).toInt(&ok);
        if (!ok || out.Bits < 0)
            return false;
        text.truncate(slash);
    }
    while (text.startsWith(u'.'))
        text.remove(0, 1);
    if (text.endsWith(u'.'))
        text.chop(1);
    if (text.isEmpty())
        return false;
    out.Host = text;
    out.Address = AddressBytes(text);
    return out.Address.isEmpty() ? out.Bits < 0 : true;
}

bool TProxyRules::Matches(const Pattern& p, const QString& host, const QByteArray& address, const QString& port)
{
    if (!p.Port.isEmpty() && p.Port != port)
        return false;
    if (!p.Address.isEmpty())
        return !address.isEmpty() && SamePrefix(p.Address, address, p.Bits);
    // A name matches itself and the hosts under it, at a dot: "example.com"
    // covers "www.example.com" but not "badexample.com".
    return host == p.Host || (host.endsWith(p.Host) && host[host.size() - p.Host.size() - 1] == u'.');
}

} // namespace flk
