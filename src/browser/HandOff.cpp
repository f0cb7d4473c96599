#include "HandOff.h"

#include "HandOffMessage.h"
#include "Url.h"

#include <QJsonDocument>
#include <QJsonObject>

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

THandOff THandOff::FromContext(const QByteArray& json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return {};
    const QJsonObject o = doc.object();
    const auto text = [&o](const char* key) { return o.value(QLatin1String(key)).toString(); };
    THandOff h;
    h.Address = text("finalUrl").isEmpty() ? text("url") : text("finalUrl");
    h.Kind = text("kind").isEmpty() ? Url::SplitUrl(h.Address).Proto.toLower() : text("kind");
    h.Description = text("description");
    h.BrowserFileName = text("filename");
    h.Referrer = text("referrer");
    h.UserAgent = text("userAgent");
    h.Cookies = text("cookies");
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
    const auto headerValue = [](const QString& v) {
        if (v.toUtf8().size() > kMaxHeaderValue)
            return false;
        for (const QChar c : v)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return false;
        return true;
    };
    if (!headerValue(Referrer) || !headerValue(UserAgent) || !headerValue(Cookies))
        return false;
    return Address.contains(QLatin1String("://")) && carried(Url::SplitUrl(Address).Proto) && carried(Protocol());
}

} // namespace flk
