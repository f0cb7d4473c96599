#pragma once
// The hand-off string the browser helper sends with WM_COPYDATA: one length
// byte, then kind CR address CR description. Nothing is checked: missing
// carriage returns leave the earlier fields empty. Our own host may send the
// JSON form with the browser's context instead (HandOffMessage.h).

#include <QByteArray>
#include <QString>

namespace flk {

class THandOff {
public:
    // Reads the length-prefixed string. A length byte larger than the data
    // received takes only what is there.
    static THandOff Parse(const QByteArray& data);
    // Splits already-decoded text into its three fields.
    static THandOff FromText(const QString& text);
    // The JSON form. Not a JSON object (bad UTF-8 included): nothing, which
    // is not carried. The address is finalUrl when given, else url; the
    // kind, when missing, is the address's scheme.
    static THandOff FromContext(const QByteArray& json);

    QString Kind;        // "IE", or the address's protocol name
    QString Address;
    QString Description; // free text, or "IE"
    // The browser's context (JSON form only); the session values are sent,
    // never stored or logged.
    QString BrowserFileName;
    QString Referrer;
    QString UserAgent;
    QString Cookies;

    // The part of the address after its last backslash or colon, stripped
    // from the front until it holds no "/", without \ : * ? " < > |.
    QString FileName() const;
    // The address with the file name taken off its end (see Url::WithoutName).
    QString Base() const;
    // The protocol: the kind, except that "IE" takes the address's own
    // scheme (the characters before the one preceding its first "/").
    QString Protocol() const;
    // True when the program can carry the download: the protocol and the
    // address's own scheme (before "://") are both http, https or ftp. Any
    // other hand-off (file:, data:, blob:, mailto:, no address) is refused,
    // so the browser keeps the download instead of losing it to a dialog
    // that could only fail.
    bool Carried() const;
};

} // namespace flk
