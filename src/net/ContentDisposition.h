#pragma once
// The file name a Content-Disposition reply header gives (RFC 6266): the
// "filename*" parameter in the RFC 5987 form charset'language'%XX... (UTF-8
// and ISO-8859-1) wins over a plain "filename" (a token or a quoted string
// with backslash escapes); a "filename*" in a charset we cannot read is
// passed over for the plain one. A quote that never closes ends with the
// header. The name is returned as sent: the caller makes it safe.

#include <QString>

namespace flk {

class ContentDisposition {
public:
    // Empty when the header names no file.
    static QString FileName(const QString& value);
};

} // namespace flk
