#pragma once
// TSocketAddress: one IPv4 or IPv6 socket address (host and port), as the
// socket layer passes it to the kernel and as the clients write it in texts.

#include <QList>
#include <QString>

#include <optional>
#include <sys/socket.h>

namespace flk {

class TSocketAddress {
public:
    TSocketAddress() = default;

    // A numeric host: dotted IPv4 (the forms inet_aton reads) or IPv6, with
    // or without brackets, with or without a "%zone". Nothing for a name.
    static std::optional<TSocketAddress> FromText(const QString& host, quint16 port = 0);
    // The address the kernel filled in (getpeername, getsockname, accept).
    static TSocketAddress FromRaw(const sockaddr_storage& raw, socklen_t length);
    // Every address of a host name, both families, in the resolver's order;
    // blocks the calling thread. Empty when there is none; `gaiError` gets
    // the resolver's code.
    static QList<TSocketAddress> LookUp(const QString& host, quint16 port, int* gaiError = nullptr);
    // The order Happy Eyeballs tries addresses in: the families alternate,
    // IPv6 first, each family keeping its own order.
    static QList<TSocketAddress> Interleaved(const QList<TSocketAddress>& addresses);
    // A host text without the brackets an address literal carries in an URL.
    static QString WithoutBrackets(const QString& host);

    bool IsValid() const { return m_length > 0; }
    int Family() const { return m_raw.ss_family; }
    const sockaddr* Raw() const { return reinterpret_cast<const sockaddr*>(&m_raw); }
    socklen_t Length() const { return m_length; }
    quint16 Port() const;
    void SetPort(quint16 port);
    bool IsIPv4Broadcast() const;
    // "127.0.0.1", "::1", "fe80::1%eth0".
    QString Host() const;
    // "127.0.0.1:80", "[::1]:80": the address as a failure text names it.
    QString HostAndPort() const;

    bool operator==(const TSocketAddress& other) const;

private:
    sockaddr_storage m_raw{};
    socklen_t m_length = 0;
};

} // namespace flk
