#include "BufferedFileStream.h"

namespace flk {

TBufferedFileStream::TBufferedFileStream(const QString& path, qint64 bufferSize, QObject* parent)
    : QIODevice(parent), m_file(path), m_capacity(bufferSize > 0 ? bufferSize : 64 * 1024)
{
}

TBufferedFileStream::~TBufferedFileStream()
{
    if (isOpen())
        close();
}

bool TBufferedFileStream::open(OpenMode mode)
{
    // The file itself is unbuffered: this class does the buffering.
    if (!m_file.open(mode | QIODevice::Unbuffered))
        return false;
    m_pending.reserve(m_capacity);
    QIODevice::open(mode | QIODevice::Unbuffered);
    if (mode & QIODevice::Append)
        QIODevice::seek(m_file.size());
    return true;
}

void TBufferedFileStream::close()
{
    flush();
    QIODevice::close();
    m_file.close();
}

bool TBufferedFileStream::flush()
{
    if (m_pending.isEmpty())
        return true;
    const qint64 n = m_file.write(m_pending);
    const bool ok = n == m_pending.size();
    m_pending.clear();
    return ok;
}

qint64 TBufferedFileStream::size() const
{
    return std::max(m_file.size(), m_file.pos() + m_pending.size());
}

bool TBufferedFileStream::seek(qint64 pos)
{
    if (!flush() || !m_file.seek(pos))
        return false;
    return QIODevice::seek(pos);
}

qint64 TBufferedFileStream::readData(char* data, qint64 maxSize)
{
    if (!flush())
        return -1;
    return m_file.read(data, maxSize);
}

qint64 TBufferedFileStream::writeData(const char* data, qint64 len)
{
    if (m_pending.size() + len > m_capacity && !flush())
        return -1;
    if (len >= m_capacity)
        return m_file.write(data, len);
    m_pending.append(data, len);
    return len;
}

} // namespace flk
