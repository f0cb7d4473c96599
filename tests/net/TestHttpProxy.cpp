#include "TestHttpProxy.h"

#include "LoopbackPort.h"

#include <QMutexLocker>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace flk::test {
namespace {

bool SendAll(int fd, const QByteArray& bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// Reads up to the blank line; `rest` gets what came after it.
QByteArray ReadHeader(int fd, QByteArray& rest, const std::atomic<bool>& stop)
{
    QByteArray got;
    char buf[4096];
    while (!stop.load() && got.size() < (64 << 10)) {
        const qsizetype end = got.indexOf("\r\n\r\n");
        if (end >= 0) {
            rest = got.mid(end + 4);
            return got.left(end + 4);
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        got.append(buf, n);
    }
    return {};
}

// A connection to a loopback address only: "127.0.0.1:port", "localhost:port".
int ConnectLoopback(const QByteArray& hostPort)
{
    const qsizetype colon = hostPort.lastIndexOf(':');
    const QByteArray host = hostPort.left(colon);
    bool ok = false;
    const int port = hostPort.mid(colon + 1).toInt(&ok);
    if (colon < 0 || !ok || (host != "127.0.0.1" && host != "localhost"))
        return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<quint16>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Bytes both ways until both sides have closed (or the proxy stops).
void Relay(int a, int b, const std::atomic<bool>& stop)
{
    bool aOpen = true, bOpen = true;
    char buf[65536];
    while (!stop.load() && (aOpen || bOpen)) {
        pollfd p[2] = {{a, static_cast<short>(aOpen ? POLLIN : 0), 0}, {b, static_cast<short>(bOpen ? POLLIN : 0), 0}};
        if (::poll(p, 2, 50) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const int from = i == 0 ? a : b, to = i == 0 ? b : a;
            const ssize_t n = ::recv(from, buf, sizeof buf, 0);
            if (n > 0 && SendAll(to, QByteArray::fromRawData(buf, n)))
                continue;
            (i == 0 ? aOpen : bOpen) = false;
            ::shutdown(to, SHUT_WR);
        }
    }
}

QByteArray Reply(const QByteArray& status, const QByteArray& more = {})
{
    const QByteArray body = "<html><body>" + status + "</body></html>";
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\nConnection: close\r\n" + more + "\r\n" + body;
}

} // namespace

TestHttpProxy::TestHttpProxy(Mode mode) : m_mode(mode)
{
    m_listener = ListenOnLoopback(m_port, 16);
    m_thread = std::thread([this] { Run(); });
}

TestHttpProxy::~TestHttpProxy()
{
    m_stop = true;
    m_thread.join();
    for (std::thread& t : m_workers)
        t.join();
    ::close(m_listener);
}

void TestHttpProxy::RequireCredentials(const QByteArray& user, const QByteArray& password)
{
    QMutexLocker lock(&m_mutex);
    m_credentials = "Basic " + (user + ':' + password).toBase64();
}

QByteArray TestHttpProxy::Address() const
{
    return "http://127.0.0.1:" + QByteArray::number(m_port);
}

QList<QByteArray> TestHttpProxy::Received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

QList<QByteArray> TestHttpProxy::Forwarded() const
{
    QMutexLocker lock(&m_mutex);
    return m_forwarded;
}

bool TestHttpProxy::WaitForRequests(int count) const
{
    for (int i = 0; i < 500; ++i) {
        if (Received().size() >= count)
            return true;
        QThread::msleep(10);
    }
    return false;
}

void TestHttpProxy::Run()
{
    while (!m_stop.load()) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            m_workers.emplace_back([this, fd] { Serve(fd); });
    }
}

bool TestHttpProxy::Authorized(const QByteArray& header) const
{
    QMutexLocker lock(&m_mutex);
    if (m_credentials.isEmpty())
        return true;
    for (const QByteArray& line : header.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "proxy-authorization"
            && line.mid(colon + 1).trimmed() == m_credentials)
            return true;
    }
    return false;
}

void TestHttpProxy::Serve(int fd)
{
    QByteArray rest;
    const QByteArray header = ReadHeader(fd, rest, m_stop);
    if (!header.isEmpty()) {
        QMutexLocker lock(&m_mutex);
        m_received.append(header);
    }
    const QList<QByteArray> requestLine = header.left(header.indexOf("\r\n")).split(' ');
    if (header.isEmpty() || requestLine.size() != 3) {
        ::close(fd);
        return;
    }
    const QByteArray& method = requestLine[0];
    const QByteArray& target = requestLine[1];
    if (method == "CONNECT" && m_mode == Mode::CloseOnConnect) {
        ::close(fd);
        return;
    }
    if (!Authorized(header)) {
        SendAll(fd, Reply("407 Proxy Authentication Required", "Proxy-Authenticate: Basic realm=\"test\"\r\n"));
        ::close(fd);
        return;
    }
    if (method == "CONNECT") {
        const int server = m_mode == Mode::DenyConnect ? -1 : ConnectLoopback(target);
        if (server < 0) {
            SendAll(fd, Reply(m_mode == Mode::DenyConnect ? "403 Forbidden" : "502 Bad Gateway"));
        } else {
            SendAll(fd, "HTTP/1.1 200 Connection established\r\n\r\n");
            SendAll(server, rest);
            Relay(fd, server, m_stop);
            ::close(server);
        }
        ::close(fd);
        return;
    }
    // "http://host:port/path": the server, and the request in origin form
    // without the proxy's own headers.
    const qsizetype authority = target.indexOf("://");
    const qsizetype slash = authority < 0 ? -1 : target.indexOf('/', authority + 3);
    QByteArray hostPort = authority < 0 ? QByteArray() : target.mid(authority + 3, slash < 0 ? -1 : slash - authority - 3);
    if (!hostPort.contains(':'))
        hostPort += ":80";
    const int server = ConnectLoopback(hostPort);
    if (server < 0) {
        SendAll(fd, Reply("502 Bad Gateway"));
        ::close(fd);
        return;
    }
    QByteArray forward = method + ' ' + (slash < 0 ? QByteArray("/") : target.mid(slash)) + ' ' + requestLine[2] + "\r\n";
    for (const QByteArray& line : header.split('\n').mid(1)) {
        const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
        if (line.trimmed().isEmpty() || name == "proxy-authorization" || name == "proxy-connection")
            continue;
        forward += line + '\n';
    }
    forward += "\r\n";
    {
        QMutexLocker lock(&m_mutex);
        m_forwarded.append(forward);
    }
    SendAll(server, forward + rest);
    Relay(fd, server, m_stop);
    ::close(server);
    ::close(fd);
}

} // namespace flk::test
