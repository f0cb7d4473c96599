#include "NativeHost.h"

#include "Endpoint.h"
#include "FileMapping.h"
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
    const QByteArray address = CutUtf8(url.toUtf8(), kQueryFieldSize - 1);
    std::memcpy(block.data(), address.constData(), size_t(address.size()));
    LRESULT result = 0;
    if (!Endpoint::Send(m_caption, kQueryMessage, 0, 0, {}, &result))
        return Failure(QStringLiteral("no window captioned \"%1\": Fetchlark is not running or download "
                                      "detection is off")
                           .arg(m_caption));
    return QJsonObject{{"file", block.data()[kQueryAnswerOffset] == 1}};
}

QJsonObject NativeHost::handOff(const QString& kind, const QString& url, const QString& description) const
{
    const QByteArray data = HandOffString(kind, url, description);
    if (data.isEmpty())
        return Failure(QStringLiteral("the address is too long to hand over (%1 bytes)").arg(url.toUtf8().size()));
    LRESULT result = 0;
    if (!Endpoint::Send(m_caption, WM_COPYDATA, 0, 0, data, &result))
        return Failure(QStringLiteral("no window captioned \"%1\": Fetchlark is not running or download "
                                      "detection is off")
                           .arg(m_caption));
    if (result == 0)
        return Failure(QStringLiteral("Fetchlark does not download this kind of address (%1)").arg(kind));
    return QJsonObject{{"ok", true}};
}

QJsonObject NativeHost::handle(const QJsonObject& message) const
{
    const QString type = message.value("type").toString();
    const QString url = message.value("url").toString();
    if (type == "query")
        return query(url);
    if (type == "handoff")
        return handOff(message.value("kind").toString(), url, message.value("description").toString());
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
