#include "SocketAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>

namespace flk {

QString TSocketAddress::WithoutBrackets(const QString& host)
{
    const QString h = host.trimmed();
    if (h.size() >= 2 && h.startsWith(u'[') && h.endsWith(u']'))
        return h.mid(1, h.size() - 2);
    return h;
}

std::optional<TSocketAddress> TSocketAddress::FromText(const QString& host, quint16 port)
{
    QString text = WithoutBrackets(host);
    // An address's zone comes percent-encoded from an URL (RFC 6874).
    if (text.contains(u':'))
        text.replace(QLatin1String("%25"), QLatin1String("%"));
    const QByteArray a = text.toLatin1();
    if (a.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 127; }))
        return std::nullopt;
    TSocketAddress out;
    in_addr v4{};
    if (!text.contains(u':')) {
        if (inet_aton(a.constData(), &v4) == 0)
            return std::nullopt;
        auto* sin = reinterpret_cast<sockaddr_in*>(&out.m_raw);
        sin->sin_family = AF_INET;
        sin->sin_addr = v4;
        out.m_length = sizeof(sockaddr_in);
    } else {
        // getaddrinfo reads a "%zone" too, which inet_pton does not.
        addrinfo hints{};
        hints.ai_family = AF_INET6;
        hints.ai_flags = AI_NUMERICHOST;
        addrinfo* res = nullptr;
        if (getaddrinfo(a.constData(), nullptr, &hints, &res) != 0 || !res)
            return std::nullopt;
        std::memcpy(&out.m_raw, res->ai_addr, res->ai_addrlen);
        out.m_length = res->ai_addrlen;
        freeaddrinfo(res);
    }
    out.SetPort(port);
    return out;
}

TSocketAddress TSocketAddress::FromRaw(const sockaddr_storage& raw, socklen_t length)
{
    TSocketAddress out;
    out.m_raw = raw;
    out.m_length = std::min<socklen_t>(length, sizeof raw);
    return out;
}

QList<TSocketAddress> TSocketAddress::LookUp(const QString& host, quint16 port, int* gaiError)
{
    QList<TSocketAddress> out;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    const int rc = getaddrinfo(WithoutBrackets(host).toUtf8().constData(), nullptr, &hints, &res);
    if (gaiError)
        *gaiError = rc;
    for (addrinfo* p = res; rc == 0 && p; p = p->ai_next) {
        if (p->ai_family != AF_INET && p->ai_family != AF_INET6)
            continue;
        TSocketAddress a;
        std::memcpy(&a.m_raw, p->ai_addr, p->ai_addrlen);
        a.m_length = p->ai_addrlen;
        a.SetPort(port);
        if (!out.contains(a))
            out.append(a);
    }
    if (res)
        freeaddrinfo(res);
    return out;
}

QList<TSocketAddress> TSocketAddress::Interleaved(const QList<TSocketAddress>& addresses)
{
    QList<TSocketAddress> v6, v4;
    for (const TSocketAddress& a : addresses)
        (a.Family() == AF_INET6 ? v6 : v4).append(a);
    QList<TSocketAddress> out;
    for (qsizetype i = 0; i < std::max(v6.size(), v4.size()); ++i) {
        if (i < v6.size())
            out.append(v6[i]);
        if (i < v4.size())
            out.append(v4[i]);
    }
    return out;
}

quint16 TSocketAddress::Port() const
{
    if (Family() == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&m_raw)->sin6_port);
    if (Family() == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&m_raw)->sin_port);
    return 0;
}

void TSocketAddress::SetPort(quint16 port)
{
    if (Family() == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&m_raw)->sin6_port = htons(port);
    else if (Family() == AF_INET)
        reinterpret_cast<sockaddr_in*>(&m_raw)->sin_port = htons(port);
}

bool TSocketAddress::IsIPv4Broadcast() const
{
    return Family() == AF_INET && reinterpret_cast<const sockaddr_in*>(&m_raw)->sin_addr.s_addr == INADDR_BROADCAST;
}

QString TSocketAddress::Host() const
{
    if (!IsValid())
        return {};
    char text[NI_MAXHOST] = {};
    if (getnameinfo(Raw(), m_length, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0)
        return {};
    return QString::fromLatin1(text);
}

QString TSocketAddress::HostAndPort() const
{
    const QString host = Family() == AF_INET6 ? '[' + Host() + ']' : Host();
    return host + ':' + QString::number(Port());
}

bool TSocketAddress::operator==(const TSocketAddress& other) const
{
    return m_length == other.m_length && std::memcmp(&m_raw, &other.m_raw, m_length) == 0;
}

} // namespace flk
