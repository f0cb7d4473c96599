#pragma once
// A small HTTP proxy on 127.0.0.1 for tests: it forwards absolute-form
// requests ("GET http://127.0.0.1:port/path") to the server they name and
// opens CONNECT tunnels, relaying bytes both ways, each connection on a
// thread of its own. It reaches only loopback addresses (anything else gets
// "502 Bad Gateway"). For failure cases:
//   RequireCredentials  a request without that pair in Proxy-Authorization
//                       gets "407 Proxy Authentication Required"
//   CloseOnConnect      a CONNECT is read, then the connection is closed
//   DenyConnect         a CONNECT gets "403 Forbidden"
// (A proxy that refuses connections is a port nobody listens on.)
// It records the header of every request it received (as sent by the
// client) and every header it forwarded to a server, so a test can tell
// where the proxy's credentials went.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <atomic>
#include <thread>
#include <vector>

namespace flk::test {

class TestHttpProxy {
public:
    enum class Mode { Forward, CloseOnConnect, DenyConnect };

    explicit TestHttpProxy(Mode mode = Mode::Forward);
    ~TestHttpProxy();
    TestHttpProxy(const TestHttpProxy&) = delete;
    TestHttpProxy& operator=(const TestHttpProxy&) = delete;

    // From now on a request without "Proxy-Authorization: Basic" of this
    // pair gets 407.
    void RequireCredentials(const QByteArray& user, const QByteArray& password);

    quint16 Port() const { return m_port; }
    QByteArray Address() const;  // "http://127.0.0.1:<port>"

    QList<QByteArray> Received() const;   // request headers as the client sent them
    QList<QByteArray> Forwarded() const;  // request headers sent on to a server
    // Waits (a few seconds at most) until `count` request headers came in.
    bool WaitForRequests(int count) const;

private:
    void Run();
    void Serve(int fd);
    bool Authorized(const QByteArray& header) const;

    Mode m_mode;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable QMutex m_mutex;
    QByteArray m_credentials;  // "Basic <base64>" wanted; empty: none
    QList<QByteArray> m_received;
    QList<QByteArray> m_forwarded;
    std::vector<std::thread> m_workers;  // touched by the accepting thread only
    std::thread m_thread;
};

} // namespace flk::test
