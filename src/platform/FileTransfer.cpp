#include "FileTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flk {

namespace {

using Bytes = QByteArray;

bool Fail(QString* reason, int error)
{
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(error));
    return false;
}

bool Exists(const Bytes& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// A name beside `to` that nothing else uses: ".<name>.<kind>-<pid>-<n>".
Bytes TempBeside(const Bytes& to, const char* kind = "part")
{
    static std::atomic<unsigned> counter{0};
    const qsizetype slash = to.lastIndexOf('/');
    const Bytes dir = slash < 0 ? Bytes() : to.left(slash + 1);
    const Bytes name = to.mid(slash + 1);
    for (;;) {
        const Bytes temp = dir + '.' + name.left(200) + '.' + kind + '-' + Bytes::number(::getpid()) + '-'
                           + Bytes::number(counter++);
        if (!Exists(temp))
            return temp;
    }
}

// Removes a file, link or whole folder; the first error is kept.
bool RemoveTree(const Bytes& path, int* error)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT || (*error = errno, false);
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.constData()) == 0 || (*error = errno, false);
    bool ok = true;
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                continue;
            ok = RemoveTree(path + '/' + e->d_name, error) && ok;
        }
        ::closedir(dir);
    }
    return (::rmdir(path.constData()) == 0 || (*error = errno, false)) && ok;
}

bool CopyData(int in, int out, int* error)
{
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0)
            return true;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return *error = errno, false;
        break; // the kernel cannot do it here: copy through a buffer
    }
    static thread_local char buffer[1 << 20];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return *error = errno, false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, n - done);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return *error = errno, false;
            }
            done += w;
        }
    }
}

bool CopyOne(const Bytes& from, const Bytes& to, bool durable, int* error);

bool CopyRegular(const Bytes& from, const Bytes& to, const struct stat& st, bool durable, int* error)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return *error = errno, false;
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        *error = errno;
        ::close(in);
        return false;
    }
    bool ok = CopyData(in, out, error);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && (::fchmod(out, st.st_mode & 07777) == 0 || (*error = errno, false));
    ok = ok && (::futimens(out, times) == 0 || (*error = errno, false));
    ok = ok && (!durable || ::fsync(out) == 0 || (*error = errno, false));
    ok = (::close(out) == 0 || (*error = errno, false)) && ok;
    ::close(in);
    return ok;
}

bool CopyFolder(const Bytes& from, const Bytes& to, const struct stat& st, bool durable, int* error)
{
    if (::mkdir(to.constData(), 0700) != 0)
        return *error = errno, false;
    DIR* dir = ::opendir(from.constData());
    if (!dir)
        return *error = errno, false;
    bool ok = true;
    while (const dirent* e = ok ? ::readdir(dir) : nullptr) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        ok = CopyOne(from + '/' + e->d_name, to + '/' + e->d_name, durable, error);
    }
    ::closedir(dir);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && (::chmod(to.constData(), st.st_mode & 07777) == 0 || (*error = errno, false));
    return ok && (::utimensat(AT_FDCWD, to.constData(), times, 0) == 0 || (*error = errno, false));
}

bool CopyOne(const Bytes& from, const Bytes& to, bool durable, int* error)
{
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return *error = errno, false;
    if (S_ISREG(st.st_mode))
        return CopyRegular(from, to, st, durable, error);
    if (S_ISDIR(st.st_mode))
        return CopyFolder(from, to, st, durable, error);
    if (S_ISLNK(st.st_mode)) {
        Bytes target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(from.constData(), target.data(), target.size());
        if (n < 0)
            return *error = errno, false;
        target.truncate(n);
        return ::symlink(target.constData(), to.constData()) == 0 || (*error = errno, false);
    }
    return *error = ENOTSUP, false; // devices, pipes and sockets are not carried
}

// rename() that keeps an existing target unless `replace`.
bool Rename(const Bytes& from, const Bytes& to, bool replace, int* error)
{
    if (replace)
        return ::rename(from.constData(), to.constData()) == 0 || (*error = errno, false);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return *error = errno, false;
    // A file system without the no-replace rename.
    if (Exists(to))
        return *error = EEXIST, false;
    return ::rename(from.constData(), to.constData()) == 0 || (*error = errno, false);
}

// A whole copy at a temporary name beside `to`, then put in place.
bool CopyInPlace(const Bytes& from, const Bytes& to, bool replace, bool durable, int* error)
{
    const Bytes temp = TempBeside(to);
    int ignored = 0;
    if (!CopyOne(from, temp, durable, error)) {
        RemoveTree(temp, &ignored);
        return false;
    }
    if (!Rename(temp, to, replace, error)) {
        RemoveTree(temp, &ignored);
        return false;
    }
    return true;
}

// A file moved to another file system. The file it replaces is set aside
// (renamed within its own folder) until the original is gone: when the
// original cannot be removed, the old file goes back in place of the copy,
// so a failed move leaves both folders as they were.
bool MoveFileAcross(const Bytes& src, const Bytes& dst, bool replace, int* error)
{
    const Bytes temp = TempBeside(dst);
    int ignored = 0;
    if (!CopyOne(src, temp, true, error)) {
        RemoveTree(temp, &ignored);
        return false;
    }
    Bytes aside;
    if (replace && Exists(dst)) {
        aside = TempBeside(dst, "replaced");
        if (::rename(dst.constData(), aside.constData()) != 0) {
            *error = errno;
            RemoveTree(temp, &ignored);
            return false;
        }
    }
    const auto putBack = [&] {
        return aside.isEmpty() || ::rename(aside.constData(), dst.constData()) == 0;
    };
    if (!Rename(temp, dst, false, error)) {
        RemoveTree(temp, &ignored);
        putBack();
        return false;
    }
    if (::unlink(src.constData()) != 0) {
        *error = errno;
        // The old file takes its name back in one step, over the copy (were
        // even that refused, it would stay set aside beside it, never lost).
        if (aside.isEmpty())
            ::unlink(dst.constData());
        else
            putBack();
        return false;
    }
    if (!aside.isEmpty())
        ::unlink(aside.constData());
    return true;
}

} // namespace

bool FileTransfer::Copy(const QString& from, const QString& to, bool replace, QString* reason)
{
    const Bytes src = QFile::encodeName(from), dst = QFile::encodeName(to);
    int error = 0;
    if (!Exists(src))
        return Fail(reason, ENOENT);
    if (!replace && Exists(dst))
        return Fail(reason, EEXIST);
    return CopyInPlace(src, dst, replace, false, &error) || Fail(reason, error);
}

bool FileTransfer::Move(const QString& from, const QString& to, bool replace, QString* reason)
{
    const Bytes src = QFile::encodeName(from), dst = QFile::encodeName(to);
    int error = 0;
    struct stat st;
    if (::lstat(src.constData(), &st) != 0)
        return Fail(reason, errno);
    if (Rename(src, dst, replace, &error))
        return true;
    if (error != EXDEV)
        return Fail(reason, error);
    if (!S_ISDIR(st.st_mode))
        return MoveFileAcross(src, dst, replace, &error) || Fail(reason, error);
    // A folder on another file system: copy, put in place, then remove the
    // original. Everything is at the target then; what cannot be removed
    // here stays as a second copy, and the caller hears why.
    if (!CopyInPlace(src, dst, replace, true, &error))
        return Fail(reason, error);
    if (!RemoveTree(src, &error))
        Fail(reason, error);
    return true;
}

} // namespace flk
