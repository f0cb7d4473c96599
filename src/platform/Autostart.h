#pragma once
// Starting with the desktop session: an XDG autostart entry
// "Fetchlark.desktop" in $XDG_CONFIG_HOME/autostart (default
// ~/.config/autostart) that starts the installed program. Desktops read the
// folder at log-in; removing the file ends it.

#include "Exception.h"

#include <QString>

namespace flk {

// Raised when the entry cannot be written or removed: "Unable to write to <path>".
class EAutostartError : public Exception {
public:
    using Exception::Exception;
};

class Autostart {
public:
    // The entry's full path.
    static QString EntryPath();
    // The program the entry starts: the running executable.
    static QString ProgramPath();

    // Creates or overwrites the entry, making its folder when missing; the
    // entry starts `program` with no arguments.
    static void Create(const QString& program = ProgramPath());
    // Removes the entry; nothing happens when there is none.
    static void Remove();
    // True when the entry exists.
    static bool Exists();

    // The text of an entry starting `program` (the Exec value quoted as the
    // desktop-entry rules ask, so any path survives).
    static QByteArray EntryText(const QString& program);
};

} // namespace flk
