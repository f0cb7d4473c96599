#pragma once
// A named block of shared memory (CreateFileMapping / OpenFileMapping +
// MapViewOfFile): POSIX shared memory in a per-user name space. Names are
// prefixed with the user's id and session (runtime folder), and the object is
// made readable and writable by its owner only; an object of another user under the same name is
// refused. The creator removes the name when it closes the block.

#include <QByteArray>
#include <QString>
#include "Exception.h"

namespace flk {

// A system error raised to the application's error box:
// "Win32 Error.  Code: %d.\n%s" with the error number and the system's text.
class EOSError : public Exception {
public:
    explicit EOSError(int code);
    int code() const { return m_code; }
    static QString Text(int code);

private:
    int m_code;
};

class FileMapping {
public:
    FileMapping() = default;
    ~FileMapping();
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // Creates (or takes over) the block `name` of `size` bytes, zero-filled
    // when new, and holds it exclusively against other creators until closed.
    static FileMapping Create(const QString& name, size_t size);
    // Opens an existing block and maps its first `size` bytes; a missing
    // block fails with ENOENT, one that is too small with EINVAL.
    static FileMapping Open(const QString& name, size_t size);

    bool isValid() const { return m_data != nullptr; }
    int error() const { return m_error; } // errno of a failed Create/Open
    unsigned char* data() const { return m_data; }
    size_t size() const { return m_size; }
    void close();

    // The name of the object in the system's name space.
    static QByteArray SystemName(const QString& name);

private:
    static FileMapping Failed(int error);
    static FileMapping Map(int fd, size_t size, const QByteArray& systemName, bool owner);

    int m_fd = -1;
    unsigned char* m_data = nullptr;
    size_t m_size = 0;
    int m_error = 0;
    QByteArray m_systemName; // set for the creator, which removes the name
};

} // namespace flk
