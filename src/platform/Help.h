#pragma once
#include <QString>

namespace flk {

// The help file: an HTML document shipped beside the program ("flk.html").
QString HelpFile();
// Opens the help file through the shell, at `topic` when given.
void OpenHelp(const QString& topic = QString());

} // namespace flk
