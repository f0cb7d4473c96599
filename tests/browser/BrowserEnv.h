#pragma once
// A test's private world: program folder, home, configuration and runtime
// folders all under one temporary folder, restored when the object goes.
// Nothing a test registers ever reaches the real home.

#include "TempHome.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

namespace flk::test {

class BrowserEnv {
public:
    BrowserEnv();
    ~BrowserEnv();

    QString programFolder() const { return m_program.path(); }
    QString home() const { return m_dir.path() + "/home"; }
    QString configHome() const { return home() + "/.config"; }
    QString runtimeDir() const { return m_dir.path() + "/run"; }
    QString scratch(const QString& name) const { return m_dir.path() + "/" + name; }

private:
    void set(const char* name, const QString& value);

    QTemporaryDir m_dir;
    TempHome m_program;
    QList<QPair<QByteArray, QByteArray>> m_saved;
};

} // namespace flk::test
