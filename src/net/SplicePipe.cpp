#include "SplicePipe.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace flk {

TSplicePipe::~TSplicePipe()
{
    Reset();
}

bool TSplicePipe::Open()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_read = fds[0];
    m_write = fds[1];
    // Larger than the default 64 KiB so one pass moves a good share of the
    // socket's buffer; the default still works when the system refuses.
    ::fcntl(m_write, F_SETPIPE_SZ, static_cast<int>(kCapacity));
    m_held = 0;
    return true;
}

void TSplicePipe::Reset()
{
    if (m_read >= 0)
        ::close(m_read);
    if (m_write >= 0)
        ::close(m_write);
    m_read = m_write = -1;
    m_held = 0;
}

qint64 TSplicePipe::FillFrom(int socket, qint64 max)
{
    if (m_read < 0 && !Open()) {
        m_usable = false; // out of descriptors: this socket copies instead
        return -1;
    }
    const size_t want = static_cast<size_t>(std::min(max, kCapacity - m_held));
    for (;;) {
        const ssize_t n = ::splice(socket, nullptr, m_write, nullptr, want, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EINVAL || errno == ENOSYS))
            m_usable = false;
        if (n > 0)
            m_held += n;
        return n;
    }
}

bool TSplicePipe::DrainTo(int fd)
{
    while (m_held > 0) {
        const ssize_t n = ::splice(m_read, nullptr, fd, nullptr, static_cast<size_t>(m_held), SPLICE_F_MOVE);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EINVAL)
            return CopyOut(fd); // a file opened for appending, or one splice cannot write to
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        m_held -= n;
    }
    return true;
}

bool TSplicePipe::CopyOut(int fd)
{
    char block[64 << 10];
    while (m_held > 0) {
        const ssize_t got = ::read(m_read, block, static_cast<size_t>(std::min<qint64>(m_held, sizeof block)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        if (!WriteAll(fd, block, got))
            return false;
        m_held -= got;
    }
    return true;
}

bool TSplicePipe::WriteAll(int fd, const char* data, qint64 len)
{
    for (qint64 done = 0; done < len;) {
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(len - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace flk
