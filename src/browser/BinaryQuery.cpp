#include "BinaryQuery.h"

#include "FileMapping.h"
#include "HttpProt.h"

#include <memory>

namespace flk {
namespace {

QString Field(const unsigned char* block, int index)
{
    const char* start = reinterpret_cast<const char*>(block) + index * TBinaryQuery::kFieldSize;
    return QString::fromUtf8(start, qstrnlen(start, TBinaryQuery::kFieldSize));
}

} // namespace

void TBinaryQuery::Answer()
{
    FileMapping block = FileMapping::Open(kBlockName, kBlockSize);
    if (!block.isValid())
        throw EOSError(block.error());
    const QString address = Field(block.data(), 0);
    // The second and third fields are not used; read them as the block's
    // layout has them, so a short block is noticed here and not later.
    (void)Field(block.data(), 1);
    (void)Field(block.data(), 2);
    block.data()[kAnswerOffset] = IsFileAddress(address) ? 1 : 0;
}

bool TBinaryQuery::IsFileAddress(const QString& address)
{
    if (address.left(3).toUpper() == QLatin1String("FTP"))
        return true;
    if (address.isEmpty())
        return false;
    auto http = std::make_unique<THttpCli>();
    http->URL = address;
    bool failed = false;
    try {
        http->HeadSync();
    } catch (const EHttpException&) {
        failed = true;
    }
    return IsFileResponse(failed, http->ResponseStatus(), http->ResponseHeaders());
}

bool TBinaryQuery::IsFileResponse(bool failed, int status, const QStringList& headerLines)
{
    if (failed && status == 404)
        return false;
    for (auto it = headerLines.crbegin(); it != headerLines.crend(); ++it) {
        const QString line = it->toUpper();
        if (line.startsWith(QLatin1String("CONTENT-TYPE")))
            return !line.contains(QLatin1String("TEXT/"));
    }
    return !failed;
}

} // namespace flk
