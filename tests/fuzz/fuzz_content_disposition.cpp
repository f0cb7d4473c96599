// The file name a server offers in Content-Disposition, and the name the
// download then gets (the header's value as the HTTP client reads it, in
// Latin-1, made safe). The input is the header's value. Also, read as a
// name, the input must come back whole from the headers a server would
// write for it: filename* in UTF-8, and beside it a plain filename, in
// either order, and a filename* in a charset we do not read.
#include "FuzzTarget.h"
#include "SafeNameCheck.h"

#include "ContentDisposition.h"

using namespace flk;

namespace {

QString Quoted(const QString& name)
{
    QString q = QStringLiteral("\"");
    for (const QChar c : name) {
        if (c == u'"' || c == u'\\')
            q += u'\\';
        q += c;
    }
    return q + u'"';
}

QString Extended(const QString& charset, const QString& name)
{
    return charset + QStringLiteral("''") + QString::fromLatin1(name.toUtf8().toPercentEncoding());
}

bool IsAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

FLK_FUZZ_TARGET(content_disposition)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString value = QString::fromLatin1(bytes);
    const QString offered = ContentDisposition::FileName(value);
    fuzz::CheckSafeName(SafeName::Of(offered), SafeName::kMaxBytes);

    const QString name = QString::fromUtf8(bytes);
    if (name.isEmpty())
        return 0;
    const QString ext = Extended(QStringLiteral("UTF-8"), name);
    FUZZ_CHECK(ContentDisposition::FileName("attachment; filename*=" + ext) == name);
    FUZZ_CHECK(ContentDisposition::FileName("attachment; filename=\"fallback.bin\"; filename*=" + ext) == name);
    FUZZ_CHECK(ContentDisposition::FileName("attachment; filename*=" + ext + "; filename=\"fallback.bin\"") == name);
    FUZZ_CHECK(ContentDisposition::FileName("attachment; filename*=" + Extended("x-unknown", name) + "; filename=\"fallback.bin\"")
               == "fallback.bin");
    if (IsAscii(name)) {
        FUZZ_CHECK(ContentDisposition::FileName("attachment; filename=" + Quoted(name)) == name);
        FUZZ_CHECK(ContentDisposition::FileName("inline;filename=" + Quoted(name) + ";size=1") == name);
    }
    return 0;
}
