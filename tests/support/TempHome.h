#pragma once
// A temporary program folder for one test: $FETCHLARK_HOME points at it while
// the object lives, and so do $HOME, $XDG_CONFIG_HOME and $XDG_RUNTIME_DIR
// (subfolders "home", "home/.config" and "run"), so nothing a test runs can
// touch the real user's files or reach a running Fetchlark. $XDG_DATA_HOME is
// "home/.local/share", so the Trash is the test's own.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

namespace flk::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    // The program folder, with a trailing "/".
    QString path() const;
    QString file(const QString& name) const { return path() + name; }
    // The stand-in home folder, with a trailing "/".
    QString home() const;

private:
    void set(const char* name, const QString& value);

    QTemporaryDir m_dir;
    QList<QPair<QByteArray, QByteArray>> m_saved; // variable, previous value ("" = unset)
    QList<bool> m_wasSet;
};

// Reads a whole file (empty when missing).
QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);

} // namespace flk::test
