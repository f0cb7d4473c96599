#include "FtpLocalFile.h"

#include "WSocket.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flk {
namespace {

// Cutting an empty file to zero changes nothing, yet ext4 then writes the
// whole new content out when the file is closed (its guard for files
// replaced by truncation), which a new download does not need.
bool EmptyFile(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_size == 0;
}

} // namespace

TFtpLocalFile::~TFtpLocalFile()
{
    Close();
}

bool TFtpLocalFile::Create(const QString& path, TFtpShareMode share)
{
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC, share, 0);
}

bool TFtpLocalFile::OpenAt(const QString& path, qint64 offset, TFtpShareMode share)
{
    return Open(path, O_WRONLY, share, offset);
}

bool TFtpLocalFile::Open(const QString& path, int flags, TFtpShareMode share, qint64 offset)
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
    if ((lockMode && ::flock(fd, lockMode | LOCK_NB) != 0) || (truncate && !EmptyFile(fd) && ::ftruncate(fd, 0) != 0) ||
        ::lseek(fd, offset, SEEK_SET) != offset) {
        ::close(fd);
        return false;
    }
    auto stream = std::make_unique<TFileStream>(path);
    if (!stream->Adopt(fd)) {
        ::close(fd);
        return false;
    }
    m_stream = std::move(stream);
    m_failed = false;
    return true;
}

bool TFtpLocalFile::Write(const char* data, qint64 len)
{
    if (!m_stream || m_failed)
        return false;
    if (m_stream->write(data, len) != len || m_stream->WriteFailed())
        m_failed = true;
    return !m_failed;
}

qint64 TFtpLocalFile::ReceiveFrom(TWSocket& socket, qint64 max)
{
    if (!m_stream || m_failed)
        return TWSocket::kFileWriteFailed;
    const qint64 n = m_stream->ReceiveFrom(socket, max);
    if (n == TWSocket::kFileWriteFailed)
        m_failed = true;
    return n;
}

bool TFtpLocalFile::Flush()
{
    if (m_stream && !m_failed && !m_stream->flush())
        m_failed = true;
    return !m_failed;
}

bool TFtpLocalFile::Close()
{
    if (!m_stream)
        return true;
    const bool ok = Flush();
    m_stream->close();
    m_stream.reset();
    return ok;
}

qint64 TFtpLocalFile::SizeOf(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return st.st_size;
}

} // namespace flk
