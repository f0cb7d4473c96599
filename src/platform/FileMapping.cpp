#include "FileMapping.h"

#include <QCryptographicHash>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flk {

EOSError::EOSError(int code)
    : Exception(QStringLiteral("Win32 Error.  Code: %1.\n%2").arg(code).arg(Text(code))),
      m_code(code)
{
}

QString EOSError::Text(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

FileMapping::~FileMapping()
{
    close();
}

FileMapping::FileMapping(FileMapping&& other) noexcept
{
    *this = std::move(other);
}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept
{
    if (this != &other) {
        close();
        std::swap(m_fd, other.m_fd);
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_error, other.m_error);
        std::swap(m_systemName, other.m_systemName);
    }
    return *this;
}

QByteArray FileMapping::SystemName(const QString& name)
{
    QByteArray safe = name.toUtf8();
    safe.replace('/', '_');
    // The user's session shares one name space: the program and the helper
    // it serves see the same runtime folder, as they must for the endpoint.
    const QByteArray session = QCryptographicHash::hash(qgetenv("XDG_RUNTIME_DIR"), QCryptographicHash::Sha1)
                                   .toHex()
                                   .left(8);
    return "/fetchlark-" + QByteArray::number(geteuid()) + '-' + session + '-' + safe;
}

FileMapping FileMapping::Failed(int error)
{
    FileMapping m;
    m.m_error = error;
    return m;
}

FileMapping FileMapping::Map(int fd, size_t size, const QByteArray& systemName, bool owner)
{
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        const int e = errno;
        ::close(fd);
        return Failed(e);
    }
    FileMapping m;
    m.m_fd = fd;
    m.m_data = static_cast<unsigned char*>(p);
    m.m_size = size;
    if (owner)
        m.m_systemName = systemName;
    return m;
}

FileMapping FileMapping::Create(const QString& name, size_t size)
{
    const QByteArray sys = SystemName(name);
    // Another creator may hold the name; wait for it, then make sure the
    // object we locked is still the one under the name (it unlinks on close).
    for (;;) {
        const int fd = shm_open(sys.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return Failed(errno);
        struct stat st{};
        if (fstat(fd, &st) != 0 || st.st_uid != geteuid()) {
            ::close(fd);
            return Failed(EACCES);
        }
        if (flock(fd, LOCK_EX) != 0) {
            const int e = errno;
            ::close(fd);
            return Failed(e);
        }
        const int again = shm_open(sys.constData(), O_RDONLY | O_CLOEXEC, 0);
        struct stat now{};
        const bool same = again >= 0 && fstat(again, &now) == 0 && fstat(fd, &st) == 0 && now.st_ino == st.st_ino;
        if (again >= 0)
            ::close(again);
        if (!same) {
            ::close(fd);
            continue;
        }
        fchmod(fd, 0600);
        if (size_t(st.st_size) < size && ftruncate(fd, off_t(size)) != 0) {
            const int e = errno;
            ::close(fd);
            return Failed(e);
        }
        FileMapping m = Map(fd, size, sys, true);
        if (m.isValid())
            std::memset(m.m_data, 0, size);
        return m;
    }
}

FileMapping FileMapping::Open(const QString& name, size_t size)
{
    const QByteArray sys = SystemName(name);
    const int fd = shm_open(sys.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0);
    if (fd < 0)
        return Failed(errno);
    struct stat st{};
    if (fstat(fd, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
        ::close(fd);
        return Failed(EACCES);
    }
    if (size_t(st.st_size) < size) {
        ::close(fd);
        return Failed(EINVAL);
    }
    return Map(fd, size, {}, false);
}

void FileMapping::close()
{
    if (m_data)
        munmap(m_data, m_size);
    if (!m_systemName.isEmpty())
        shm_unlink(m_systemName.constData()); // before the lock goes with the descriptor
    if (m_fd >= 0)
        ::close(m_fd);
    m_data = nullptr;
    m_size = 0;
    m_fd = -1;
    m_systemName.clear();
}

} // namespace flk
