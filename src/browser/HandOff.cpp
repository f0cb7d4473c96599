#include "HandOff.h"

namespace flk {

THandOff THandOff::Parse(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    const int length = qMin(int(uchar(data[0])), int(data.size()) - 1);
    return FromText(QString::fromUtf8(data.mid(1, length)));
}

THandOff THandOff::FromText(const QString& text)
{
    THandOff h;
    QString rest = text;
    int cr = rest.indexOf('\r');
    h.Kind = cr < 0 ? QString() : rest.left(cr);
    rest.remove(0, cr + 1);
    cr = rest.indexOf('\r');
    h.Address = cr < 0 ? QString() : rest.left(cr);
    rest.remove(0, cr + 1);
    h.Description = rest;
    return h;
}

QString THandOff::FileName() const
{
    const int cut = qMax(Address.lastIndexOf('\\'), Address.lastIndexOf(':'));
    QString name = Address.mid(cut + 1);
    while (name.contains('/'))
        name.remove(0, 1);
    static const QString kForbidden = QStringLiteral("\\:*?\"<>|");
    for (const QChar c : kForbidden)
        name.remove(c);
    return name;
}

QString THandOff::Base() const
{
    const QString name = FileName();
    QString base = Address;
    const int at = name.isEmpty() ? -1 : base.indexOf(name);
    if (at >= 0)
        base.remove(at, name.size());
    return base;
}

QString THandOff::Protocol() const
{
    if (Kind != QLatin1String("IE"))
        return Kind;
    const int slash = Address.indexOf('/');
    return slash < 1 ? QString() : Address.left(slash - 1);
}

} // namespace flk
