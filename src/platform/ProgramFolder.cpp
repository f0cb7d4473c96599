#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The install's folders relative to the program's, as the build's install
// rules lay them out (set by CMake from GNUInstallDirs).
#if !defined(FLK_BIN_TO_DATA) || !defined(FLK_BIN_TO_HELPER)
#error "FLK_BIN_TO_DATA and FLK_BIN_TO_HELPER come from the build (src/platform/CMakeLists.txt)"
#endif

namespace flk {

QString WithSlash(const QString& folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

ShippedFolders FindShippedFolders(const QString& executableFolder)
{
    const QDir exe(executableFolder);
    const QString data = QDir::cleanPath(exe.absoluteFilePath(QStringLiteral(FLK_BIN_TO_DATA)));
    if (QFileInfo(data).isDir())
        return {true, WithSlash(QDir::cleanPath(exe.absoluteFilePath(QStringLiteral(FLK_BIN_TO_HELPER)))),
                WithSlash(data)};
    const QString beside = WithSlash(QDir::cleanPath(exe.absolutePath()));
    return {false, beside, beside};
}

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("FETCHLARK_HOME");
    QString folder;
    if (!home.isEmpty()) {
        folder = home;
    } else {
        const QString exeDir = QCoreApplication::applicationDirPath();
        // An install's bin folder is shared by every program and every
        // user: settings never go there, even where it is writable.
        if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable() && !FindShippedFolders(exeDir).installed) {
            folder = exeDir;
        } else {
            QString data = qEnvironmentVariable("XDG_DATA_HOME");
            if (data.isEmpty())
                data = QDir::homePath() + "/.local/share";
            folder = data + "/fetchlark";
        }
    }
    QDir().mkpath(folder);
    return WithSlash(QDir(folder).absolutePath());
}

QString InstallFolder()
{
    return FindShippedFolders(QCoreApplication::applicationDirPath()).data;
}

QString HelperFolder()
{
    return FindShippedFolders(QCoreApplication::applicationDirPath()).helper;
}

} // namespace flk
