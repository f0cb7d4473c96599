#include "LoopbackScript.h"

#include "FuzzTarget.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace flk::fuzz {
namespace {

// How long a quiet client is waited for; the clients answer at once, so
// only a hang reaches this.
constexpr int kQuietMs = 2000;

bool Readable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

} // namespace

LoopbackScript::LoopbackScript(bool awaitRequest) : m_awaitRequest(awaitRequest)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || ::listen(m_listener, 64) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        Failed("cannot listen on loopback", __FILE__, __LINE__);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackScript::~LoopbackScript()
{
    m_stop = true;
    ::shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
    ::close(m_listener);
}

void LoopbackScript::SetScript(const QByteArray& script)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_script = script;
}

void LoopbackScript::Serve()
{
    while (!m_stop) {
        if (!Readable(m_listener, 100))
            continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        QByteArray script;
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            script = m_script;
        }
        Play(fd, script);
        ::close(fd);
    }
}

void LoopbackScript::Play(int fd, const QByteArray& script)
{
    char buf[4096];
    QByteArray request;
    while (m_awaitRequest && !request.contains("\r\n\r\n") && Readable(fd, kQuietMs)) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        request.append(buf, n);
    }
    for (qsizetype sent = 0; sent < script.size();) {
        const ssize_t n = ::send(fd, script.constData() + sent, size_t(script.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            break; // the client closed early, as it may on a reply it refuses
        sent += n;
    }
    ::shutdown(fd, SHUT_WR);
    while (Readable(fd, kQuietMs) && ::recv(fd, buf, sizeof buf, 0) > 0) {
    }
}

} // namespace flk::fuzz
