#pragma once
// What the download dialog needs from the tray window above it. The tray
// window implements every call and registers with the program's windows
// (ProgramWindows); where none is registered (a test without one) the dialog
// skips the call. A host that leaves a call out does not compile.

#include <QString>

namespace flk {

class TRateLimit;

class AskerHost {
public:
    virtual ~AskerHost() = default;

    // "View Manager": show the manager window.
    virtual void ShowManager() = 0;
    // The manager window is visible and the current item of its file list is
    // named exactly `fileName`: set its last-scan label to `dateText`.
    virtual void SetLastScannedIfCurrent(const QString& fileName, const QString& dateText) = 0;
    // The session is ending: enable the shutdown privilege (the tray window's
    // ChangeSecurity) and halt the process at once.
    virtual void EndSession() = 0;
    // The speed limit of all downloads together, which every download's own
    // limit reads through; it lives as long as the program. The dialog sets
    // its rate from the settings, the options window when they change.
    virtual TRateLimit& AllDownloadsLimit() = 0;

    // The registered host, or nullptr.
    static AskerHost* instance();
};

} // namespace flk
