#pragma once
// A file or directory that cannot be changed while the object lives, root
// included: the immutable attribute where the file system has it (root),
// else a directory without write permission (any other user locks the
// directory of a file instead). `locked()` says whether it worked, and
// `fileOnly()` whether only that file is locked.

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flk::test {

class LockedPath {
public:
    explicit LockedPath(const QString& path)
    {
        if (::geteuid() == 0) {
            m_path = QFile::encodeName(path);
            m_locked = SetImmutable(true);
            m_fileOnly = m_locked && !QFileInfo(path).isDir();
            return;
        }
        m_path = QFile::encodeName(QFileInfo(path).isDir() ? path : QFileInfo(path).absolutePath());
        m_locked = ::chmod(m_path.constData(), 0555) == 0;
    }
    ~LockedPath() { unlock(); }
    LockedPath(const LockedPath&) = delete;
    LockedPath& operator=(const LockedPath&) = delete;

    bool locked() const { return m_locked; }
    bool fileOnly() const { return m_fileOnly; }
    void unlock()
    {
        if (!m_locked)
            return;
        m_locked = false;
        if (::geteuid() == 0)
            SetImmutable(false);
        else
            ::chmod(m_path.constData(), 0755);
    }

private:
    bool SetImmutable(bool on)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
        int flags = 0;
        bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
        return ok;
    }

    QByteArray m_path;
    bool m_locked = false;
    bool m_fileOnly = false;
};

} // namespace flk::test
