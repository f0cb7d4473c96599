#include "ReadThrottle.h"

#include "RateLimit.h"
#include "WSocket.h"

namespace flk {

TReadThrottle::TReadThrottle(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    // Tokens are counted by the clock, not by the wake-ups: a late timer
    // costs a larger read, not bytes per second.
    connect(&m_timer, &QTimer::timeout, this, [this] { Wake(); });
}

qint64 TReadThrottle::Budget(TRateLimit& limit, TWSocket& socket, qint64 want)
{
    const qint64 granted = limit.Grant(want);
    if (granted > 0)
        return granted;
    m_socket = &socket;
    socket.Pause();
    m_timer.start(limit.Delay(want));
    return 0;
}

void TReadThrottle::Wake()
{
    // A socket closed meanwhile (an abort, a new request) is no longer paused.
    if (m_socket && m_socket->Paused())
        m_socket->Resume();
}

} // namespace flk
