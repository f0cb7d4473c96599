#pragma once
// The base of every error the program raises on purpose. The message is the
// text the user sees in the standard error box; classes below add what their
// callers need (a code, a system error number).

#include <QString>
#include <stdexcept>

namespace flk {

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message);
    QString Message() const { return m_message; }

private:
    QString m_message;
};

// The text of any exception: what() is the message in UTF-8 for the
// program's own errors and for the library's.
inline QString ExceptionMessage(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

} // namespace flk
