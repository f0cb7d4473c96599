#include "Notes.h"

namespace flk {

namespace {

// The letter y with diaeresis is the separator's own character: inside a
// line it is kept as y followed by the combining diaeresis (the same letter
// to a reader), so that it never reads back as a line break.
QString KeepLetter(QString line)
{
    return line.replace(QChar(Notes::kSeparator), QStringLiteral("y\u0308"));
}

} // namespace

QString Notes::Encode(const QStringList& lines)
{
    QStringList kept;
    kept.reserve(lines.size());
    for (const QString& line : lines)
        kept << KeepLetter(line);
    return kept.join(QChar(kSeparator));
}

QString Notes::EncodeText(const QString& text)
{
    // A carriage return and the character after it (its line feed) make one
    // break; a bare line feed counts as a break too.
    QString result;
    result.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            result += QChar(kSeparator);
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            result += QChar(kSeparator);
        } else if (c == QChar(kSeparator)) {
            result += KeepLetter(QString(c));
        } else {
            result += c;
        }
    }
    return result;
}

QStringList Notes::Decode(const QString& stored)
{
    QStringList lines = stored.split(QChar(kSeparator));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace flk
