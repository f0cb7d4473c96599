#include "HandOff.h"

#include "Url.h"

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
    return Url::HandOffFileName(Address);
}

QString THandOff::Base() const
{
    return Url::WithoutName(Address, FileName());
}

QString THandOff::Protocol() const
{
    return Kind == QLatin1String("IE") ? Url::ProtocolBeforeSlash(Address) : Kind;
}

bool THandOff::Carried() const
{
    const auto carried = [](const QString& scheme) {
        const QString s = scheme.toLower();
        return s == QLatin1String("http") || s == QLatin1String("https") || s == QLatin1String("ftp");
    };
    return Address.contains(QLatin1String("://")) && carried(Url::SplitUrl(Address).Proto) && carried(Protocol());
}

} // namespace flk
