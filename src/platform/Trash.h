#pragma once
// The desktop's Trash as freedesktop.org's Trash standard lays it out:
// a trashed file lies in "files/" of a trash directory, and an information
// file "<name>.trashinfo" in "info/" beside it keeps its original path and
// the time of deletion, so that the desktop's file manager can show and
// restore it.
//
// Files of the home file system go to the home trash, $XDG_DATA_HOME/Trash
// (~/.local/share/Trash by default). Files of another file system go to that
// volume's own trash at its top directory: ".Trash/<uid>" when the
// administrator made a shared ".Trash" (a sticky directory, not a link),
// else ".Trash-<uid>". A file is never copied across file systems into a
// trash: when its volume has no usable trash, trashing it fails.

#include <QString>

namespace flk {

class Trash {
public:
    // Moves `path` (a file, link or directory) into its trash. False with
    // the reason in `reason` when it cannot; the file then stays where it is.
    static bool Move(const QString& path, QString* reason = nullptr);

    // The home trash directory (no trailing "/").
    static QString HomeTrash();
    // The trash directory `path` would go to, created when missing; empty
    // with the reason when there is none.
    static QString TrashFor(const QString& path, QString* reason = nullptr);
};

} // namespace flk
