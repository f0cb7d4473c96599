#include "ScriptedHttpServer.h"

#include <QThread>
#include <QMutexLocker>

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

bool WaitReadable(int fd, const std::atomic<bool>& stop)
{
    while (!stop.load()) {
        pollfd p{fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, 50);
        if (rc > 0)
            return true;
        if (rc < 0)
            return false;
    }
    return false;
}

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

} // namespace

ScriptedHttpServer::ScriptedHttpServer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(m_listener, 16);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Run(); });
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

void ScriptedHttpServer::AddReply(const Reply& reply)
{
    QMutexLocker lock(&m_mutex);
    m_replies.append(reply);
}

QByteArray ScriptedHttpServer::BaseUrl() const
{
    return "http://127.0.0.1:" + QByteArray::number(m_port);
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
    {
        QMutexLocker lock(&m_mutex);
        if (!m_replies.isEmpty())
            reply = m_replies.size() > index ? m_replies[index] : m_replies.last();
    }
    QByteArray got;
    if (reply.readRequest) {
        char buf[4096];
        for (;;) {
            const qsizetype end = got.indexOf("\r\n\r\n");
            if (end >= 0 && got.size() >= end + 4 + AnnouncedBody(got.left(end)))
                break;
            if (!WaitReadable(fd, m_stop))
                break;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
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
    bool open = SendAll(fd, reply.bytes);
    for (const QByteArray& part : reply.later) {
        if (!open)
            break;
        if (reply.pauseMs > 0)
            QThread::msleep(reply.pauseMs);
        open = SendAll(fd, part);
    }
    if (reply.reset) {
        linger l{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    } else if (!reply.close) {
        // Hold the connection (reading and dropping) until the client closes it.
        char buf[4096];
        while (WaitReadable(fd, m_stop) && ::recv(fd, buf, sizeof buf, 0) > 0) {
        }
    }
    ::close(fd);
}

} // namespace flk::test
