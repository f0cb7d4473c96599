#include "BookmarkFile.h"

#include "BookmarkTree.h"

#include <QFile>
#include <QStringView>
#include <vector>

namespace flk {

bool TBookmarkFile::Parse(const QString& path, BookmarkTree& tree, int parent, const QString& caption)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    ParseText(QString::fromUtf8(bytes), tree, tree.AddFolder(parent, caption));
    return true;
}

void TBookmarkFile::ParseText(const QString& text, BookmarkTree& tree, int parent)
{
    // The open levels, innermost last; the file's own level ends at its
    // "</DL" and with it the parse.
    std::vector<int> levels{parent};
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        QString line = text.mid(start, end - start);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        start = end + 1;
        if (!ParseLine(line, tree, levels))
            return;
    }
}

bool TBookmarkFile::ParseLine(const QString& line, BookmarkTree& tree, std::vector<int>& levels)
{
    const qsizetype h3 = line.indexOf(QLatin1String("<H3"));
    if (h3 >= 0) {
        const QString rest = line.mid(h3 + 2);
        if (rest.contains(QLatin1Char('>')))
            levels.push_back(tree.AddFolder(levels.back(), BookmarkTree::Shorten(Decode(Between(rest)))));
        return true;
    }
    if (line.contains(QLatin1String("</DL"))) {
        levels.pop_back();
        return !levels.empty();
    }
    if (line.contains(QLatin1String("<HR"))) {
        tree.AddSeparator(levels.back());
        return true;
    }
    const qsizetype href = line.indexOf(QLatin1String("HREF"));
    if (line.contains(QLatin1String("<A ")) && href >= 0) {
        QString rest;
        const QString url = Address(line.mid(href + 4), rest);
        if (rest.contains(QLatin1Char('>')))
            tree.AddLink(levels.back(), BookmarkTree::Shorten(Decode(Between(rest))), Decode(url));
    }
    return true;
}

QString TBookmarkFile::Address(const QString& afterHref, QString& rest)
{
    qsizetype i = 0;
    QChar quote = QLatin1Char(' ');
    while (i < afterHref.size()) {
        const QChar c = afterHref.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\''))
            quote = c;
        else if (c != QLatin1Char(' ') && c != QLatin1Char('='))
            break;
        ++i;
    }
    rest = afterHref.mid(i);
    // Up to the first blank, ">" or the opening quote; when none comes
    // before the last character, all but the last character.
    qsizetype j = 0;
    while (j < rest.size() - 1) {
        const QChar c = rest.at(j);
        if (c == QLatin1Char(' ') || c == QLatin1Char('>') || c == quote)
            break;
        ++j;
    }
    return rest.left(j);
}

QString TBookmarkFile::Between(const QString& text)
{
    const qsizetype open = text.indexOf(QLatin1Char('>'));
    const qsizetype close = text.indexOf(QLatin1Char('<'));
    if (close <= open)
        return QString();
    return text.mid(open + 1, close - open - 1);
}

// Exporting browsers escape "&", "<", ">" and quotes; an address with
// "&amp;" in it is not the address the user bookmarked.
QString TBookmarkFile::Decode(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const struct {
        const char* entity;
        char ch;
    } named[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) != QLatin1Char('&')) {
            out += text.at(i++);
            continue;
        }
        const QStringView tail = QStringView(text).mid(i);
        bool done = false;
        for (const auto& n : named)
            if (tail.startsWith(QLatin1String(n.entity))) {
                out += QLatin1Char(n.ch);
                i += qsizetype(qstrlen(n.entity));
                done = true;
                break;
            }
        if (!done && tail.startsWith(QLatin1String("&#"))) {
            const qsizetype semi = tail.indexOf(QLatin1Char(';'));
            if (semi > 2 && semi < 10) {
                QStringView digits = tail.mid(2, semi - 2);
                bool ok = false;
                const uint code = digits.startsWith(QLatin1Char('x'), Qt::CaseInsensitive)
                    ? digits.mid(1).toUInt(&ok, 16)
                    : digits.toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code < 0xE000)) {
                    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                    i += semi + 1;
                    done = true;
                }
            }
        }
        if (!done)
            out += text.at(i++);
    }
    return out;
}

} // namespace flk
