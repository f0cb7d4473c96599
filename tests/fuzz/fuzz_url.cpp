// The address module: every reading of an address. The input is an address,
// optionally followed by a NUL and a reference to resolve against it.
#include "FuzzTarget.h"

#include "Url.h"

using namespace flk;

namespace {

bool HasAny(const QString& text, const QString& chars)
{
    for (const QChar c : chars)
        if (text.contains(c))
            return true;
    return false;
}

} // namespace

FLK_FUZZ_TARGET(url)
{
    const auto [first, second] = fuzz::TwoParts(fuzz::Bytes(data, size));
    const QString address = QString::fromUtf8(first);
    const QString reference = QString::fromUtf8(second);

    const TUrlParts parts = Url::SplitUrl(address);
    Url::DefaultPort(parts.Proto);
    FUZZ_CHECK(Url::DocName(parts.Path).size() <= 255);
    // What goes into a request line can never break it.
    const QString target = Url::RequestTarget(parts.Path);
    for (const QChar c : target)
        FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7f && c != u'#');

    // An absolute result of a resolution stays as it is.
    const QString resolved = Url::Resolve(address, reference);
    if (!Url::Origin(resolved).isEmpty())
        FUZZ_CHECK(Url::Resolve(address, resolved) == resolved);

    FUZZ_CHECK(Url::Folder(address) + Url::FileName(address) == address);
    const QString name = Url::HandOffFileName(address);
    FUZZ_CHECK(!HasAny(name, QStringLiteral("/\\:*?\"<>|")));
    const QString base = Url::WithoutName(address, name);
    FUZZ_CHECK(base.size() == address.size() - (address.contains(name) ? name.size() : 0));
    Url::ProtocolBeforeSlash(address);
    Url::TransferFor(Url::RecordedProtocol(address));

    const TFtpTarget ftp = Url::SplitFtpBase(address);
    for (const QString& folder : ftp.Folders)
        FUZZ_CHECK(!folder.isEmpty());
    Url::PercentDecoded(reference);
    return 0;
}
