#include "FtpAddress.h"

#include <QUrl>

namespace flk {
namespace {

QString Decoded(const QString& text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
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

} // namespace

FtpAddress FtpAddress::FromUrlBase(const QString& urlBase)
{
    QString text = urlBase;
    const qsizetype scheme = text.indexOf(QLatin1String("ftp://"));
    if (scheme >= 0)
        text.remove(scheme, 6);

    FtpAddress address;
    const qsizetype slash = text.indexOf(u'/');
    const QString hostPart = slash < 0 ? text : text.left(slash);
    // The host part is the text's prefix, so removing its first occurrence
    // leaves the directory.
    address.HostDirName = text.mid(hostPart.size());
    address.SplitHostPart(hostPart);
    return address;
}

void FtpAddress::SplitHostPart(const QString& hostPart)
{
    QString hostPort = hostPart;
    const qsizetype at = hostPart.lastIndexOf(u'@');
    if (at >= 0) {
        SplitLogin(hostPart.left(at));
        hostPort = hostPart.mid(at + 1);
    }
    if (hostPort.startsWith(u'[')) {
        // A bracketed IPv6 literal, optionally followed by ":port".
        const qsizetype close = hostPort.indexOf(u']');
        if (close > 0) {
            HostName = hostPort.mid(1, close - 1);
            const QString rest = hostPort.mid(close + 1);
            if (rest.startsWith(u':') && IsPort(rest.mid(1)))
                Port = rest.mid(1);
            return;
        }
    }
    const qsizetype colon = hostPort.lastIndexOf(u':');
    if (colon >= 0 && hostPort.indexOf(u':') == colon && IsPort(hostPort.mid(colon + 1))) {
        HostName = hostPort.left(colon);
        Port = hostPort.mid(colon + 1);
        return;
    }
    HostName = hostPort;
}

void FtpAddress::SplitLogin(const QString& login)
{
    const qsizetype colon = login.indexOf(u':');
    if (colon < 0) {
        UserName = Decoded(login);
        return;
    }
    UserName = Decoded(login.left(colon));
    PassWord = Decoded(login.mid(colon + 1));
}

} // namespace flk
