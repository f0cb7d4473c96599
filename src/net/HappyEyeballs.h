#pragma once
// THappyEyeballs: opens one TCP connection to whichever of several addresses
// answers first (RFC 8305). The first address is tried at once, the next
// one 250 ms later if none has connected by then, or at once when every
// attempt so far has failed; the first attempt to connect wins and the
// others are closed. Every attempt is a non-blocking connect watched on the
// thread's event loop; nothing here blocks or runs a loop of its own.
//
// The outcome is reported once, always from the event loop, never from
// inside Start: OnDone(fd, 0) hands over the connected socket (or
// WSAECONNRESET for one reset as soon as it was made); OnDone(fd, error)
// after every address failed hands over the last failed socket (still open,
// so its owner can report and close it as it would any failed connect; -1
// when not even a socket could be made) and the last error, a WinSock code.

#include "SocketAddress.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

class QSocketNotifier;

namespace flk {

class THappyEyeballs : public QObject {
public:
    static constexpr int kAttemptDelayMs = 250;

    // Applies the owner's options to each new socket; 0 or a WinSock code.
    using Prepare = std::function<int(int fd)>;
    using Done = std::function<void(int fd, int error)>;

    explicit THappyEyeballs(QObject* parent = nullptr);
    ~THappyEyeballs() override;
    THappyEyeballs(const THappyEyeballs&) = delete;
    THappyEyeballs& operator=(const THappyEyeballs&) = delete;

    Done OnDone;

    // Tries `addresses` in the order given (see TSocketAddress::Interleaved).
    // 0 when an attempt is under way; otherwise the WinSock code of the last
    // address's failure, every socket closed and no OnDone to come.
    int Start(const QList<TSocketAddress>& addresses, int type, int protocol, Prepare prepare);
    // Closes every attempt; no OnDone follows.
    void Cancel();
    bool Running() const { return !m_attempts.empty() || m_delay.isActive(); }
    // A paused connector watches nothing and starts nothing.
    void SetPaused(bool paused);
    // The addresses tried by the last Start, "[::1]:80" / "127.0.0.1:80".
    QStringList Tried() const { return m_tried; }

private:
    struct Attempt {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
    };

    bool StartNext();
    void Ready(int fd);
    void Failed(int fd, int error);
    void DelayElapsed();
    void FinishFailed();
    void DropAttempt(int fd);
    void KeepFailed(int fd);

    QList<TSocketAddress> m_queue;
    qsizetype m_next = 0;
    int m_type = 0, m_protocol = 0;
    Prepare m_prepare;
    std::vector<Attempt> m_attempts;
    QTimer m_delay;
    int m_lastError = 0;
    int m_lastFailedFd = -1;
    bool m_paused = false;
    QStringList m_tried;
};

} // namespace flk
