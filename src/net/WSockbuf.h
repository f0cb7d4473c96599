#pragma once
// TBuffer: one chunk of a socket's send queue. Data is copied in at the
// write position and taken out from the read position; an emptied chunk
// rewinds so it can be refilled from its start.

#include <QtGlobal>
#include <memory>

namespace flk {

class TBuffer {
public:
    static constexpr qint32 DefaultSize = 1514;

    explicit TBuffer(qint32 size = DefaultSize);

    qint32 BufSize() const { return m_size; }
    // Resizes the chunk; a size of 0 or less means DefaultSize. Written but
    // unsent bytes are kept (the chunk never shrinks below them).
    void SetBufSize(qint32 size);

    // Copies as much of data as fits; returns the count copied (0 when full).
    qint32 Write(const void* data, qint32 len);
    // The unsent span: pointer to it, its length in len (0 when empty).
    const char* Peek(qint32& len) const;
    // Marks up to n unsent bytes as sent; returns the count removed.
    qint32 Remove(qint32 n);

    qint32 WrCount() const { return m_wrCount; }
    qint32 RdCount() const { return m_rdCount; }

private:
    std::unique_ptr<char[]> m_data;
    qint32 m_size = 0;
    qint32 m_wrCount = 0;
    qint32 m_rdCount = 0;
};

} // namespace flk
