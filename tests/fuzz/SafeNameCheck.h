#pragma once
// What SafeName promises of every name it returns, checked on each result of
// the safe_name and content_disposition targets.
#include "FuzzTarget.h"
#include "SafeName.h"

#include <QList>

namespace flk::fuzz {

inline bool NotInName(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == U'/' || c == U'\\')
        return true;
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F
           || c == 0xFEFF;
}

inline bool Blank(QChar c)
{
    return c == u' ' || c.unicode() == 0xA0 || c.unicode() == 0x3000;
}

inline void CheckSafeName(const QString& name, int maxBytes)
{
    if (name.isEmpty())
        return;
    // Written as UTF-8 and read back as itself: no half of a surrogate pair.
    const QByteArray utf8 = name.toUtf8();
    FUZZ_CHECK(QString::fromUtf8(utf8) == name);
    FUZZ_CHECK(utf8.size() <= maxBytes);
    for (const char32_t c : name.toUcs4())
        FUZZ_CHECK(!NotInName(c));
    // Never ".", "..", a hidden file or an option; no blank at either end.
    FUZZ_CHECK(name.front() != u'.' && name.front() != u'-');
    FUZZ_CHECK(!Blank(name.front()) && !Blank(name.back()));
    // A safe name stays as it is when it is made safe again (the download
    // dialog passes the server's name through once more).
    FUZZ_CHECK(SafeName::Of(name, maxBytes) == name);
}

} // namespace flk::fuzz
