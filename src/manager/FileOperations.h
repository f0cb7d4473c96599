#pragma once
// The file commands of the manager: open, properties, delete, scan, files
// dropped into a folder, and a folder's files moved into another section.
// They work on the file list's directory and selection and on the current
// folder's record file; the window keeps the menus, the bar and the wiring
// and hears back through FileOperationsHost.
//
// Records follow their files, never lead them: a record is erased, carried
// or stamped only once the file operation it describes has succeeded. A
// failure names the file and the system's reason and the command goes on
// with the next file.

#include "RecordFile.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace flk {

class FileOperationsHost;
class TFolderList;

// Where a drop goes and what goes along with it.
struct DropPlan {
    QString targetDir;                        // with a trailing "/"
    bool move = false;
    bool askReplace = true;                   // the window's drop moves without questions
    QString folderEnd;                        // after the quoted path of a refused folder
    std::optional<RecordFile> targetRecords;  // records go along (drops on a folder button)
    QString sourceDir;                        // files from here carry their records...
    std::optional<RecordFile> sourceRecords;  // ...from this file
};

class TFileOperations : public QObject {
    Q_OBJECT
public:
    // Questions, failures and progress windows belong to `owner`.
    TFileOperations(QWidget* owner, TFolderList* list, FileOperationsHost* host);

    // ---- The list's selected files -----------------------------------------
    // Hands each to the desktop's program for it; the opened ones get
    // today's "opened" date in their records.
    void OpenSelected();
    // The first one's properties, in a window of its own.
    void ShowProperties();
    // Asks, then sends them to the Trash or deletes them for good.
    void ConfirmDelete(bool toTrash);
    void DeleteSelected(bool toTrash);
    // Runs the scanner on one file, or on the whole folder for two or more.
    void ScanSelected();
    // A clean scan of `names` (every record of the file when empty) is
    // dated today in `recordPath`.
    void RecordScanned(const QString& recordPath, const QStringList& names);

    // ---- Drops ----------------------------------------------------------------
    enum DropEnd { kFinished = 0, kCancelled = -1, kStopped = -2 };
    // Moves or copies `files` as `plan` says; how the work ended.
    int DropInto(const QStringList& files, DropPlan& plan);

    // ---- A folder moved into another section ------------------------------
    // Moves a folder's directory; false (and said) when it stays.
    bool MoveFolderFiles(const QString& from, const QString& to);
    // The record file of folder `name` of `fromSection` becomes that of
    // `newName` in `toSection`.
    void MoveRecordFile(const QString& fromSection, const QString& name, const QString& toSection,
                        const QString& newName);
    // A name for folder `name` arriving in `section` (at `location`) that
    // nothing of the section has yet; empty when none is found.
    static QString FreeFolderName(const QString& section, const QString& location, const QString& name);

    static bool SameDirectory(const QString& a, const QString& b);

private:
    QWidget* m_owner;
    TFolderList* m_list;
    FileOperationsHost* m_host;
};

} // namespace flk
