#include "ScriptedHttpServer.h"

#include "LoopbackPort.h"

#include <QMutexLocker>
#include <QString>
#include <QThread>

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace flk::test {
namespace {

qint64 AnnouncedBody(const QByteArray& header)
{
    for (const QByteArray& line : header.split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.toLower().startsWith("content-length:"))
            return l.mid(15).trimmed().toLongLong();
    }
    return 0;
}

} // namespace

// One accepted connection, plain or TLS.
struct ScriptedHttpServer::Connection {
    int fd;
    SSL* ssl = nullptr;

    bool Readable(const std::atomic<bool>& stop) const
    {
        return (ssl && SSL_pending(ssl) > 0) || WaitReadable(fd, stop);
    }
    ssize_t Read(char* buf, size_t len) const
    {
        return ssl ? SSL_read(ssl, buf, static_cast<int>(len)) : ::recv(fd, buf, len, 0);
    }
    ssize_t Write(const char* buf, size_t len) const
    {
        return ssl ? SSL_write(ssl, buf, static_cast<int>(len)) : ::send(fd, buf, len, MSG_NOSIGNAL);
    }
    bool SendAll(const QByteArray& bytes) const
    {
        for (qsizetype sent = 0; sent < bytes.size();) {
            const ssize_t n = Write(bytes.constData() + sent, bytes.size() - sent);
            if (n <= 0)
                return false;
            sent += n;
        }
        return true;
    }
};

ScriptedHttpServer::ScriptedHttpServer(bool onIPv6) : m_v6(onIPv6)
{
    m_listener = ::socket(onIPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (onIPv6) {
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        socklen_t len = sizeof a;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin6_port);
    } else {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ::listen(m_listener, 16);
    m_thread = std::thread([this] { Run(); });
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
    SSL_CTX_free(m_tls);
}

bool ScriptedHttpServer::UseTls(const QString& certFile, const QString& keyFile)
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx || SSL_CTX_use_certificate_chain_file(ctx, certFile.toLocal8Bit().constData()) != 1
        || SSL_CTX_use_PrivateKey_file(ctx, keyFile.toLocal8Bit().constData(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(ctx);
        return false;
    }
    QMutexLocker lock(&m_mutex);
    m_tls = ctx;
    return true;
}

void ScriptedHttpServer::AddReply(const Reply& reply)
{
    QMutexLocker lock(&m_mutex);
    m_replies.append(reply);
}

QByteArray ScriptedHttpServer::BaseUrl() const
{
    QMutexLocker lock(&m_mutex);
    return (m_tls ? "https" : "http") + QByteArray(m_v6 ? "://[::1]:" : "://127.0.0.1:") + QByteArray::number(m_port);
}

QByteArray ScriptedHttpServer::Request(int connection) const
{
    QMutexLocker lock(&m_mutex);
    return connection < m_requests.size() ? m_requests[connection] : QByteArray();
}

QByteArray ScriptedHttpServer::WaitForRequest(int connection) const
{
    for (int i = 0; i < 500; ++i) {
        {
            QMutexLocker lock(&m_mutex);
            if (connection < m_done.size() && m_done[connection])
                return m_requests[connection];
        }
        QThread::msleep(10);
    }
    return Request(connection);
}

void ScriptedHttpServer::Run()
{
    while (WaitReadable(m_listener, m_stop)) {
        const int fd = ::accept(m_listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        int index;
        {
            QMutexLocker lock(&m_mutex);
            index = static_cast<int>(m_requests.size());
            m_requests.append(QByteArray());
            m_done.append(false);
        }
        ++m_connections;
        Serve(fd, index);
    }
}

void ScriptedHttpServer::Serve(int fd, int index)
{
    Reply reply;
    Connection c{fd};
    {
        QMutexLocker lock(&m_mutex);
        if (!m_replies.isEmpty())
            reply = m_replies.size() > index ? m_replies[index] : m_replies.last();
        if (m_tls)
            c.ssl = SSL_new(m_tls);
    }
    if (c.ssl) {
        timeval limit{5, 0};  // a client that never answers does not hold the server
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        SSL_set_fd(c.ssl, fd);
        if (SSL_accept(c.ssl) != 1) {
            SSL_free(c.ssl);
            c.ssl = nullptr;
            reply = Reply{{}, false};  // the client gave up on the handshake
        }
    }
    QByteArray got;
    if (reply.readRequest) {
        char buf[4096];
        for (;;) {
            const qsizetype end = got.indexOf("\r\n\r\n");
            if (end >= 0 && got.size() >= end + 4 + AnnouncedBody(got.left(end)))
                break;
            if (!c.Readable(m_stop))
                break;
            const ssize_t n = c.Read(buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
    }
    {
        QMutexLocker lock(&m_mutex);
        m_requests[index] = got;
        m_done[index] = true;
    }
    bool open = c.SendAll(reply.bytes);
    for (const QByteArray& part : reply.later) {
        if (!open)
            break;
        if (reply.pauseMs > 0)
            QThread::msleep(reply.pauseMs);
        open = c.SendAll(part);
    }
    if (reply.reset) {
        linger l{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    } else if (!reply.close) {
        // Hold the connection (reading and dropping) until the client closes it.
        char buf[4096];
        while (c.Readable(m_stop) && c.Read(buf, sizeof buf) > 0) {
        }
    }
    if (c.ssl && reply.closeNotify && !reply.reset)
        SSL_shutdown(c.ssl);
    SSL_free(c.ssl);
    ::close(fd);
}

} // namespace flk::test
