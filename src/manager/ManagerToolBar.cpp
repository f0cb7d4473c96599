// The manager window's toolbar.
#include "Manager.h"

namespace flk {

void TfrmManager::GetToolBar() {}

void TfrmManager::ApplyToolBarPreferences(bool allButtonsOff, bool showText)
{
    (void)allButtonsOff;
    (void)showText;
}

} // namespace flk
