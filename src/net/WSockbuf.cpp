#include "WSockbuf.h"

#include <algorithm>
#include <cstring>

namespace flk {

TBuffer::TBuffer(qint32 size)
{
    SetBufSize(size);
}

void TBuffer::SetBufSize(qint32 size)
{
    if (size <= 0)
        size = DefaultSize;
    size = std::max(size, m_wrCount);
    auto block = std::make_unique<char[]>(size);
    if (m_wrCount > 0)
        std::memcpy(block.get(), m_data.get(), m_wrCount);
    m_data = std::move(block);
    m_size = size;
}

qint32 TBuffer::Write(const void* data, qint32 len)
{
    const qint32 n = std::min(std::max(len, 0), m_size - m_wrCount);
    if (n > 0) {
        std::memcpy(m_data.get() + m_wrCount, data, n);
        m_wrCount += n;
    }
    return n;
}

const char* TBuffer::Peek(qint32& len) const
{
    len = m_wrCount - m_rdCount;
    return len > 0 ? m_data.get() + m_rdCount : nullptr;
}

qint32 TBuffer::Remove(qint32 n)
{
    const qint32 removed = std::min(std::max(n, 0), m_wrCount - m_rdCount);
    m_rdCount += removed;
    if (m_rdCount >= m_wrCount)
        m_rdCount = m_wrCount = 0;
    return removed;
}

} // namespace flk
