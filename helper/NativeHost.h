#pragma once
// What the host does with each message from the browser extension:
//   {"type":"query","url":U}  -> {"file":true|false}
//   {"type":"handoff","kind":K,"url":U,"description":D} -> {"ok":true}
// and {"ok":false,"error":"..."} when the program cannot be reached, the
// message cannot be carried, or the program refuses the hand-off (it answers
// 0 for an address it cannot download), so the browser keeps the download.
//
// A hand-off that also carries the browser's context (finalUrl, filename,
// referrer, userAgent, cookies), or whose kind and address do not fit the
// length-prefixed string, goes as the JSON form of HandOffMessage.h. The
// query block's address field holds 1024 bytes: a longer address is not
// tested cut short but refused.

#include "Messages.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace flk::helper {

class NativeHost {
public:
    // The program's window the messages go to ("FLK").
    explicit NativeHost(const QString& caption);

    QJsonObject handle(const QJsonObject& message) const;
    QByteArray handleFrame(const QByteArray& payload) const;

    // The WM_COPYDATA string: one length byte, then kind CR address CR
    // description as UTF-8. The description is shortened (never inside a
    // character) to fit; empty when even kind and address do not fit.
    static QByteArray HandOffString(const QString& kind, const QString& url, const QString& description);

private:
    QJsonObject query(const QString& url) const;
    QJsonObject handOff(const QJsonObject& message) const;
    QJsonObject send(const QByteArray& data, flk::WPARAM form, const QString& kind) const;
    static QJsonObject Failure(const QString& error);

    QString m_caption;
};

} // namespace flk::helper
