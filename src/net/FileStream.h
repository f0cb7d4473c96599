#pragma once
// TFileStream: the local file of a download, handed to a protocol client
// as its receive stream. Blocks are gathered in 1 MiB buffers that a
// writer thread of the stream hands to the kernel, so receiving the next
// blocks and storing the last ones overlap. The thread touches nothing but
// the file and the buffers; flush(), seek, Truncate, size() and close() wait
// until every buffered byte is in the file. After each block the owner's
// OnWritten runs (on the caller's thread), so work that must wait until a
// block belongs to the file (the completion) can hook in there.

#include <QFile>
#include <QIODevice>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace flk {

class TWSocket;

class TFileStream : public QIODevice {
    Q_OBJECT
public:
    static constexpr qint64 kBufferSize = 1 << 20;
    static constexpr int kBuffers = 4;
    // Each write(2) hands over at most this much. The page cache sizes its
    // folios after the write; megabyte writes ask for high-order pages, which
    // a virtual machine that returns free memory to its host must fault back
    // in one by one (1 GiB took 1.3-3 s in 1 MiB writes, 0.25 s in 256 KiB ones).
    static constexpr qint64 kWriteSlice = 256 << 10;

    explicit TFileStream(const QString& path, QObject* parent = nullptr);
    ~TFileStream() override;

    // An existing file, kept as it is, for reading and writing.
    bool OpenExisting();
    // A new empty file (an existing one is emptied).
    bool Create();
    // A file its owner opened (and locked) itself; the stream writes at the
    // descriptor's position and closes it.
    bool Adopt(int fd);
    void close() override;
    bool isSequential() const override { return false; }
    // Bytes in the file, buffered ones included.
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool SeekToEnd() { return seek(size()); }
    // Cuts the file to 0 bytes and writes on from its start.
    bool Truncate();
    // One piece of a download fetched over several connections: an existing
    // file opened on a descriptor of its own (so its position is its own and
    // the splice path writes in place), written from `from` and never at or
    // past `end`. Bytes beyond the end are dropped, not written.
    bool OpenPiece(qint64 from, qint64 end);
    // Moves the end (work stealing moves it back); -1: no end.
    void SetLimit(qint64 end) { m_limit = end; }
    qint64 Limit() const { return m_limit; }
    // Where the next byte goes in the file (buffered bytes counted).
    qint64 Position() const { return m_at; }
    // Waits until every buffered byte is in the file; false after a failed write.
    bool flush();
    // True once a write has failed (disk full, file gone...).
    bool WriteFailed() const;
    // Up to max bytes from the socket straight into the file, after every
    // buffered byte (see TWSocket::ReceiveToFile for the result). A failed
    // move marks the stream failed, as a failed write does. A secure socket's
    // bytes are decrypted into the stream's buffers instead.
    qint64 ReceiveFrom(TWSocket& socket, qint64 max);
    QString fileName() const { return m_file.fileName(); }
    QString ErrorText() const;

    std::function<void()> OnWritten;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 len) override;

private:
    using Buffer = std::unique_ptr<char[]>;
    struct Filled {
        Buffer data;
        qint64 size;
    };

    bool OpenFile(QIODevice::OpenMode mode);
    bool StartWriter();
    void Submit();      // the current buffer goes to the writer
    void Drain() const; // waits until the writer has written everything
    void StopWriter();
    void WriterLoop();
    qint64 ReceiveDecrypted(TWSocket& socket, qint64 max);
    qint64 Room(qint64 want) const; // want, cut to the limit

    mutable QFile m_file;
    std::atomic<int> m_writeErrno{0}; // why the first write or move failed
    Buffer m_current;
    qint64 m_fill = 0;
    qint64 m_at = 0;     // the file position the next byte goes to
    qint64 m_limit = -1; // no byte at or past it; -1: none

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<Filled> m_queue;  // waiting for the writer
    std::vector<Buffer> m_free;  // written, ready for reuse
    qint64 m_queued = 0;         // bytes queued or being written
    bool m_writing = false;
    std::atomic<bool> m_failed{false};
    bool m_stop = false;
    std::thread m_writer;
};

} // namespace flk
