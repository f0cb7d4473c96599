#include "HttpFileStream.h"

#include <cstring>

namespace flk {

THttpFileStream::THttpFileStream(const QString& path, QObject* parent)
    : QIODevice(parent), m_file(path)
{
}

THttpFileStream::~THttpFileStream()
{
    close();
}

bool THttpFileStream::OpenFile(QIODevice::OpenMode mode)
{
    if (!m_file.open(mode | QIODevice::Unbuffered))
        return false;
    m_pending.reserve(kBufferSize);
    m_failed = false;
    return QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

bool THttpFileStream::OpenExisting()
{
    return OpenFile(QIODevice::ReadWrite);
}

bool THttpFileStream::Create()
{
    return OpenFile(QIODevice::ReadWrite | QIODevice::Truncate);
}

bool THttpFileStream::flush()
{
    if (m_pending.isEmpty())
        return !m_failed;
    const char* p = m_pending.constData();
    qint64 left = m_pending.size();
    while (left > 0) {
        const qint64 n = m_file.write(p, left);
        if (n <= 0) {
            m_failed = true;
            break;
        }
        p += n;
        left -= n;
    }
    m_pending.clear();
    return !m_failed;
}

void THttpFileStream::close()
{
    if (!isOpen())
        return;
    flush();
    m_file.close();
    QIODevice::close();
}

qint64 THttpFileStream::size() const
{
    return m_file.size() + m_pending.size();
}

bool THttpFileStream::seek(qint64 pos)
{
    flush();
    return m_file.seek(pos) && QIODevice::seek(pos);
}

bool THttpFileStream::Truncate()
{
    m_pending.clear();
    return m_file.resize(0) && seek(0);
}

qint64 THttpFileStream::readData(char* data, qint64 maxSize)
{
    flush();
    return m_file.read(data, maxSize);
}

qint64 THttpFileStream::writeData(const char* data, qint64 len)
{
    if (m_failed)
        return -1;
    if (m_pending.size() + len > kBufferSize && !flush())
        return -1;
    if (len >= kBufferSize) {
        const qint64 n = m_file.write(data, len);
        if (n != len)
            m_failed = true;
    } else {
        m_pending.append(data, len);
    }
    if (OnWritten)
        OnWritten();
    return m_failed ? -1 : len;
}

} // namespace flk
