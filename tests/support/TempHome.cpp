#include "TempHome.h"

#include <QDir>
#include <QFile>

namespace flk::test {

TempHome::TempHome()
{
    const QString root = m_dir.path();
    QDir().mkpath(root + "/program");
    QDir().mkpath(root + "/home/.config");
    QDir().mkpath(root + "/run");
    QFile::setPermissions(root + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    set("FETCHLARK_HOME", root + "/program");
    set("HOME", root + "/home");
    set("XDG_CONFIG_HOME", root + "/home/.config");
    set("XDG_DATA_HOME", root + "/home/.local/share");
    set("XDG_RUNTIME_DIR", root + "/run");
}

TempHome::~TempHome()
{
    for (int i = m_saved.size() - 1; i >= 0; --i) {
        if (m_wasSet[i])
            qputenv(m_saved[i].first.constData(), m_saved[i].second);
        else
            qunsetenv(m_saved[i].first.constData());
    }
}

void TempHome::set(const char* name, const QString& value)
{
    m_saved << qMakePair(QByteArray(name), qgetenv(name));
    m_wasSet << qEnvironmentVariableIsSet(name);
    qputenv(name, value.toUtf8());
}

QString TempHome::path() const
{
    return m_dir.path() + "/program/";
}

QString TempHome::home() const
{
    return m_dir.path() + "/home/";
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace flk::test
