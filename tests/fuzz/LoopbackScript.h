#pragma once
// A loopback server on its own thread that plays one script to every
// connection: what the peer sends first is read (up to a blank line when
// AwaitRequest), then the script's bytes are sent, the sending side is shut
// and the rest is read until the client closes. The fuzz targets run the
// real socket clients against it, so their reply readers see the bytes
// exactly as from a server, in whatever pieces the kernel makes.

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <thread>

namespace flk::fuzz {

class LoopbackScript {
public:
    explicit LoopbackScript(bool awaitRequest);
    ~LoopbackScript();
    LoopbackScript(const LoopbackScript&) = delete;
    LoopbackScript& operator=(const LoopbackScript&) = delete;

    quint16 Port() const { return m_port; }
    // The script of every connection accepted from now on.
    void SetScript(const QByteArray& script);

private:
    void Serve();
    void Play(int fd, const QByteArray& script);

    bool m_awaitRequest;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    QByteArray m_script;
    std::thread m_thread;
};

} // namespace flk::fuzz
