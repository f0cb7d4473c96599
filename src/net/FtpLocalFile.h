#pragma once
// The local file an FTP download writes into, through a TFileStream: the
// data connection's bytes either move from the socket into the file inside
// the kernel (ReceiveFrom) or are written as blocks that the stream gathers
// for its writer thread; everything is in the file after Flush and Close.
//
// The sharing modes of the client map to advisory locks: exclusive and
// deny-read take an exclusive lock, deny-write a shared one, compat and
// deny-none none. A file another holder has locked cannot be opened.

#include <QString>
#include <QtGlobal>
#include <memory>

#include "FileStream.h"

namespace flk {

class TWSocket;

enum TFtpShareMode { ftpShareCompat, ftpShareExclusive, ftpShareDenyWrite, ftpShareDenyRead, ftpShareDenyNone };

class TFtpLocalFile {
public:
    TFtpLocalFile() = default;
    ~TFtpLocalFile();
    TFtpLocalFile(const TFtpLocalFile&) = delete;
    TFtpLocalFile& operator=(const TFtpLocalFile&) = delete;

    // Creates the file, replacing an existing one. False when it cannot be
    // created or locked.
    bool Create(const QString& path, TFtpShareMode share);
    // Opens an existing file for writing at `offset`. False when it does
    // not exist or cannot be opened or locked.
    bool OpenAt(const QString& path, qint64 offset, TFtpShareMode share);

    bool IsOpen() const { return m_stream != nullptr; }
    // Appends at the current position; false once a write to disk failed.
    bool Write(const char* data, qint64 len);
    // Writes out the buffer; false when that failed (or failed earlier).
    bool Flush();
    // Up to max bytes from the socket straight into the file, at the current
    // position (TWSocket::ReceiveToFile's result); a failed move fails the file.
    qint64 ReceiveFrom(TWSocket& socket, qint64 max);
    // Flushes and closes; false when any write failed. Closing a closed
    // file does nothing and returns true.
    bool Close();

    // Size of a file on disk, -1 when it does not exist.
    static qint64 SizeOf(const QString& path);

private:
    bool Open(const QString& path, int flags, TFtpShareMode share, qint64 offset);

    std::unique_ptr<TFileStream> m_stream;
    bool m_failed = false;
};

} // namespace flk
