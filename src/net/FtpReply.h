#pragma once
// Reading FTP reply lines: whether a line ends a reply, its numeric code,
// and the data port announced by a 227 or 229 reply.

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
    // The port of a 227 reply: the six comma-separated numbers
    // h1,h2,h3,h4,p1,p2 found anywhere after the code (the host is not
    // used). Nothing when there are none or the port is out of range.
    static std::optional<quint16> PasvPort(const QString& reply);
    // The port of a 229 reply (RFC 2428): "(|||port|)", where "|" may be any
    // printable character used the same way. Nothing when malformed.
    static std::optional<quint16> EpsvPort(const QString& reply);
};

} // namespace flk
