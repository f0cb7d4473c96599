#include "ContentDisposition.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringDecoder>

namespace flk {
namespace {

using Param = QPair<QString, QString>; // name lower-cased, value unquoted

QList<Param> Parameters(const QString& value)
{
    QList<Param> params;
    qsizetype i = value.indexOf(u';'); // the disposition type comes first
    while (i >= 0 && i < value.size()) {
        ++i; // past ';'
        const qsizetype eq = value.indexOf(u'=', i);
        const qsizetype semi = value.indexOf(u';', i);
        if (eq < 0)
            break;
        if (semi >= 0 && semi < eq) {
            i = semi;
            continue;
        }
        const QString name = value.mid(i, eq - i).trimmed().toLower();
        qsizetype j = eq + 1;
        while (j < value.size() && value[j].isSpace())
            ++j;
        QString v;
        if (j < value.size() && value[j] == u'"') {
            for (++j; j < value.size() && value[j] != u'"'; ++j) {
                if (value[j] == u'\\' && j + 1 < value.size())
                    ++j;
                v += value[j];
            }
            i = value.indexOf(u';', j);
        } else {
            const qsizetype end = value.indexOf(u';', j);
            v = value.mid(j, end < 0 ? -1 : end - j).trimmed();
            i = end;
        }
        params.append({name, v});
    }
    return params;
}

// charset'language'%XX...; empty when the charset is not one we read.
QString Extended(const QString& v)
{
    const qsizetype q1 = v.indexOf(u'\'');
    const qsizetype q2 = q1 < 0 ? -1 : v.indexOf(u'\'', q1 + 1);
    if (q2 < 0)
        return {};
    const QString charset = v.left(q1).trimmed().toLower();
    const QByteArray bytes = QByteArray::fromPercentEncoding(v.mid(q2 + 1).toLatin1());
    if (charset == QLatin1String("utf-8")) {
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decode(bytes);
        return decode.hasError() ? QString() : text;
    }
    if (charset == QLatin1String("iso-8859-1"))
        return QString::fromLatin1(bytes);
    return {};
}

// Header lines arrive as Latin-1; many servers put the name's UTF-8 bytes in
// a plain filename: read them as UTF-8 when they are that.
QString Recoded(const QString& plain)
{
    for (const QChar c : plain)
        if (c.unicode() > 0xFF)
            return plain;
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(plain.toLatin1());
    return decode.hasError() ? plain : text;
}

} // namespace

QString ContentDisposition::FileName(const QString& value)
{
    QString plain;
    QString extended;
    for (const Param& p : Parameters(value)) {
        if (p.first == QLatin1String("filename*") && extended.isEmpty())
            extended = Extended(p.second);
        else if (p.first == QLatin1String("filename") && plain.isEmpty())
            plain = p.second;
    }
    return extended.isEmpty() ? Recoded(plain) : extended;
}

} // namespace flk
