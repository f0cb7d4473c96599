#pragma once
// One reading of a directory for the file list: its files (hidden ones
// too, no sub-folders), each with its size, time and type, in the list's
// order (by name, as people sort: case aside, numbers by value). Read on a
// worker thread, so the window never waits on the disk; a reading that a
// newer one makes useless can stop early.

#include <QHash>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

namespace flk {

class TDirectoryListing {
public:
    // A kind of file: one per MIME type, shared by every file of that type.
    struct FileType {
        QString text;        // the Type column: the type's description
        QString iconName;    // icon theme names, tried in this order
        QString genericIconName;
    };
    struct File {
        QString name;
        qint64 size = 0;
        qint64 modifiedMs = 0; // since the epoch, UTC
        std::shared_ptr<const FileType> type;
        int nameRank = 0; // place in the reading's name order
    };

    // Reads `directory` (a path without a trailing "/"). Stops early,
    // leaving `stopped` set, once `wanted` no longer equals `generation`.
    static TDirectoryListing Read(const QString& directory, const std::atomic<int>& wanted, int generation);

    QString directory;
    bool readable = false; // the directory exists and could be listed
    bool stopped = false;
    std::vector<File> files;
    QHash<QString, int> rows; // each file's place in `files`
};

} // namespace flk
