#include "Url.h"

#include <QUrl>

namespace flk {
namespace {

bool IsSchemeChar(QChar c, bool first)
{
    if (c.unicode() > 127)
        return false;
    if (c.isLetter())
        return true;
    return !first && (c.isDigit() || c == u'+' || c == u'-' || c == u'.');
}

// Length of the "scheme" in front of "://", or -1 when the text does not
// start with one.
qsizetype SchemeLength(const QString& url)
{
    const qsizetype sep = url.indexOf(QLatin1String("://"));
    if (sep <= 0)
        return -1;
    for (qsizetype i = 0; i < sep; ++i)
        if (!IsSchemeChar(url[i], i == 0))
            return -1;
    return sep;
}

// Position of the first of `chars` in `text` from `from`, or text's size.
qsizetype FirstOf(const QString& text, QLatin1String chars, qsizetype from = 0)
{
    for (qsizetype i = from; i < text.size(); ++i)
        if (QLatin1String(chars).contains(text[i]))
            return i;
    return text.size();
}

// A path with its "." and ".." segments worked out; it starts with "/".
QString RemoveDotSegments(const QString& path)
{
    const QStringList in = path.split(u'/');
    QStringList out;
    for (qsizetype i = 1; i < in.size(); ++i) {
        const QString& s = in[i];
        const bool last = i == in.size() - 1;
        if (s == QLatin1String(".") || s == QLatin1String("..")) {
            if (s.size() == 2 && !out.isEmpty())
                out.removeLast();
            if (last)
                out.append(QString());
            continue;
        }
        out.append(s);
    }
    return u'/' + out.join(u'/');
}

// A path reference and what follows it ("?query"), its dot segments removed.
QString NormalisedPath(const QString& reference)
{
    const qsizetype end = FirstOf(reference, QLatin1String("?#"));
    return RemoveDotSegments(reference.left(end)) + reference.mid(end);
}

bool AllowedInTarget(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("-._~!$&'()*+,;=:@/?").contains(c);
}

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A port is 1 to 65535 in decimal digits.
bool IsPort(const QString& text)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (QChar c : text)
        if (!c.isDigit() || c.unicode() > 127)
            return false;
    const int value = text.toInt();
    return value >= 1 && value <= 65535;
}

// "user:password" of an ftp address, percent-decoded.
void SplitFtpLogin(const QString& login, TFtpTarget& t)
{
    const qsizetype colon = login.indexOf(u':');
    t.UserName = Url::PercentDecoded(colon < 0 ? login : login.left(colon));
    if (colon >= 0)
        t.PassWord = Url::PercentDecoded(login.mid(colon + 1));
}

// "host", "host:port" or "[v6]:port" of an ftp address. What is not a
// port stays with the host.
void SplitFtpHostPort(const QString& hostPort, TFtpTarget& t)
{
    if (hostPort.startsWith(u'[')) {
        const qsizetype close = hostPort.indexOf(u']');
        if (close > 0) {
            t.HostName = hostPort.mid(1, close - 1);
            const QString rest = hostPort.mid(close + 1);
            if (rest.startsWith(u':') && IsPort(rest.mid(1)))
                t.Port = rest.mid(1);
            return;
        }
    }
    const qsizetype colon = hostPort.lastIndexOf(u':');
    if (colon >= 0 && hostPort.indexOf(u':') == colon && IsPort(hostPort.mid(colon + 1))) {
        t.HostName = hostPort.left(colon);
        t.Port = hostPort.mid(colon + 1);
        return;
    }
    t.HostName = hostPort;
}

} // namespace

// ---------------------------------------------------------------- the HTTP client

TUrlParts Url::SplitUrl(const QString& url)
{
    TUrlParts p;
    if (url.isEmpty())
        return p;
    QString rest;
    const qsizetype sep = url.indexOf(QLatin1String("://"));
    if (sep >= 0) {
        p.Proto = url.left(sep);
        rest = url.mid(sep + 3);
    } else if (url.startsWith(u'/')) {
        p.Proto = QStringLiteral("http");
        if (url.size() < 2 || url[1] != u'/') {
            p.Path = url;
            return p;
        }
        rest = url.mid(1);
    } else if (url.left(5).toLower() == QLatin1String("http:")) {
        p.Proto = QStringLiteral("http");
        if (url.size() > 6 && url[5] != u'/') {
            p.Path = url.mid(5);
            return p;
        }
        rest = url.mid(6);
    } else if (url.left(7).toLower() == QLatin1String("mailto:")) {
        p.Proto = QStringLiteral("mailto");
        rest = url.mid(url.indexOf(u':') + 1);
    } else {
        rest = url;
    }
    const qsizetype slash = rest.indexOf(u'/');
    QString authority = slash >= 0 ? rest.left(slash) : rest;
    if (slash >= 0)
        p.Path = rest.mid(slash);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype uc = userInfo.indexOf(u':');
        p.User = uc >= 0 ? userInfo.left(uc) : userInfo;
        p.Pass = uc >= 0 ? userInfo.mid(uc + 1) : QString();
    }
    // An IPv6 literal keeps its colons: the port follows its "]". One whose
    // "]" is missing is a host name that will not resolve, never a port.
    const bool literal = authority.startsWith(u'[');
    const qsizetype close = literal ? authority.indexOf(u']') : -1;
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon > close && (!literal || close > 0)) {
        p.Port = authority.mid(colon + 1);
        authority.truncate(colon);
    }
    p.Host = close > 0 ? authority.mid(1, close - 1) : authority;
    return p;
}

QString Url::DefaultPort(const QString& scheme)
{
    const QString s = scheme.toLower();
    if (s == QLatin1String("https"))
        return QStringLiteral("443");
    if (s == QLatin1String("ftp"))
        return QStringLiteral("21");
    return QStringLiteral("80");
}

QString Url::DocName(const QString& path)
{
    if (path.isEmpty() || path == QLatin1String("/"))
        return QStringLiteral("document.htm");
    QString p = path;
    if (p.endsWith(u'/'))
        p.chop(1);
    QString name = p.mid(p.lastIndexOf(u'/') + 1).left(255);
    const qsizetype q = name.indexOf(u'?');
    if (q >= 0)
        name.truncate(q);
    return name;
}

QString Url::RequestTarget(const QString& path)
{
    const QString target = path.left(path.indexOf(u'#') >= 0 ? path.indexOf(u'#') : path.size());
    if (target.isEmpty())
        return QStringLiteral("/");
    const QByteArray bytes = target.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool escape = c == '%' && i + 2 < bytes.size() && IsHex(bytes[i + 1]) && IsHex(bytes[i + 2]);
        if (escape || (c != '%' && AllowedInTarget(c))) {
            out += c;
            continue;
        }
        static const char kHex[] = "0123456789ABCDEF";
        out += '%';
        out += kHex[uchar(c) >> 4];
        out += kHex[uchar(c) & 15];
    }
    return QString::fromLatin1(out);
}

// ---------------------------------------------------------------- relative references

QString Url::Origin(const QString& url)
{
    const qsizetype scheme = SchemeLength(url);
    if (scheme < 0)
        return {};
    return url.left(FirstOf(url, QLatin1String("/?#"), scheme + 3));
}

bool Url::SameSite(const QString& a, const QString& b)
{
    const TUrlParts x = SplitUrl(a);
    const TUrlParts y = SplitUrl(b);
    const auto port = [](const TUrlParts& u) { return u.Port.isEmpty() ? DefaultPort(u.Proto.toLower()) : u.Port; };
    return !x.Host.isEmpty() && x.Proto.compare(y.Proto, Qt::CaseInsensitive) == 0
           && x.Host.compare(y.Host, Qt::CaseInsensitive) == 0 && port(x) == port(y);
}

QString Url::Resolve(const QString& base, const QString& reference)
{
    if (SchemeLength(reference) >= 0)
        return reference;
    const QString origin = Origin(base);
    if (origin.isEmpty())
        return reference;
    const QString page = base.left(base.indexOf(u'#') >= 0 ? base.indexOf(u'#') : base.size());
    if (reference.startsWith(QLatin1String("//")))
        return origin.left(origin.indexOf(u':') + 1) + reference;
    if (reference.isEmpty())
        return page;
    if (reference.startsWith(u'#'))
        return page + reference;
    const QString path = page.mid(origin.size(), FirstOf(page, QLatin1String("?"), origin.size()) - origin.size());
    if (reference.startsWith(u'?'))
        return origin + path + reference;
    if (reference.startsWith(u'/'))
        return origin + NormalisedPath(reference);
    const QString folder = path.left(path.lastIndexOf(u'/') + 1);
    return origin + NormalisedPath((folder.isEmpty() ? QStringLiteral("/") : folder) + reference);
}

// ---------------------------------------------------------------- file name, base and protocol

QString Url::FileName(const QString& url)
{
    return url.mid(url.lastIndexOf(u'/') + 1);
}

QString Url::Folder(const QString& url)
{
    return url.left(url.lastIndexOf(u'/') + 1);
}

QString Url::HandOffFileName(const QString& address)
{
    const qsizetype cut = qMax(address.lastIndexOf(u'\\'), address.lastIndexOf(u':'));
    QString name = address.mid(cut + 1);
    while (name.contains(u'/'))
        name.remove(0, 1);
    static const QString kForbidden = QStringLiteral("\\:*?\"<>|");
    for (const QChar c : kForbidden)
        name.remove(c);
    return name;
}

QString Url::WithoutName(const QString& address, const QString& name)
{
    const qsizetype at = name.isEmpty() ? -1 : address.lastIndexOf(name);
    if (at < 0)
        return address;
    QString base = address;
    base.remove(at, name.size());
    return base;
}

QString Url::ProtocolBeforeSlash(const QString& address)
{
    const qsizetype slash = address.indexOf(u'/');
    return slash < 1 ? QString() : address.left(slash - 1);
}

QString Url::RecordedProtocol(const QString& address)
{
    return address.left(3) == QLatin1String("ftp") ? QStringLiteral("ftp") : QStringLiteral("http");
}

TTransfer Url::TransferFor(const QString& protocol)
{
    const QString p = protocol.toLower();
    return p == QLatin1String("http") || p == QLatin1String("https") ? TTransfer::Http : TTransfer::Ftp;
}

// ---------------------------------------------------------------- ftp

TFtpTarget Url::SplitFtpBase(const QString& urlBase)
{
    QString text = urlBase;
    const qsizetype scheme = text.indexOf(QLatin1String("ftp://"));
    if (scheme >= 0)
        text.remove(scheme, 6);
    TFtpTarget t;
    const qsizetype slash = text.indexOf(u'/');
    const QString hostPart = slash < 0 ? text : text.left(slash);
    const QString folder = text.mid(hostPart.size());
    t.HostDirName = PercentDecoded(folder);
    const qsizetype at = hostPart.lastIndexOf(u'@');
    if (at >= 0)
        SplitFtpLogin(hostPart.left(at), t);
    SplitFtpHostPort(hostPart.mid(at + 1), t);
    QString path = folder.mid(1);
    t.FromRoot = path.startsWith(QLatin1String("%2F"), Qt::CaseInsensitive);
    if (t.FromRoot)
        path.remove(0, 3);
    for (const QString& segment : path.split(u'/', Qt::SkipEmptyParts))
        t.Folders << Url::PercentDecoded(segment);
    return t;
}

QString Url::PercentDecoded(const QString& text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

} // namespace flk
