// The browser's side of a hand-off: the native-messaging frames the helper
// host reads from the browser, each frame's JSON, the hand-off string the
// host makes of it, and the program's reading of that string. The program's
// reading also takes the raw input, as any local sender could send it.
#include "FuzzTarget.h"

#include "Frames.h"
#include "HandOff.h"
#include "NativeHost.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <unistd.h>

using namespace flk;

namespace {

void ReadHandOff(const QByteArray& data)
{
    const THandOff h = THandOff::Parse(data);
    const QString name = h.FileName();
    for (const QChar c : QStringLiteral("/\\:*?\"<>|"))
        FUZZ_CHECK(!name.contains(c));
    h.Base();
    h.Protocol();
    h.Carried();
}

} // namespace

FLK_FUZZ_TARGET(handoff)
{
    fuzz::EnsureApp();
    const QByteArray input = fuzz::Bytes(data, size);
    ReadHandOff(input);

    const QString path = fuzz::ScratchFile(QStringLiteral("frames"), input);
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    helper::Frames frames(fd, -1);
    while (const auto payload = frames.read()) {
        FUZZ_CHECK(payload->size() <= qsizetype(helper::Frames::kMaxIncoming));
        const QJsonObject message = QJsonDocument::fromJson(*payload).object();
        const QString kind = message.value("kind").toString();
        const QString url = message.value("url").toString();
        const QString description = message.value("description").toString();
        const QByteArray string = helper::NativeHost::HandOffString(kind, url, description);
        if (string.isEmpty())
            continue;
        // One length byte that counts the rest, and kind and address back
        // as the browser sent them.
        FUZZ_CHECK(string.size() <= 256 && uchar(string[0]) == string.size() - 1);
        ReadHandOff(string);
        if (!kind.contains('\r') && !url.contains('\r')) {
            const THandOff h = THandOff::Parse(string);
            FUZZ_CHECK(h.Kind == kind && h.Address == url);
        }
    }
    ::close(fd);
    return 0;
}
