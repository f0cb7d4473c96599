#include "NativeHost.h"

#include "Endpoint.h"
#include "FileMapping.h"
#include "HandOffMessage.h"
#include "HelperIds.h"

#include <QJsonDocument>

#include <cstdio>
#include <cstring>

namespace flk::helper {
namespace {

// The longest prefix of `bytes` of at most `limit` bytes that does not end
// inside a UTF-8 sequence.
QByteArray CutUtf8(const QByteArray& bytes, qsizetype limit)
{
    if (bytes.size() <= limit)
        return bytes;
    qsizetype n = limit;
    while (n > 0 && (uchar(bytes[n]) & 0xC0) == 0x80)
        --n;
    return bytes.left(n);
}

void Log(const QString& line)
{
    std::fprintf(stderr, "flkauto-host: %s\n", qPrintable(line));
}

} // namespace

NativeHost::NativeHost(const QString& caption) : m_caption(caption) {}

QJsonObject NativeHost::Failure(const QString& error)
{
    Log(error);
    return QJsonObject{{"ok", false}, {"error", error}};
}

QByteArray NativeHost::HandOffString(const QString& kind, const QString& url, const QString& description)
{
    const QByteArray head = kind.toUtf8() + '\r' + url.toUtf8() + '\r';
    if (head.size() > 255)
        return {};
    const QByteArray text = head + CutUtf8(description.toUtf8(), 255 - head.size());
    return char(uchar(text.size())) + text;
}

QJsonObject NativeHost::query(const QString& url) const
{
    FileMapping block = FileMapping::Create(kQueryBlock, kQueryBlockSize);
    if (!block.isValid())
        return Failure(QStringLiteral("cannot create the query block: %1").arg(EOSError::Text(block.error())));
    const QByteArray address = url.toUtf8();
    if (address.size() > qsizetype(kQueryFieldSize - 1))
        return Failure(QStringLiteral("the address is too long to test (%1 bytes; the query holds %2)")
                           .arg(address.size())
                           .arg(kQueryFieldSize - 1));
    std::memcpy(block.data(), address.constData(), size_t(address.size()));
    LRESULT result = 0;
    if (!Endpoint::Send(m_caption, kQueryMessage, 0, 0, {}, &result))
        return Failure(QStringLiteral("no window captioned \"%1\": Fetchlark is not running or download "
                                      "detection is off")
                           .arg(m_caption));
    return QJsonObject{{"file", block.data()[kQueryAnswerOffset] == 1}};
}

QJsonObject NativeHost::send(const QByteArray& data, WPARAM form, const QString& kind) const
{
    LRESULT result = 0;
    if (!Endpoint::Send(m_caption, WM_COPYDATA, form, 0, data, &result))
        return Failure(QStringLiteral("no window captioned \"%1\": Fetchlark is not running or download "
                                      "detection is off")
                           .arg(m_caption));
    if (result == 0)
        return Failure(QStringLiteral("Fetchlark does not download this kind of address (%1)").arg(kind));
    return QJsonObject{{"ok", true}};
}

QJsonObject NativeHost::handOff(const QJsonObject& message) const
{
    static const char* const kContext[] = {"finalUrl", "filename", "referrer", "userAgent", "cookies"};
    static const char* const kFields[] = {"kind", "url", "description", "finalUrl", "filename", "referrer",
                                          "userAgent", "cookies"};
    const QString kind = message.value("kind").toString();
    const QString url = message.value("url").toString();
    const QString description = message.value("description").toString();
    if (url.isEmpty())
        return Failure(QStringLiteral("the hand-off names no address"));
    for (const char* header : {"referrer", "userAgent", "cookies"}) {
        const QString value = message.value(header).toString();
        if (const qsizetype n = value.toUtf8().size(); n > kMaxHeaderValue)
            return Failure(QStringLiteral("the %1 is too long to send (%2 bytes; at most %3)")
                               .arg(QString::fromLatin1(header))
                               .arg(n)
                               .arg(kMaxHeaderValue));
        for (const QChar c : value)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return Failure(QStringLiteral("the %1 holds a control character").arg(QString::fromLatin1(header)));
    }
    bool context = false;
    for (const char* field : kContext)
        context = context || !message.value(field).toString().isEmpty();
    // The length-prefixed string while everything fits it whole.
    const qsizetype plain = kind.toUtf8().size() + url.toUtf8().size() + description.toUtf8().size() + 2;
    if (!context && plain <= 255)
        return send(HandOffString(kind, url, description), 0, kind);
    QJsonObject form;
    for (const char* field : kFields)
        if (const QString v = message.value(field).toString(); !v.isEmpty())
            form.insert(QString::fromLatin1(field), v);
    const QByteArray data = QJsonDocument(form).toJson(QJsonDocument::Compact);
    if (data.size() > qsizetype(Endpoint::kMaxData))
        return Failure(QStringLiteral("the hand-off is too large to carry (%1 bytes)").arg(data.size()));
    return send(data, kHandOffContext, kind);
}

QJsonObject NativeHost::handle(const QJsonObject& message) const
{
    const QString type = message.value("type").toString();
    const QString url = message.value("url").toString();
    if (type == "query")
        return query(url);
    if (type == "handoff")
        return handOff(message);
    return Failure(QStringLiteral("unknown message type \"%1\"").arg(type));
}

QByteArray NativeHost::handleFrame(const QByteArray& payload) const
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    const QJsonObject answer =
        doc.isObject() ? handle(doc.object()) : Failure(QStringLiteral("not a JSON object: %1").arg(error.errorString()));
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

} // namespace flk::helper
