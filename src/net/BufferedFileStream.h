#pragma once
// TBufferedFileStream: a local file as a QIODevice that gathers writes in a
// buffer (64 KiB by default; much larger buffers measured slower, as they
// fall out of the processor cache) before handing them to the kernel, so a
// download written in 8 KiB blocks costs few system calls. Reads, seeks,
// size() and close() see the buffered bytes (they flush first).

#include <QFile>
#include <QIODevice>

namespace flk {

class TBufferedFileStream : public QIODevice {
    Q_OBJECT
public:
    explicit TBufferedFileStream(const QString& path, qint64 bufferSize = 64 * 1024, QObject* parent = nullptr);
    ~TBufferedFileStream() override;

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool flush();                      // false when the file refused the bytes
    QString fileName() const { return m_file.fileName(); }
    QString errorString() const { return m_file.errorString(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 len) override;

private:
    mutable QFile m_file;
    QByteArray m_pending;
    qint64 m_capacity;
};

} // namespace flk
