#pragma once
// Moving and copying files and folders without ever losing one.
//
// A copy is written to a hidden temporary name beside the target and takes
// the target's name only once it is whole, so a copy that fails half-way
// leaves neither a cut file nor a changed target. A move within one file
// system is one rename. A move across file systems copies (flushed to the
// disk), puts the copy in place and only then removes the original; when a
// file's original cannot be removed, its copy goes again and the move fails,
// so the file is in one place, never in none. Modes and modification times
// go along.
//
// An existing target is kept (the call fails with "File exists") unless
// `replace` is given; then it is replaced in one step, never deleted before
// its replacement is whole. A move across file systems sets the replaced
// file aside until the original is removed and puts it back when the
// original cannot be, so a failed move changes neither folder.

#include <QString>

namespace flk {

class FileTransfer {
public:
    static bool Move(const QString& from, const QString& to, bool replace, QString* reason = nullptr);
    static bool Copy(const QString& from, const QString& to, bool replace, QString* reason = nullptr);
};

} // namespace flk
