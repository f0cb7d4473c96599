#include "TempHome.h"

#include <QFile>

namespace flk::test {

TempHome::TempHome() : m_previous(qgetenv("FETCHLARK_HOME"))
{
    qputenv("FETCHLARK_HOME", m_dir.path().toUtf8());
}

TempHome::~TempHome()
{
    if (m_previous.isEmpty())
        qunsetenv("FETCHLARK_HOME");
    else
        qputenv("FETCHLARK_HOME", m_previous);
}

QString TempHome::path() const
{
    return m_dir.path() + '/';
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
