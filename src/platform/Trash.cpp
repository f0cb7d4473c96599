#include "Trash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flk {

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool Fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

// The device of `path`, or of its nearest existing parent.
dev_t DeviceOf(QString path)
{
    struct stat st;
    while (::stat(Native(path).constData(), &st) != 0) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return 0;
        path = parent;
    }
    return st.st_dev;
}

// The top directory of the file system that holds `dir` (an existing,
// absolute directory): the last parent on the same device.
QString TopDirectory(const QString& dir)
{
    struct stat st;
    if (::stat(Native(dir).constData(), &st) != 0)
        return {};
    const dev_t device = st.st_dev;
    QString top = dir;
    while (top != QLatin1String("/")) {
        const QString parent = QFileInfo(top).path();
        if (::stat(Native(parent).constData(), &st) != 0 || st.st_dev != device)
            break;
        top = parent;
    }
    return top;
}

// A directory of ours with mode 0700: created when missing; an existing one
// must be a real directory (not a link) owned by us.
bool OwnDirectory(const QString& path)
{
    struct stat st;
    if (::lstat(Native(path).constData(), &st) != 0) {
        if (errno != ENOENT || ::mkdir(Native(path).constData(), 0700) != 0)
            return false;
        return ::lstat(Native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool TrashDirectories(const QString& trash)
{
    return OwnDirectory(trash) && OwnDirectory(trash + QLatin1String("/files"))
           && OwnDirectory(trash + QLatin1String("/info"));
}

// "name", "name.2", "name.3"... with the number before the extension
// ("report.2.pdf"), as file managers name a second file of one name.
QString Numbered(const QString& name, int n)
{
    if (n == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return name + QLatin1Char('.') + QString::number(n);
    return name.left(dot) + QLatin1Char('.') + QString::number(n) + name.mid(dot);
}

// Creates info/<name>.trashinfo exclusively, so that two programs trashing
// files of one name at once never take the same entry. Returns the entry's
// name (without ".trashinfo"), empty on failure.
QString WriteInfo(const QString& trash, const QString& name, const QByteArray& pathText, QString* reason)
{
    const QByteArray info = "[Trash Info]\nPath=" + pathText + "\nDeletionDate="
                            + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1()
                            + "\n";
    for (int n = 1; n < 10000; ++n) {
        const QString entry = Numbered(name, n);
        if (QFileInfo::exists(trash + QLatin1String("/files/") + entry)
            || QFileInfo(trash + QLatin1String("/files/") + entry).isSymLink())
            continue;
        const QByteArray file = Native(trash + QLatin1String("/info/") + entry + QLatin1String(".trashinfo"));
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            Fail(reason, ErrnoText(errno));
            return {};
        }
        const bool written = ::write(fd, info.constData(), info.size()) == info.size();
        const int writeError = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(file.constData());
            Fail(reason, ErrnoText(written ? errno : writeError));
            return {};
        }
        return entry;
    }
    Fail(reason, QStringLiteral("the Trash holds too many files of this name"));
    return {};
}

} // namespace

QString Trash::HomeTrash()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QLatin1String("/.local/share");
    return QDir::cleanPath(data + QLatin1String("/Trash"));
}

QString Trash::TrashFor(const QString& path, QString* reason)
{
    const QString dir = QFileInfo(path).absolutePath();
    const QString home = HomeTrash();
    const dev_t device = DeviceOf(dir);
    if (device != 0 && device == DeviceOf(home)) {
        if (!QDir().mkpath(QFileInfo(home).path()) || !TrashDirectories(home)) {
            Fail(reason, QStringLiteral("the Trash folder %1 cannot be used").arg(home));
            return {};
        }
        return home;
    }
    const QString top = TopDirectory(dir);
    const QString uid = QString::number(::getuid());
    if (!top.isEmpty()) {
        // A shared .Trash counts only when it is a sticky directory, not a link.
        const QString shared = (top == QLatin1String("/") ? QString() : top) + QLatin1String("/.Trash");
        struct stat st;
        if (::lstat(Native(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)
            && TrashDirectories(shared + QLatin1Char('/') + uid))
            return shared + QLatin1Char('/') + uid;
        const QString own = (top == QLatin1String("/") ? QString() : top) + QLatin1String("/.Trash-") + uid;
        if (TrashDirectories(own))
            return own;
    }
    Fail(reason, QStringLiteral("its disk has no Trash that can be used"));
    return {};
}

bool Trash::Move(const QString& path, QString* reason)
{
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return Fail(reason, ErrnoText(ENOENT));
    const QString absolute = QDir::cleanPath(file.absoluteFilePath());
    const QString trash = TrashFor(absolute, reason);
    if (trash.isEmpty())
        return false;

    // The home trash keeps absolute paths; a volume's trash keeps them
    // relative to the volume's top directory, so the volume may be mounted
    // elsewhere later.
    QString kept = absolute;
    if (trash != HomeTrash()) {
        const QString top = TopDirectory(QFileInfo(absolute).path());
        kept = QDir(top).relativeFilePath(absolute);
    }
    const QByteArray pathText = QUrl::toPercentEncoding(kept, "/");

    const QString entry = WriteInfo(trash, file.fileName(), pathText, reason);
    if (entry.isEmpty())
        return false;
    const QString infoFile = trash + QLatin1String("/info/") + entry + QLatin1String(".trashinfo");
    if (::rename(Native(absolute).constData(), Native(trash + QLatin1String("/files/") + entry).constData()) != 0) {
        const int error = errno;
        QFile::remove(infoFile);
        return Fail(reason, ErrnoText(error));
    }
    return true;
}

} // namespace flk
