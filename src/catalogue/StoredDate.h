#pragma once
// Dates as the catalogue stores them: the (default) locale's short date format with a
// four-digit year (a two-digit year pattern is widened), so that stored text
// always parses back to the same date.

#include <QDate>
#include <QString>

namespace flk {

class StoredDate {
public:
    // The pattern in use, e.g. "M/d/yyyy" for an English (US) locale.
    static QString Format();
    // Today's date as stored text.
    static QString Today();
    static QString ToText(const QDate& date);
    // Raises EConvertError "'<text>' is not a valid date" when the text does
    // not parse.
    static QDate Parse(const QString& text);
    // Whole days from `from` to `to` (negative when `to` is earlier).
    static qint64 DaysBetween(const QDate& from, const QDate& to);
};

} // namespace flk
