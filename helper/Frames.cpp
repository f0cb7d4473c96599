#include "Frames.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace flk::helper {

bool Frames::readExactly(char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(m_in, data, size);
        if (n > 0) {
            data += n;
            size -= size_t(n);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

std::optional<QByteArray> Frames::read()
{
    quint32 length = 0;
    if (!readExactly(reinterpret_cast<char*>(&length), sizeof(length)) || length > kMaxIncoming)
        return std::nullopt;
    QByteArray payload(qsizetype(length), Qt::Uninitialized);
    if (!readExactly(payload.data(), length))
        return std::nullopt;
    return payload;
}

QByteArray Frames::Encode(const QByteArray& payload)
{
    const quint32 length = quint32(payload.size());
    return QByteArray(reinterpret_cast<const char*>(&length), sizeof(length)) + payload;
}

bool Frames::write(const QByteArray& payload)
{
    const QByteArray frame = Encode(payload);
    const char* p = frame.constData();
    size_t left = size_t(frame.size());
    while (left > 0) {
        const ssize_t n = ::write(m_out, p, left);
        if (n > 0) {
            p += n;
            left -= size_t(n);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

} // namespace flk::helper
