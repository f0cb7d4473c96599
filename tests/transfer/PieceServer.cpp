#include "PieceServer.h"

#include "LoopbackPort.h"

#include <QMutexLocker>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace flk::test {
namespace {

QByteArray HeaderValue(const QByteArray& request, const QByteArray& name)
{
    for (const QByteArray& line : request.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace

PieceServer::PieceServer(const QByteArray& body, const QByteArray& etag) : m_body(body), m_etag(etag)
{
    m_listener = ListenOnLoopback(m_port);
    m_acceptor = std::thread([this] { Accept(); });
}

PieceServer::~PieceServer()
{
    m_stop = true;
    m_acceptor.join();
    for (const auto& t : m_workers)
        t->join();
    ::close(m_listener);
}

void PieceServer::SetRule(Rule rule)
{
    QMutexLocker lock(&m_mutex);
    m_rule = std::move(rule);
}

void PieceServer::SetFile(const QByteArray& body, const QByteArray& etag)
{
    QMutexLocker lock(&m_mutex);
    m_body = body;
    m_etag = etag;
}

QByteArray PieceServer::Url() const
{
    return "http://127.0.0.1:" + QByteArray::number(m_port) + "/file.bin";
}

QList<QByteArray> PieceServer::Ranges() const
{
    QMutexLocker lock(&m_mutex);
    return m_ranges;
}

QList<QByteArray> PieceServer::Requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void PieceServer::Accept()
{
    while (WaitReadable(m_listener, m_stop)) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        QMutexLocker lock(&m_mutex);
        m_workers.append(std::make_shared<std::thread>([this, fd] {
            Serve(fd);
            ::close(fd);
        }));
    }
}

// Paced in slices of 64 KiB when a rate is set.
bool PieceServer::Send(int fd, const char* data, qint64 len, qint64 rate) const
{
    using Clock = std::chrono::steady_clock;
    const auto begin = Clock::now();
    for (qint64 sent = 0; sent < len;) {
        if (m_stop)
            return false;
        const qint64 slice = std::min<qint64>(len - sent, rate > 0 ? 64 << 10 : len - sent);
        const ssize_t n = ::send(fd, data + sent, static_cast<size_t>(slice), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
        if (rate > 0)
            std::this_thread::sleep_until(begin + std::chrono::microseconds(sent * 1000000 / rate));
    }
    return true;
}

void PieceServer::Serve(int fd)
{
    QByteArray request;
    char buf[4096];
    while (!request.contains("\r\n\r\n")) {
        if (!WaitReadable(fd, m_stop))
            return;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        request.append(buf, n);
    }
    QByteArray body, etag;
    Rule rule;
    {
        QMutexLocker lock(&m_mutex);
        rule = m_rule;
    }
    const bool head = request.startsWith("HEAD ");
    const QByteArray range = HeaderValue(request, "range");
    int n = -1;
    if (!head) {
        QMutexLocker lock(&m_mutex);
        n = static_cast<int>(m_ranges.size());
        m_ranges.append(range);
        m_requests.append(request);
        ++m_gets;
    }
    qint64 first = -1, last = -1;
    if (range.startsWith("bytes=")) {
        const QList<QByteArray> ends = range.mid(6).split('-');
        first = ends.value(0).toLongLong();
        last = ends.value(1).isEmpty() ? -1 : ends.value(1).toLongLong();
    }
    const Answer answer = rule && !head ? rule(n, first, last) : Answer{};
    {
        QMutexLocker lock(&m_mutex);
        body = m_body;
        etag = m_etag;
    }
    const qint64 length = body.size();
    if (first >= 0 && (last < 0 || last >= length))
        last = length - 1;
    const QByteArray common = "ETag: " + etag + "\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n"
                              "Accept-Ranges: bytes\r\n";
    if (head) {
        const QByteArray head = "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(length) + "\r\n" + common + "\r\n";
        Send(fd, head.constData(), head.size());
        return;
    }
    QByteArray header;
    qint64 from = 0, count = length;
    if (first < 0 || answer.lie == Lie::Whole) {
        header = "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(length) + "\r\n" + common;
    } else {
        from = answer.lie == Lie::WrongRange ? std::max<qint64>(0, first - 4096) : first;
        count = last - from + 1;
        const qint64 total = answer.lie == Lie::OtherLength ? length + 1 : length;
        QByteArray tag = answer.lie == Lie::OtherETag ? QByteArray("\"other\"") : etag;
        header = "HTTP/1.0 206 Partial Content\r\nContent-Length: " + QByteArray::number(count) + "\r\nContent-Range: bytes "
                 + QByteArray::number(from) + '-' + QByteArray::number(from + count - 1) + '/' + QByteArray::number(total)
                 + "\r\nETag: " + tag + "\r\nAccept-Ranges: bytes\r\n";
    }
    header += "\r\n";
    if (!Send(fd, header.constData(), header.size()))
        return;
    if (answer.lie == Lie::Cut)
        count = std::min(count, answer.cutAfter);
    Send(fd, body.constData() + from, count, answer.rate >= 0 ? answer.rate : m_rate.load());
}

} // namespace flk::test
