#pragma once
// Dates as the catalogue stores them. New dates are written in one form
// whatever the session's language, the C locale's "d MMM yyyy" ("9 Dec 2026"),
// so a catalogue moves between sessions and languages intact. Reading also
// takes the session's own short date with a four-digit year (the form older
// files hold) and ISO "yyyy-MM-dd".

#include <QDate>
#include <QString>

namespace flk {

class StoredDate {
public:
    // The pattern new dates are written in (read with the C locale).
    static QString Format();
    // The session's short date pattern with the year widened to four digits,
    // e.g. "M/d/yyyy" for English (US): the form older files hold.
    static QString SessionFormat();
    // Today's date as stored text.
    static QString Today();
    static QString ToText(const QDate& date);
    // Tries the session's form, then the written form, then ISO. Raises
    // EConvertError "'<text>' is not a valid date" when none parses.
    static QDate Parse(const QString& text);
    // Whole days from `from` to `to` (negative when `to` is earlier).
    static qint64 DaysBetween(const QDate& from, const QDate& to);
};

} // namespace flk
