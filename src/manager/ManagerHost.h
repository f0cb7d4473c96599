#pragma once
// What the manager window needs from the tray window above it. The tray
// window implements every call and registers with the program's windows
// (ProgramWindows); where none is registered (a test without one) the
// manager skips the call. A host that leaves a call out does not compile.

namespace flk {

class FileListHost;

class ManagerHost {
public:
    virtual ~ManagerHost() = default;
    // Later starts: the tray icon's default action becomes the final one.
    virtual void ArmTrayDefault() = 0;
    // Later starts: the scheduled file events, once, over this window's
    // bar and file list.
    virtual void scanforevents(FileListHost& files) = 0;
    // Help, About: the about box, modal.
    virtual void ShowAbout() = 0;
    // The window is closing (still visible): its place is kept.
    virtual void ManagerClosed() = 0;
};

} // namespace flk
