// SafeName, the rule every name from outside passes before it becomes a
// file: the input as a name in UTF-8, as an address's encoded last segment,
// as raw UTF-16 (halves of surrogate pairs included), and with a small byte
// limit so that the cutting of long names is reached on short inputs. Each
// result must keep every promise of SafeName.h.
#include "FuzzTarget.h"
#include "SafeNameCheck.h"

using namespace flk;

FLK_FUZZ_TARGET(safe_name)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString text = QString::fromUtf8(bytes);
    fuzz::CheckSafeName(SafeName::Of(text), SafeName::kMaxBytes);
    fuzz::CheckSafeName(SafeName::FromEncoded(text), SafeName::kMaxBytes);

    const QString units = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    fuzz::CheckSafeName(SafeName::Of(units), SafeName::kMaxBytes);

    const int small = 1 + int(size % 24);
    fuzz::CheckSafeName(SafeName::Of(text, small), small);
    fuzz::CheckSafeName(SafeName::Of(units, small), small);

    // Only the part after the last separator counts: what comes before it
    // never changes the result.
    const qsizetype cut = qMax(text.lastIndexOf(u'/'), text.lastIndexOf(u'\\'));
    if (cut >= 0)
        FUZZ_CHECK(SafeName::Of(text) == SafeName::Of(text.mid(cut + 1)));
    return 0;
}
