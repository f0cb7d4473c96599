#pragma once
// What the manager window needs from the tray window above it. The tray
// window implements it and registers with the program's windows
// (ProgramWindows); without one the calls do nothing.

namespace flk {

class FileListHost;

class ManagerHost {
public:
    virtual ~ManagerHost() = default;
    // Later starts: the tray icon's default action becomes the final one.
    virtual void ArmTrayDefault() {}
    // Later starts: the scheduled file events, once, over this window's
    // bar and file list.
    virtual void scanforevents(FileListHost& files) { (void)files; }
    // Help, About: the about box, modal.
    virtual void ShowAbout() {}
    // The window is closing (still visible): its place is kept.
    virtual void ManagerClosed() {}
};

} // namespace flk
