#include "RecordingShell.h"

#include <QFile>

namespace flk::test {

RecordingShell::RecordingShell()
{
    Shell::install(this);
}

RecordingShell::~RecordingShell()
{
    Shell::install(nullptr);
}

bool RecordingShell::open(const QString& target)
{
    opened << target;
    return true;
}

bool RecordingShell::startProgram(const QString& program, const QStringList& arguments)
{
    started << Started{program, arguments};
    return true;
}

bool RecordingShell::deleteFile(const QString& path, bool toTrash)
{
    deleted << Deleted{path, toTrash};
    // The user's Trash is not ours to fill in a test: both kinds remove the file.
    m_lastError.clear();
    QFile file(path);
    return file.remove() || (m_lastError = file.errorString(), false);
}

void RecordingShell::showProperties(QWidget*, const QString& path)
{
    properties << path;
}

} // namespace flk::test
