// Starting with the desktop session, as the wizard's Finish sets it: the
// preferences window makes the entry; the wizard removes it itself. Both
// need the preferences window's autostart support; until it is part of the
// build, Finish writes the setting only.

#include "Config.h"

#if __has_include("Autostart.h")
#include "Autostart.h"
#include "ProgramWindows.h"
#include "preferences.h"

#include <QCheckBox>
#endif

namespace flk {

void TfrmConfig::StartWithDesktop(bool start)
{
#if __has_include("Autostart.h")
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
#else
    (void)start;
#endif
}

} // namespace flk
