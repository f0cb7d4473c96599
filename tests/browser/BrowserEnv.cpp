#include "BrowserEnv.h"

#include <QDir>

namespace flk::test {

BrowserEnv::BrowserEnv()
{
    QDir().mkpath(configHome());
    QDir().mkpath(runtimeDir());
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    set("HOME", home());
    set("XDG_CONFIG_HOME", configHome());
    set("XDG_RUNTIME_DIR", runtimeDir());
}

BrowserEnv::~BrowserEnv()
{
    for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
        if (it->second.isNull())
            qunsetenv(it->first.constData());
        else
            qputenv(it->first.constData(), it->second);
    }
}

void BrowserEnv::set(const char* name, const QString& value)
{
    m_saved.append({name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
    qputenv(name, value.toUtf8());
}

} // namespace flk::test
