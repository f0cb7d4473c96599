#pragma once
// THttpFileStream: the local file of an HTTP download, handed to the HTTP
// client as its receive stream. Blocks are gathered in a large buffer and
// reach the kernel in big writes (flushed on close, on Truncate and on
// request); after each block the owner's OnWritten runs, so work that must
// wait until a block is in the file (the completion) can hook in there.

#include <QFile>
#include <QIODevice>
#include <functional>

namespace flk {

class THttpFileStream : public QIODevice {
    Q_OBJECT
public:
    static constexpr qint64 kBufferSize = 1 << 20;

    explicit THttpFileStream(const QString& path, QObject* parent = nullptr);
    ~THttpFileStream() override;

    // An existing file, kept as it is, for reading and writing.
    bool OpenExisting();
    // A new empty file (an existing one is emptied).
    bool Create();
    void close() override;
    bool isSequential() const override { return false; }
    // Bytes in the file, buffered ones included.
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool SeekToEnd() { return seek(size()); }
    // Cuts the file to 0 bytes and writes on from its start.
    bool Truncate();
    bool flush();
    // True once a write has failed (disk full, file gone...).
    bool WriteFailed() const { return m_failed; }
    QString fileName() const { return m_file.fileName(); }
    QString ErrorText() const { return m_file.errorString(); }

    std::function<void()> OnWritten;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 len) override;

private:
    bool OpenFile(QIODevice::OpenMode mode);

    mutable QFile m_file;
    QByteArray m_pending;
    bool m_failed = false;
};

} // namespace flk
