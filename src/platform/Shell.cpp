#include "Shell.h"

#include "FileTransfer.h"
#include "Trash.h"

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
    m_lastError.clear();
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        m_lastError = QStringLiteral("No such file or directory");
        return false;
    }
    // A wish for the Trash never turns into a permanent delete.
    if (toTrash)
        return Trash::Move(path, &m_lastError);
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively() || (m_lastError = QStringLiteral("Permission denied"), false);
    QFile file(path);
    return file.remove() || (m_lastError = file.errorString(), false);
}

bool DesktopShell::moveFile(const QString& from, const QString& to, bool replace)
{
    m_lastError.clear();
    return FileTransfer::Move(from, to, replace, &m_lastError);
}

bool DesktopShell::copyFile(const QString& from, const QString& to, bool replace)
{
    m_lastError.clear();
    return FileTransfer::Copy(from, to, replace, &m_lastError);
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
