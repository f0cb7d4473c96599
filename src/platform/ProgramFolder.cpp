#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace flk {

QString WithSlash(const QString& folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("FETCHLARK_HOME");
    QString folder;
    if (!home.isEmpty()) {
        folder = home;
    } else {
        const QString exeDir = QCoreApplication::applicationDirPath();
        if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable()) {
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
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(exeDir + "/share/fetchlark"))
        return WithSlash(exeDir + "/share/fetchlark");
    if (QFileInfo::exists(exeDir + "/../share/fetchlark"))
        return WithSlash(QDir(exeDir + "/../share/fetchlark").absolutePath());
    return WithSlash(exeDir);
}

} // namespace flk
