#pragma once
// A temporary program folder for one test: $FETCHLARK_HOME points at it
// while the object lives.

#include <QString>
#include <QTemporaryDir>

namespace flk::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    // The folder, with a trailing "/".
    QString path() const;
    QString file(const QString& name) const { return path() + name; }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

// Reads a whole file (empty when missing).
QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);

} // namespace flk::test
