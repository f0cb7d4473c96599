#include "FtpLocalFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flk {

TFtpLocalFile::~TFtpLocalFile()
{
    Close();
}

bool TFtpLocalFile::Create(const QString& path, TFtpShareMode share)
{
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC, share);
}

bool TFtpLocalFile::OpenAt(const QString& path, qint64 offset, TFtpShareMode share)
{
    if (!Open(path, O_WRONLY, share))
        return false;
    if (::lseek(m_fd, offset, SEEK_SET) != offset) {
        Close();
        return false;
    }
    return true;
}

bool TFtpLocalFile::Open(const QString& path, int flags, TFtpShareMode share)
{
    Close();
    if (path.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(path);
    int lockMode = 0;
    if (share == ftpShareExclusive || share == ftpShareDenyRead)
        lockMode = LOCK_EX;
    else if (share == ftpShareDenyWrite)
        lockMode = LOCK_SH;
    // Truncating must wait until the lock is ours, or a refused open would
    // still destroy another holder's file.
    const bool truncate = flags & O_TRUNC;
    int fd = ::open(name.constData(), (flags & ~O_TRUNC) | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if ((lockMode && ::flock(fd, lockMode | LOCK_NB) != 0) || (truncate && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_fill = 0;
    m_failed = false;
    if (!m_buffer)
        m_buffer.reset(new char[kBufferSize]);
    return true;
}

bool TFtpLocalFile::Write(const char* data, qint64 len)
{
    if (m_fd < 0 || m_failed)
        return false;
    while (len > 0) {
        if (m_fill == kBufferSize && !Flush())
            return false;
        const qint64 n = qMin(len, kBufferSize - m_fill);
        std::memcpy(m_buffer.get() + m_fill, data, size_t(n));
        m_fill += n;
        data += n;
        len -= n;
    }
    return true;
}

bool TFtpLocalFile::Flush()
{
    if (m_fd < 0 || m_failed)
        return !m_failed;
    qint64 done = 0;
    while (done < m_fill) {
        const ssize_t n = ::write(m_fd, m_buffer.get() + done, size_t(m_fill - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failed = true;
            return false;
        }
        done += n;
    }
    m_fill = 0;
    return true;
}

bool TFtpLocalFile::Close()
{
    if (m_fd < 0)
        return true;
    const bool ok = Flush();
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    m_fill = 0;
    return ok && closed;
}

qint64 TFtpLocalFile::SizeOf(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return st.st_size;
}

} // namespace flk
