#pragma once
// Reading FTP reply lines: whether a line ends a reply, its numeric code,
// and the data port announced by a 227 reply.

#include <QString>
#include <optional>

namespace flk {

class TFtpReply {
public:
    // A line that does not start with a digit, or whose code is followed by
    // "-", belongs to a multi-line reply that goes on.
    static bool IsContinuation(const QString& line);
    // The leading number of a line (after blanks, with an optional sign);
    // 0 when there is none.
    static int Code(const QString& line);
    // The port of a 227 reply: after the first "(", four fields (the host,
    // which is not used) and then p1 "," p2 ")". Nothing when the reply does
    // not have that shape or the port is out of range.
    static std::optional<quint16> PasvPort(const QString& reply);
};

} // namespace flk
