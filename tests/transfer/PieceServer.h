#pragma once
// A loopback HTTP server for downloads in pieces: every connection on a
// thread of its own (so pieces really run side by side), HEAD and GET of one
// file with an ETag, "Range: bytes=a-b" answered with 206. A test's Rule
// may make any GET lie: the whole file (200), another range, another ETag or
// length, or a connection cut after some bytes. Each connection may be held
// to a rate, so a download is still running when a test wants it to.

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace flk::test {

class PieceServer {
public:
    enum class Lie { None, Whole, WrongRange, OtherETag, OtherLength, Cut };
    struct Answer {
        Lie lie = Lie::None;
        qint64 cutAfter = 0; // Cut: body bytes sent before the close
        qint64 rate = -1;    // this connection's rate; -1: the server's
    };
    // The n-th GET (from 0) for bytes [first, last]; -1/-1 without a Range.
    // It runs on the connection's thread before the reply is made, so it may
    // SetFile for this very reply.
    using Rule = std::function<Answer(int n, qint64 first, qint64 last)>;

    explicit PieceServer(const QByteArray& body, const QByteArray& etag = "\"v1\"");
    ~PieceServer();

    void SetRule(Rule rule);
    // From the next request on: another version of the file.
    void SetFile(const QByteArray& body, const QByteArray& etag);
    // Bytes per second on each connection; 0: as fast as it goes.
    void SetRate(qint64 bytesPerSecond) { m_rate = bytesPerSecond; }
    QByteArray Url() const;
    int Gets() const { return m_gets.load(); }
    // The Range headers of the GETs so far ("" for none), in order of arrival.
    QList<QByteArray> Ranges() const;
    // The GETs' whole request headers, in the same order.
    QList<QByteArray> Requests() const;

private:
    void Accept();
    void Serve(int fd);
    bool Send(int fd, const char* data, qint64 len, qint64 rate = 0) const;

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_gets{0};
    std::atomic<qint64> m_rate{0};
    mutable QMutex m_mutex;
    QByteArray m_body;
    QByteArray m_etag;
    Rule m_rule;
    QList<QByteArray> m_ranges;
    QList<QByteArray> m_requests;
    std::thread m_acceptor;
    QList<std::shared_ptr<std::thread>> m_workers;
};

} // namespace flk::test
