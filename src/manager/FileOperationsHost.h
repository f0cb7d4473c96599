#pragma once
// What the file operations need of the window they work for: which record
// file the current folder keeps, and how the window shows what they did.

#include <QString>
#include <QStringList>

namespace flk {

class FileOperationsHost {
public:
    virtual ~FileOperationsHost() = default;
    // The current folder's record file; empty for the files of a section
    // without folders (they have no records).
    virtual QString CurrentRecordFile() const = 0;
    // Files left the list: the window selects and shows what is left.
    virtual void AfterDelete() = 0;
    // A clean scan dated the records of `names` in `recordFile` with `date`.
    virtual void ScanRecorded(const QString& recordFile, const QStringList& names, const QString& date) = 0;
};

} // namespace flk
