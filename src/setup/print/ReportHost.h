#pragma once
// What the report dialog needs of the manager window: the current section
// and folder, and the files its list shows. The manager window implements it
// and is found among the program's windows (ProgramWindows).

#include <QString>
#include <QStringList>

namespace flk {

class ReportHost {
public:
    virtual ~ReportHost() = default;
    // The caption of the sections bar's active page; empty when there is none.
    virtual QString ReportSection() const = 0;
    // The caption of the current folder button; empty when there is none.
    virtual QString ReportFolder() const = 0;
    // The file names (name and extension) of the file list, in list order.
    virtual QStringList ReportFiles() const = 0;
};

} // namespace flk
