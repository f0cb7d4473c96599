#pragma once
#include <QIcon>

namespace flk {

// The program's icon ("MAINICON"): a blue disc with a white arrow into a tray.
QIcon MainIcon();

} // namespace flk
