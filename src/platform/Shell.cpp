#include "Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace flk {
namespace {
DesktopShell g_desktop;
Shell* g_installed = nullptr;

QUrl targetUrl(const QString& target)
{
    if (QFileInfo::exists(target) || target.startsWith('/'))
        return QUrl::fromLocalFile(target);
    QUrl url(target);
    return url.scheme().isEmpty() ? QUrl::fromLocalFile(target) : url;
}
} // namespace

Shell& Shell::instance()
{
    return g_installed ? *g_installed : g_desktop;
}

void Shell::install(Shell* s)
{
    g_installed = s;
}

bool DesktopShell::open(const QString& target)
{
    return QDesktopServices::openUrl(targetUrl(target));
}

bool DesktopShell::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool DesktopShell::deleteFile(const QString& path, bool toTrash)
{
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return false;
    if (toTrash && QFile::moveToTrash(path))
        return true;
    if (toTrash)
        return false; // never turn a wish for the Trash into a permanent delete
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

bool DesktopShell::moveFile(const QString& from, const QString& to)
{
    if (QFile::rename(from, to))
        return true;
    // Across file systems: copy, then remove the original only once the copy exists.
    return QFile::copy(from, to) && QFile::remove(from);
}

bool DesktopShell::copyFile(const QString& from, const QString& to)
{
    return QFile::copy(from, to);
}

void DesktopShell::showProperties(QWidget*, const QString& path)
{
    // Desktops show a file's properties through its folder; open that.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

QStringList SplitCommandLine(const QString& commandLine)
{
    return QProcess::splitCommand(commandLine);
}

} // namespace flk
