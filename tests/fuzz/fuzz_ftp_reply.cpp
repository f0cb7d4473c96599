// The FTP reply line readers: continuation, code, and the data port of a
// 227 reply. The input is one reply line.
#include "FuzzTarget.h"

#include "FtpReply.h"

using namespace flk;

FLK_FUZZ_TARGET(ftp_reply)
{
    const QString line = QString::fromLatin1(fuzz::Bytes(data, size));
    const bool more = TFtpReply::IsContinuation(line);
    const int code = TFtpReply::Code(line);
    // A line that ends a reply starts with its code.
    if (!more)
        FUZZ_CHECK(code >= 0);
    if (const auto port = TFtpReply::PasvPort(line))
        FUZZ_CHECK(*port != 0);
    return 0;
}
