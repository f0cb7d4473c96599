#pragma once
// A kernel pipe that carries received bytes from a socket into a file with
// splice(2), so the bytes never pass through the process. Made on first use;
// Reset drops it, and whatever it still held, after a failed move.

#include <QtGlobal>

namespace flk {

class TSplicePipe {
public:
    static constexpr qint64 kCapacity = 256 << 10;

    TSplicePipe() = default;
    ~TSplicePipe();
    TSplicePipe(const TSplicePipe&) = delete;
    TSplicePipe& operator=(const TSplicePipe&) = delete;

    // Moves up to max bytes that are waiting on the non-blocking socket into
    // the pipe: bytes moved, 0 at the end of the stream, -1 with errno
    // (EAGAIN when nothing is waiting).
    qint64 FillFrom(int socket, qint64 max);
    // Writes the pipe's content into fd at its position; false with errno
    // when the file took less than all of it.
    bool DrainTo(int fd);
    void Reset();
    // False when this kernel cannot splice these descriptors (EINVAL/ENOSYS
    // seen before) or no pipe could be made; callers copy instead.
    bool Usable() const { return m_usable; }

    // Writes all len bytes to fd, retrying short writes; false with errno
    // (ENOSPC for a file that takes nothing) when that fails.
    static bool WriteAll(int fd, const char* data, qint64 len);

private:
    bool Open();
    bool CopyOut(int fd);

    int m_read = -1;
    int m_write = -1;
    qint64 m_held = 0; // bytes in the pipe
    bool m_usable = true;
};

} // namespace flk
