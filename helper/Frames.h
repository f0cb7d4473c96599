#pragma once
// Native-messaging frames: a 32-bit length in native byte order, then that
// many bytes of UTF-8 JSON.

#include <QByteArray>
#include <optional>

namespace flk::helper {

class Frames {
public:
    // Browsers send at most a few kilobytes to us; anything larger than this
    // is a broken stream.
    static constexpr quint32 kMaxIncoming = 1u << 20;

    explicit Frames(int inFd, int outFd) : m_in(inFd), m_out(outFd) {}

    // The next frame's payload; nothing at the end of input or on a broken
    // frame (too long, cut short).
    std::optional<QByteArray> read();
    bool write(const QByteArray& payload);

    static QByteArray Encode(const QByteArray& payload);

private:
    bool readExactly(char* data, size_t size);

    int m_in;
    int m_out;
};

} // namespace flk::helper
