// What the options window changes in the running manager window on OK.
#include "Manager.h"

namespace flk {

// The file list's context-menu mode and its scan item come with the file
// list's own menu; until then there is nothing to switch.
void TfrmManager::SetFileMenuMode(bool shellMenu)
{
    (void)shellMenu;
}

void TfrmManager::SetScanEnabled(bool enabled)
{
    (void)enabled;
}

} // namespace flk
