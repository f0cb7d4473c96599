#pragma once
#include <QString>

namespace flk {

// The folder that holds the INI files and roots the default catalogue, with
// a trailing "/": $FETCHLARK_HOME when set; else the executable's folder when
// it is writable (portable use); else $XDG_DATA_HOME/fetchlark.
QString ProgramFolder();

// The folder of the shipped files (helper library, icons, help): beside the
// executable, else the install's data folder.
QString InstallFolder();

// The folder of a path, with a trailing "/".
QString WithSlash(const QString& folder);

} // namespace flk
