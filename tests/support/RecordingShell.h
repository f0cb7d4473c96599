#pragma once
// A Shell stand-in for tests: records what would have been opened or started;
// deletes, moves and copies act on the real (temporary) files.

#include "Shell.h"

#include <QStringList>

namespace flk::test {

class RecordingShell : public DesktopShell {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };
    struct Deleted {
        QString path;
        bool toTrash;
    };

    RecordingShell();
    ~RecordingShell() override;

    bool open(const QString& target) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool deleteFile(const QString& path, bool toTrash) override;
    void showProperties(QWidget* parent, const QString& path) override;

    QStringList opened;
    QList<Started> started;
    QList<Deleted> deleted;
    QStringList properties;
};

} // namespace flk::test
