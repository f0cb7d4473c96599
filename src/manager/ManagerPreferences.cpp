// What the options window changes in the running manager window on OK.
#include "Manager.h"

#include "FolderList.h"

#include <QAction>

namespace flk {

// On: the file list offers the desktop's file menu; off: the window's own.
void TfrmManager::SetFileMenuMode(bool shellMenu)
{
    FEDownloads->SetShellMenu(shellMenu);
}

void TfrmManager::SetScanEnabled(bool enabled)
{
    mnuScan->setEnabled(enabled);
}

} // namespace flk
