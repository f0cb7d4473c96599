#include "Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace flk {
namespace {

QString ConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

// One argument of an Exec line: in double quotes, with ", `, $ and \ escaped
// for the quoting, then \ doubled for the string value and % doubled for the
// field codes.
QString ExecArgument(const QString& arg)
{
    QString quoted;
    for (const QChar c : arg) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + u'"';
}

// Line breaks would end the value early; a desktop file has no other escape for them.
QString OneLine(QString text)
{
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

[[noreturn]] void Refuse(const QString& path)
{
    throw EAutostartError(QStringLiteral("Unable to write to %1").arg(path));
}

} // namespace

QString Autostart::EntryPath()
{
    return ConfigHome() + QStringLiteral("/autostart/Fetchlark.desktop");
}

QString Autostart::ProgramPath()
{
    return QCoreApplication::applicationFilePath();
}

QByteArray Autostart::EntryText(const QString& program)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Fetchlark\n"
                                        "Comment=Marrowby Fetchlark\n"
                                        "Exec=%1\n"
                                        "Icon=fetchlark\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(OneLine(ExecArgument(program)));
    return text.toUtf8();
}

void Autostart::Create(const QString& program)
{
    const QString path = EntryPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        Refuse(path);
    QSaveFile file(path);
    const QByteArray text = EntryText(program);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        Refuse(path);
}

void Autostart::Remove()
{
    const QString path = EntryPath();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return;
    if (!QFile::remove(path))
        Refuse(path);
}

bool Autostart::Exists()
{
    return QFileInfo::exists(EntryPath());
}

} // namespace flk
