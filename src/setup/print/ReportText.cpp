#include "ReportText.h"

#include "RecordFile.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace flk {

namespace {

QString Spaces(int count)
{
    return QString(std::max(0, count), QChar(' '));
}

QString Written(const std::optional<QString>& value)
{
    return value ? *value : QString::fromLatin1(kMissingValue);
}

// The data columns after the file name, in order: whether ticked, the
// value, and the place the column takes before the next one.
struct Cell {
    bool shown;
    QString text;
    int width; // the column's width; the next column starts after it
};

QString JoinCells(const QList<Cell>& cells)
{
    QString line;
    bool first = true;
    int pad = 0;
    for (const Cell& c : cells) {
        if (!c.shown)
            continue;
        if (!first)
            line += Spaces(pad);
        line += c.text;
        pad = c.width - DisplayLength(c.text);
        first = false;
    }
    return line;
}

} // namespace

int DisplayLength(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QStringList ReportLines(const ReportColumns& columns, const QList<ReportRow>& rows)
{
    int w1 = 0;
    int w2 = 0;
    for (const ReportRow& r : rows) {
        w1 = std::max(w1, DisplayLength(r.name));
        w2 = std::max(w2, DisplayLength(r.source.value_or(QString())));
    }

    QString header;
    if (columns.fileName)
        header += QStringLiteral("FILENAME  ") + Spaces(w1 - 8);
    if (columns.source)
        header += QStringLiteral("SOURCE") + Spaces(w2 - 4);
    if (columns.dateDownloaded)
        header += QStringLiteral("DOWNLOADED  ");
    if (columns.dateOpened)
        header += QStringLiteral("OPENED      ");
    if (columns.virusChecked)
        header += QStringLiteral("SCANNED     ");
    if (columns.description)
        header += QStringLiteral("DESCRIPTION");

    QStringList lines{header, QString()};
    for (const ReportRow& r : rows) {
        lines << JoinCells({
            {columns.fileName, r.name, w1 + 2},
            {columns.source, Written(r.source), w2 + 2},
            {columns.dateDownloaded, Written(r.dateDownloaded), 12},
            {columns.dateOpened, Written(r.dateOpened), 12},
            {columns.virusChecked, Written(r.dateScanned), 12},
            {columns.description, Written(r.description), 0},
        });
    }
    return lines;
}

QList<ReportRow> ReadReportRows(RecordFile& records, const QStringList& fileNames)
{
    records.beginReadRun();
    auto value = [&records](const QString& record, const char* key) -> std::optional<QString> {
        const QString k = QString::fromLatin1(key);
        if (!records.valueExists(record, k))
            return std::nullopt;
        return records.readString(record, k, QString());
    };
    QList<ReportRow> rows;
    rows.reserve(fileNames.size());
    for (const QString& name : fileNames) {
        rows << ReportRow{name,
                          value(name, RecordKey::Source),
                          value(name, RecordKey::DateDownloaded),
                          value(name, RecordKey::LastOpened),
                          value(name, RecordKey::LastScanned),
                          value(name, RecordKey::Desc)};
    }
    records.endReadRun();
    return rows;
}

} // namespace flk
