#pragma once
// What the options window changes in the manager window above it when OK
// is pressed. The manager window implements every call and is found through
// the program's windows (ProgramWindows); where there is none (the setup
// before the manager exists, a test) the options window skips them.

namespace flk {

class PreferencesHost {
public:
    virtual ~PreferencesHost() = default;
    // The file list shows the desktop's own context menu (true) or the
    // window's pop-up menu (false).
    virtual void SetFileMenuMode(bool shellMenu) = 0;
    // The file list's "&Scan for Viruses" item.
    virtual void SetScanEnabled(bool enabled) = 0;
    // The toolbar keys were stored after a toolbar box was clicked: hide the
    // toolbar when every button is off, else show the stored buttons with
    // labels as `showText` and at the stored edge.
    virtual void ApplyToolBarPreferences(bool allButtonsOff, bool showText) = 0;
};

} // namespace flk
