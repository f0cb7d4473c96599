#include "HappyEyeballs.h"

#include "WSocket.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

namespace flk {

THappyEyeballs::THappyEyeballs(QObject* parent) : QObject(parent)
{
    m_delay.setSingleShot(true);
    m_delay.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    connect(&m_delay, &QTimer::timeout, this, [this] { DelayElapsed(); });
}

THappyEyeballs::~THappyEyeballs()
{
    Cancel();
}

int THappyEyeballs::Start(const QList<TSocketAddress>& addresses, int type, int protocol, Prepare prepare)
{
    Cancel();
    m_queue = addresses;
    m_next = 0;
    m_type = type;
    m_protocol = protocol;
    m_prepare = std::move(prepare);
    m_lastError = WSAEINVAL;
    m_tried.clear();
    if (StartNext())
        return 0;
    const int error = m_lastError;
    Cancel();
    return error;
}

void THappyEyeballs::Cancel()
{
    m_delay.stop();
    for (const Attempt& a : m_attempts) {
        // The notifier may be the sender of the slot running now.
        a.notifier->setEnabled(false);
        a.notifier->deleteLater();
        ::close(a.fd);
    }
    m_attempts.clear();
    KeepFailed(-1);
    m_queue.clear();
    m_next = 0;
}

void THappyEyeballs::SetPaused(bool paused)
{
    if (m_paused == paused)
        return;
    m_paused = paused;
    for (const Attempt& a : m_attempts)
        a.notifier->setEnabled(!paused);
    // The next address waits a whole delay again after a pause.
    if (paused)
        m_delay.stop();
    else if (m_next < m_queue.size())
        m_delay.start(m_attempts.empty() ? 0 : kAttemptDelayMs);
}

// Starts the next address that gets as far as a connect in progress;
// addresses whose connect fails at once are passed over. False when none
// is left.
bool THappyEyeballs::StartNext()
{
    while (m_next < m_queue.size()) {
        const TSocketAddress& address = m_queue[m_next++];
        m_tried << address.HostAndPort();
        const int fd = ::socket(address.Family(), m_type | SOCK_NONBLOCK | SOCK_CLOEXEC, m_protocol);
        if (fd < 0) {
            m_lastError = WSocketErrorFromErrno(errno);
            continue;
        }
        const int prepared = m_prepare ? m_prepare(fd) : 0;
        if (prepared != 0) {
            m_lastError = prepared;
            KeepFailed(fd);
            continue;
        }
        if (::connect(fd, address.Raw(), address.Length()) != 0 && errno != EINPROGRESS) {
            m_lastError = WSocketErrorFromErrno(errno);
            KeepFailed(fd);
            continue;
        }
        // Connected or not, the outcome comes as write readiness: never from
        // inside the call that started it.
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] { Ready(fd); });
        notifier->setEnabled(!m_paused);
        m_attempts.push_back({fd, notifier});
        if (m_next < m_queue.size() && !m_paused)
            m_delay.start(kAttemptDelayMs);
        return true;
    }
    return false;
}

void THappyEyeballs::Ready(int fd)
{
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
        soError = errno;
    const int error = WSocketErrorFromErrno(soError);
    if (error != 0 && error != WSAECONNRESET) {
        Failed(fd, error);
        return;
    }
    // The winner leaves the list; every other attempt is closed.
    DropAttempt(fd);
    Cancel();
    if (OnDone)
        OnDone(fd, error);  // last: the owner may start again from here
}

void THappyEyeballs::Failed(int fd, int error)
{
    m_lastError = error;
    DropAttempt(fd);
    KeepFailed(fd);
    // A failure starts the next address at once instead of after the delay.
    if (StartNext() || !m_attempts.empty())
        return;
    FinishFailed();
}

void THappyEyeballs::DelayElapsed()
{
    if (StartNext() || !m_attempts.empty())
        return;
    FinishFailed();
}

void THappyEyeballs::FinishFailed()
{
    const int fd = m_lastFailedFd;
    const int error = m_lastError;
    m_lastFailedFd = -1;
    Cancel();
    if (OnDone)
        OnDone(fd, error);  // last: the owner may start again from here
}

void THappyEyeballs::DropAttempt(int fd)
{
    for (auto it = m_attempts.begin(); it != m_attempts.end(); ++it) {
        if (it->fd == fd) {
            it->notifier->setEnabled(false);
            it->notifier->deleteLater();
            m_attempts.erase(it);
            return;
        }
    }
}

// The last failed socket stays open until the end, for the owner to report
// on; an earlier one is closed.
void THappyEyeballs::KeepFailed(int fd)
{
    if (m_lastFailedFd >= 0 && m_lastFailedFd != fd)
        ::close(m_lastFailedFd);
    m_lastFailedFd = fd;
}

} // namespace flk
