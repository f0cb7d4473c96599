#include "FtpReply.h"

#include <QRegularExpression>

#include <algorithm>

namespace flk {
namespace {

// A decimal field of 1 to 3 digits, surrounded by optional blanks.
std::optional<int> Field(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 3)
        return std::nullopt;
    int value = 0;
    for (QChar c : t) {
        if (!c.isDigit())
            return std::nullopt;
        value = value * 10 + c.digitValue();
    }
    return value;
}

} // namespace

bool TFtpReply::IsContinuation(const QString& line)
{
    if (line.isEmpty() || !line.at(0).isDigit())
        return true;
    int i = 0;
    while (i < line.size() && line.at(i).isDigit())
        ++i;
    return i < line.size() && line.at(i) == u'-';
}

int TFtpReply::Code(const QString& line)
{
    int i = 0;
    while (i < line.size() && line.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < line.size() && (line.at(i) == u'-' || line.at(i) == u'+'))
        negative = line.at(i++) == u'-';
    long long value = 0;
    while (i < line.size() && line.at(i).isDigit() && value < 100000000)
        value = value * 10 + line.at(i++).digitValue();
    return int(negative ? -value : value);
}

// The six numbers h1,h2,h3,h4,p1,p2 anywhere in the text after the code:
// in parentheses as usual, or bare, as some servers send them.
std::optional<quint16> TFtpReply::PasvPort(const QString& reply)
{
    static const QRegularExpression kSix(QStringLiteral(
        "(?<!\\d)(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})(?!\\d)"));
    const QRegularExpressionMatch m = kSix.match(reply, std::min<qsizetype>(3, reply.size()));
    if (!m.hasMatch())
        return std::nullopt;
    const auto p1 = Field(m.captured(5));
    const auto p2 = Field(m.captured(6));
    if (!p1 || !p2 || *p1 > 255 || *p2 > 255 || (*p1 == 0 && *p2 == 0))
        return std::nullopt;
    return quint16(*p1 * 256 + *p2);
}

std::optional<quint16> TFtpReply::EpsvPort(const QString& reply)
{
    const qsizetype open = reply.indexOf(u'(', std::min<qsizetype>(3, reply.size()));
    if (open < 0 || open + 1 >= reply.size())
        return std::nullopt;
    const QChar d = reply.at(open + 1);
    if (d.unicode() < 33 || d.unicode() > 126 || d.isDigit())
        return std::nullopt;
    const qsizetype close = reply.indexOf(u')', open);
    if (close < 0)
        return std::nullopt;
    const QStringList fields = reply.mid(open + 1, close - open - 1).split(d);
    // "", protocol, address, port, "": the address is not used, as in 227.
    if (fields.size() != 5 || !fields[4].isEmpty())
        return std::nullopt;
    bool ok = false;
    const uint port = fields[3].toUInt(&ok);
    const bool digits = !fields[3].isEmpty() && std::all_of(fields[3].begin(), fields[3].end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !digits || port == 0 || port > 65535 || fields[3].size() > 5)
        return std::nullopt;
    return quint16(port);
}

} // namespace flk
