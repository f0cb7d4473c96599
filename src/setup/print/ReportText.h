#pragma once
// The text of a folder report: a header line naming the ticked columns, an
// empty line, then one line per listed file built from its download record.
// Columns are padded to the longest file name (W1) and the longest stored
// source (W2); dates get twelve places; the description is last and never
// padded. A value the record lacks is written as ten hyphens.
//
// Widths count characters as a reader sees them (grapheme clusters), so
// accented and other non-ASCII names keep the columns aligned.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace flk {

class RecordFile;

// The ticked columns, in the report's fixed order.
struct ReportColumns {
    bool fileName = true;
    bool source = true;
    bool dateDownloaded = true;
    bool dateOpened = false;
    bool virusChecked = false;
    bool description = true;
};

// One listed file: its name and the stored values of its record (nullopt
// where the record has no such key, or there is no record).
struct ReportRow {
    QString name;
    std::optional<QString> source;
    std::optional<QString> dateDownloaded;
    std::optional<QString> dateOpened;
    std::optional<QString> dateScanned;
    std::optional<QString> description;
};

inline constexpr auto kMissingValue = "----------";

// The report's lines: header, empty line, one line per row in order.
QStringList ReportLines(const ReportColumns& columns, const QList<ReportRow>& rows);

// The rows of `fileNames`, in that order, from the folder's record file.
QList<ReportRow> ReadReportRows(RecordFile& records, const QStringList& fileNames);

// The length of `text` as it reads: its grapheme clusters.
int DisplayLength(const QString& text);

} // namespace flk
