#pragma once
// A scripted TCP server on 127.0.0.1 (or [::1]) for exact protocol cases. It runs on
// its own thread with blocking sockets, so the code under test keeps the GUI
// thread. Each accepted connection plays the next queued reply (the last one
// is replayed when the queue runs out, which makes redirect loops easy) and
// records every byte the client sent. With UseTls it speaks TLS on every
// connection, ending each with close_notify unless the reply cuts it.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <atomic>
#include <thread>

struct ssl_ctx_st;

namespace flk::test {

class ScriptedHttpServer {
public:
    struct Reply {
        QByteArray bytes;          // sent as they are
        bool readRequest = true;   // first read the request (header and announced body)
        bool close = true;         // close after sending; false keeps it open until the server stops
        bool reset = false;        // close with a reset instead of a normal close
        QList<QByteArray> later{}; // each sent in a write of its own after `bytes`,
        int pauseMs = 0;           // after a pause of this long
        bool closeNotify = true;   // TLS: end with close_notify; false cuts the stream short
    };

    // On [::1] with onIPv6.
    explicit ScriptedHttpServer(bool onIPv6 = false);
    ~ScriptedHttpServer();

    // Certificate and key files (PEM) of the TLS server; false when unusable.
    bool UseTls(const QString& certFile, const QString& keyFile);
    void AddReply(const Reply& reply);
    void AddReply(const QByteArray& bytes) { AddReply(Reply{bytes}); }
    quint16 Port() const { return m_port; }
    QByteArray BaseUrl() const;  // "http://..." or, with TLS, "https://..."

    int Connections() const { return m_connections.load(); }
    QByteArray Request(int connection) const;  // bytes received on that connection
    // Waits (up to a few seconds) until the connection's bytes are recorded.
    QByteArray WaitForRequest(int connection) const;

private:
    void Run();
    void Serve(int fd, int index);
    struct Connection;

    int m_listener = -1;
    bool m_v6 = false;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable QMutex m_mutex;
    QList<Reply> m_replies;
    QList<QByteArray> m_requests;
    QList<bool> m_done;
    std::thread m_thread;
    ssl_ctx_st* m_tls = nullptr;
};

} // namespace flk::test
