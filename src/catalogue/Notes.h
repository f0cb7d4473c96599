#pragma once
// Multi-line notes kept in one INI value: each line break becomes the
// separator character 0xFF (QChar(0xFF) in a QString; Profile stores it as
// the single byte 0xFF).

#include <QString>
#include <QStringList>

namespace flk {

class Notes {
public:
    static constexpr char16_t kSeparator = 0xFF;

    // Memo lines -> stored value: the lines joined by the separator. A "ÿ"
    // inside a line is stored as "y" + U+0308 (canonically the same letter).
    static QString Encode(const QStringList& lines);
    // Memo text with CR LF (or bare LF) line breaks -> stored value.
    static QString EncodeText(const QString& text);
    // Stored value -> lines; a trailing empty piece after the last separator
    // is not a line. Reading an absent value with the default
    // "Click here to edit" therefore yields that single line.
    static QStringList Decode(const QString& stored);
};

} // namespace flk
