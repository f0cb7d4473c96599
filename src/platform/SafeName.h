#pragma once
// SafeName: the one rule a name from outside (an address, a browser's
// hand-off, a server's Content-Disposition) passes before it becomes a file
// in a folder of the user's choosing. The result is a single name that
// stays in that folder and comes back as written:
//
// - only the last part after a "/" or "\" counts ("../../.bashrc" is
//   ".bashrc" before the next rules);
// - control characters, the bidirectional overrides (which make
//   "exe.txt" show as "txt.exe") and the byte order mark are dropped;
// - blanks, dots and dashes are taken off the front (no hidden file, no name
//   a command line reads as an option, never "." or ".."); blanks off the end;
//   a pair of quotes around the whole is taken off;
// - the name fits NAME_MAX bytes of UTF-8: the stem is cut before the
//   extension, on a character boundary.
//
// An empty result means the name has nothing usable: the caller falls back
// to another name or lets the user type one.

#include <QString>

namespace flk {

class SafeName {
public:
    static constexpr int kMaxBytes = 255; // NAME_MAX of Linux file systems

    static QString Of(const QString& name, int maxBytes = kMaxBytes);
    // The name of a file in an address: the last path segment's "%XX"
    // escapes decoded as UTF-8, then made safe.
    static QString FromEncoded(const QString& segment, int maxBytes = kMaxBytes);
};

} // namespace flk
