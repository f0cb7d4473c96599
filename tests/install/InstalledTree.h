#pragma once
// The install as `cmake --install` lays it out: the files it must hold, and
// one install of this build into a temporary prefix.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace flk::test {

// The files of an install, relative to its prefix, sorted.
QStringList ExpectedInstallFiles();
// The files under `root`, relative to it, sorted.
QStringList FilesUnder(const QString& root);

class InstalledTree {
public:
    // Installs this build under a new temporary prefix; Error() says why
    // when it failed.
    InstalledTree();
    QString Prefix() const { return m_dir.path(); }
    QString Error() const { return m_error; }
    QString File(const QString& relative) const { return Prefix() + '/' + relative; }

private:
    QTemporaryDir m_dir;
    QString m_error;
};

} // namespace flk::test
