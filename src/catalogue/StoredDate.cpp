#include "StoredDate.h"

#include "CatalogueError.h"

#include <QLocale>
#include <QRegularExpression>

namespace flk {

QString StoredDate::Format()
{
    return QStringLiteral("d MMM yyyy");
}

QString StoredDate::SessionFormat()
{
    QString pattern = QLocale().dateFormat(QLocale::ShortFormat);
    // A run of fewer than four 'y' becomes "yyyy": the year must survive a
    // round trip whatever century it is in.
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)y{1,3}(?!y)"));
    pattern.replace(shortYear, QStringLiteral("yyyy"));
    return pattern;
}

QString StoredDate::Today()
{
    return ToText(QDate::currentDate());
}

QString StoredDate::ToText(const QDate& date)
{
    return QLocale::c().toString(date, Format());
}

QDate StoredDate::Parse(const QString& text)
{
    const QString trimmed = text.trimmed();
    QDate date = QLocale().toDate(trimmed, SessionFormat());
    if (!date.isValid())
        date = QLocale::c().toDate(trimmed, Format());
    if (!date.isValid())
        date = QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return date;
}

qint64 StoredDate::DaysBetween(const QDate& from, const QDate& to)
{
    return from.daysTo(to);
}

} // namespace flk
