#include "FileStream.h"

#include "WSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace flk {

TFileStream::TFileStream(const QString& path, QObject* parent)
    : QIODevice(parent), m_file(path)
{
}

TFileStream::~TFileStream()
{
    close();
}

bool TFileStream::OpenFile(QIODevice::OpenMode mode)
{
    return m_file.open(mode | QIODevice::Unbuffered) && StartWriter();
}

bool TFileStream::Adopt(int fd)
{
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    m_at = at > 0 ? at : 0;
    return m_file.open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle) &&
           StartWriter();
}

bool TFileStream::StartWriter()
{
    m_current.reset(new char[kBufferSize]);
    m_fill = 0;
    m_failed = false;
    m_writeErrno = 0;
    m_stop = false;
    m_writer = std::thread([this] { WriterLoop(); });
    return QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

bool TFileStream::OpenExisting()
{
    m_at = 0;
    return OpenFile(QIODevice::ReadWrite);
}

bool TFileStream::OpenPiece(qint64 from, qint64 end)
{
    m_limit = end;
    return OpenExisting() && seek(from);
}

qint64 TFileStream::Room(qint64 want) const
{
    return m_limit < 0 ? want : std::max<qint64>(0, std::min(want, m_limit - m_at));
}

bool TFileStream::Create()
{
    m_at = 0;
    return OpenFile(QIODevice::ReadWrite | QIODevice::Truncate);
}

void TFileStream::WriterLoop()
{
    const int fd = m_file.handle();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Filled block = std::move(m_queue.front());
        m_queue.pop_front();
        m_writing = true;
        const bool skip = m_failed;
        lock.unlock();
        bool ok = true;
        for (qint64 done = 0; !skip && done < block.size;) {
            const qint64 slice = std::min(block.size - done, kWriteSlice);
            const ssize_t n = ::write(fd, block.data.get() + done, static_cast<size_t>(slice));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (m_writeErrno == 0)
                    m_writeErrno = n == 0 ? ENOSPC : errno;
                ok = false;
                break;
            }
            done += n;
        }
        lock.lock();
        m_writing = false;
        if (!ok)
            m_failed = true;
        m_queued -= block.size;
        m_free.push_back(std::move(block.data));
        m_changed.notify_all();
    }
}

void TFileStream::Submit()
{
    if (m_fill == 0)
        return;
    std::unique_lock lock(m_mutex);
    // At most kBuffers in flight: wait for a written one when all are out.
    m_changed.wait(lock, [this] { return static_cast<int>(m_queue.size()) < kBuffers; });
    m_queue.push_back(Filled{std::move(m_current), m_fill});
    m_queued += m_fill;
    m_fill = 0;
    if (!m_free.empty()) {
        m_current = std::move(m_free.back());
        m_free.pop_back();
    }
    m_changed.notify_all();
    lock.unlock();
    if (!m_current)
        m_current.reset(new char[kBufferSize]);
}

void TFileStream::Drain() const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_writing; });
}

bool TFileStream::flush()
{
    if (!m_writer.joinable())
        return !m_failed;
    Submit();
    Drain();
    return !WriteFailed();
}

qint64 TFileStream::ReceiveFrom(TWSocket& socket, qint64 max)
{
    if (m_failed)
        return TWSocket::kFileWriteFailed;
    max = Room(max);
    if (max == 0)
        return TWSocket::kFileWriteFailed; // at the piece's end: the request ends here, the stream stays sound
    if (socket.Secure())
        return ReceiveDecrypted(socket, max);
    if (!flush())
        return TWSocket::kFileWriteFailed;
    const qint64 n = socket.ReceiveToFile(m_file.handle(), max);
    if (n == TWSocket::kFileWriteFailed) {
        m_writeErrno = errno;
        m_failed = true;
        return n;
    }
    if (n > 0) {
        m_at += n;
        QIODevice::seek(QIODevice::pos() + n); // the device's position follows the file's
        if (OnWritten)
            OnWritten();
    }
    return n;
}

// Bytes of a secure connection are decrypted straight into the buffer the
// writer thread takes next: one copy (the library's), and the file still
// gets them in 1 MiB batches while the next ones are received.
qint64 TFileStream::ReceiveDecrypted(TWSocket& socket, qint64 max)
{
    qint64 total = 0;
    while (total < max) {
        const qint64 room = std::min(max - total, kBufferSize - m_fill);
        const int n = socket.Receive(m_current.get() + m_fill, static_cast<int>(room));
        if (n <= 0) {
            if (total == 0)
                return n;
            break;
        }
        m_fill += n;
        total += n;
        if (m_fill == kBufferSize)
            Submit();
    }
    m_at += total;
    QIODevice::seek(QIODevice::pos() + total);
    if (OnWritten)
        OnWritten();
    return total;
}

QString TFileStream::ErrorText() const
{
    if (const int err = m_writeErrno)
        return QString::fromLocal8Bit(std::strerror(err));
    return m_file.errorString();
}

bool TFileStream::WriteFailed() const
{
    return m_failed; // atomic: callers ask after every block
}

void TFileStream::StopWriter()
{
    if (!m_writer.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_writer.join();
}

void TFileStream::close()
{
    if (!isOpen())
        return;
    flush();
    StopWriter();
    m_file.close();
    QIODevice::close();
}

qint64 TFileStream::size() const
{
    Drain();
    return m_file.size() + m_fill;
}

bool TFileStream::seek(qint64 pos)
{
    flush();
    if (!m_file.seek(pos) || !QIODevice::seek(pos))
        return false;
    m_at = pos;
    return true;
}

bool TFileStream::Truncate()
{
    Drain();
    m_fill = 0;
    return m_file.resize(0) && seek(0);
}

qint64 TFileStream::readData(char* data, qint64 maxSize)
{
    flush();
    return m_file.read(data, maxSize);
}

qint64 TFileStream::writeData(const char* data, qint64 len)
{
    if (m_failed)
        return -1;
    // A piece takes what fits before its end and drops the rest: the
    // connection is stopped there by its owner.
    const qint64 take = Room(len);
    m_at += take;
    for (qint64 done = 0; done < take;) {
        const qint64 n = std::min(take - done, kBufferSize - m_fill);
        std::memcpy(m_current.get() + m_fill, data + done, static_cast<size_t>(n));
        m_fill += n;
        done += n;
        if (m_fill == kBufferSize)
            Submit();
    }
    if (OnWritten)
        OnWritten();
    return len;
}

} // namespace flk
