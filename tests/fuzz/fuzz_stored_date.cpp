// The catalogue's date reader. The input is a stored date's text.
#include "FuzzTarget.h"

#include "CatalogueError.h"
#include "StoredDate.h"

using namespace flk;

FLK_FUZZ_TARGET(stored_date)
{
    const QString text = QString::fromUtf8(fuzz::Bytes(data, size));
    QDate date;
    try {
        date = StoredDate::Parse(text);
    } catch (const EConvertError&) {
        return 0;
    }
    FUZZ_CHECK(date.isValid());
    // A date read is written back in the stored form and reads as itself.
    FUZZ_CHECK(StoredDate::Parse(StoredDate::ToText(date)) == date);
    StoredDate::DaysBetween(date, QDate(2026, 12, 9));
    return 0;
}
