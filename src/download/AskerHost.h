#pragma once
// What the download dialog needs from the windows above it (tray window,
// manager window, the application). The window that implements it registers
// with the program's windows (ProgramWindows); with none registered every
// call does nothing and the queries answer "no".

#include <QString>

class QMenu;

namespace flk {

class TfrmAsker;

class AskerHost {
public:
    virtual ~AskerHost() = default;

    // "View Manager": show the manager window.
    virtual void ShowManager() {}
    // The manager window is visible and the current item of its file list is
    // named exactly `fileName`: set its last-scan label to `dateText`.
    virtual void SetLastScannedIfCurrent(const QString& fileName, const QString& dateText)
    {
        (void)fileName;
        (void)dateText;
    }
    // "Enable Download Detection" changed: the tray window's caption
    // ("FLK" or "FLK - Download Detect Disabled").
    virtual void SetTrayCaption(const QString& caption) { (void)caption; }
    // Fill the bookmarks menu before it pops up; a chosen address is handed
    // back through TfrmAsker::Bookmarks1URL.
    virtual void FillBookmarks(QMenu* menu, TfrmAsker* asker)
    {
        (void)menu;
        (void)asker;
    }
    // "New Folder" for the section at `sectionIndex` of the sections bar.
    // Returns false when the host has no bar; the dialog then opens the
    // new-folder dialog itself.
    virtual bool ShowNewFolder(int sectionIndex)
    {
        (void)sectionIndex;
        return false;
    }
    // The session is ending: enable the shutdown privilege (the tray window's
    // ChangeSecurity) and halt the process at once.
    virtual void EndSession() {}

    // The registered host, or nullptr.
    static AskerHost* instance();
};

} // namespace flk
