// Starting with the desktop session, as the wizard's Finish sets it: the
// preferences window makes the entry; the wizard removes it itself.

#include "Config.h"

#include "Autostart.h"
#include "ProgramWindows.h"
#include "preferences.h"

#include <QCheckBox>

namespace flk {

void TfrmConfig::StartWithDesktop(bool start)
{
    if (!start) {
        try {
            Autostart::Remove();
        } catch (const EAutostartError&) {
            // As a deletion that fails: the setting is written all the same.
        }
        return;
    }
    if (TfrmPreferences* frmPreferences = Window<TfrmPreferences>()) {
        frmPreferences->cbAutoStart->setChecked(true);
        frmPreferences->cbAutoStartClick();
    }
}

} // namespace flk
