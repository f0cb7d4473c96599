#include "SafeName.h"

#include <QByteArray>
#include <QList>

namespace flk {
namespace {

bool Dropped(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return true;
    // Bidirectional embeddings, overrides and isolates; and the byte order
    // mark, invisible, which QString::fromUcs4 takes off the front of a name
    // after the rules here have looked at it ("\uFEFF.." came out as "..").
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F
           || c == 0xFEFF;
}

int Utf8Bytes(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

int Utf8Size(const QList<char32_t>& chars, qsizetype from, qsizetype to)
{
    int n = 0;
    for (qsizetype i = from; i < to; ++i)
        n += Utf8Bytes(chars[i]);
    return n;
}

QString FromChars(const QList<char32_t>& chars, qsizetype from, qsizetype to)
{
    return QString::fromUcs4(chars.constData() + from, to - from);
}

} // namespace

QString SafeName::Of(const QString& name, int maxBytes)
{
    const qsizetype cut = qMax(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    QList<char32_t> chars;
    for (const uint u : name.mid(cut + 1).toUcs4())
        if (const char32_t c = u; !Dropped(c))
            chars.append(c);

    const auto isBlank = [](char32_t c) { return c == U' ' || c == 0xA0 || c == 0x3000; };
    qsizetype begin = 0;
    qsizetype end = chars.size();
    for (bool again = true; again;) {
        again = false;
        while (begin < end && (isBlank(chars[begin]) || chars[begin] == U'.' || chars[begin] == U'-'))
            ++begin, again = true;
        while (end > begin && isBlank(chars[end - 1]))
            --end, again = true;
        if (end - begin >= 2 && (chars[begin] == U'"' || chars[begin] == U'\'') && chars[end - 1] == chars[begin])
            ++begin, --end, again = true;
    }
    if (begin >= end)
        return {};
    if (Utf8Size(chars, begin, end) <= maxBytes)
        return FromChars(chars, begin, end);

    // Too long: keep the extension whole when it is a short one, and cut
    // the stem so that both fit.
    qsizetype dot = -1;
    for (qsizetype i = end - 1; i > begin; --i)
        if (chars[i] == U'.') {
            dot = i;
            break;
        }
    const int extBytes = dot < 0 ? 0 : Utf8Size(chars, dot, end);
    if (dot < 0 || extBytes > 32 || extBytes >= maxBytes)
        dot = end;
    const int room = maxBytes - Utf8Size(chars, dot, end);
    qsizetype stemEnd = begin;
    for (int used = 0; stemEnd < dot && used + Utf8Bytes(chars[stemEnd]) <= room; ++stemEnd)
        used += Utf8Bytes(chars[stemEnd]);
    while (stemEnd > begin && isBlank(chars[stemEnd - 1]))
        --stemEnd;
    if (stemEnd == begin)
        return {};
    // The cut can leave a quote at the end that pairs with one at the front:
    // the rules once more, so a safe name stays as it is when made safe again.
    return Of(FromChars(chars, begin, stemEnd) + FromChars(chars, dot, end), maxBytes);
}

QString SafeName::FromEncoded(const QString& segment, int maxBytes)
{
    // Only the escapes are decoded; a "%" not followed by two hex digits
    // stays as it is.
    QByteArray bytes;
    const QByteArray raw = segment.toUtf8();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        if (raw[i] == '%' && i + 2 < raw.size() && hex(raw[i + 1]) >= 0 && hex(raw[i + 2]) >= 0) {
            bytes += char(hex(raw[i + 1]) * 16 + hex(raw[i + 2]));
            i += 2;
        } else {
            bytes += raw[i];
        }
    }
    return Of(QString::fromUtf8(bytes), maxBytes);
}

} // namespace flk
