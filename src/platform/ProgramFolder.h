#pragma once
#include <QString>

namespace flk {

// Where the shipped files lie. One rule serves a build folder, a portable
// copy and an install: when the install's data folder lies where the
// install rules put it relative to the executable (bin/../share/fetchlark
// for the standard folders), the program runs installed and finds its
// helper (library and native-messaging host) in the install's library
// folder (lib/fetchlark) and the rest in the data folder; otherwise
// everything lies beside the executable. Folders end with "/".
struct ShippedFolders {
    bool installed = false;
    QString helper; // FLKAuto.so, flkauto-host
    QString data;   // help, icon library, browser extension
};
ShippedFolders FindShippedFolders(const QString& executableFolder);

// The folder that holds the INI files and roots the default catalogue, with
// a trailing "/": $FETCHLARK_HOME when set; else the executable's folder
// when it is writable and not an install (portable use); else
// $XDG_DATA_HOME/fetchlark (default ~/.local/share/fetchlark).
QString ProgramFolder();

// The folder of the shipped data files (icons, help, extension).
QString InstallFolder();
// The folder of the browser helper library and its host.
QString HelperFolder();

// The folder of a path, with a trailing "/".
QString WithSlash(const QString& folder);

} // namespace flk
