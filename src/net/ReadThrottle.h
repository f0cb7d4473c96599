#pragma once
// TReadThrottle: holds one socket's reads to a TRateLimit without waiting.
// Before a read the client asks Budget; when the limit has nothing to give,
// the socket's read notifications are paused and a single-shot timer resumes
// them when the tokens will be there. Bytes stay in the kernel meanwhile, so
// TCP's window slows the sender down. One per client (its timer is its own);
// the limit itself may be shared by many.

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace flk {

class TRateLimit;
class TWSocket;

class TReadThrottle : public QObject {
    Q_OBJECT
public:
    explicit TReadThrottle(QObject* parent = nullptr);

    // Bytes the next read from `socket` may take, at most `want`; 0 when the
    // limit has none now (the socket is then paused until it has).
    qint64 Budget(TRateLimit& limit, TWSocket& socket, qint64 want);

private:
    void Wake();

    QTimer m_timer;
    QPointer<TWSocket> m_socket;
};

} // namespace flk
