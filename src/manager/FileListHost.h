#pragma once
// What the scheduled file events need of the manager window: whether its
// sections bar has any folder at all, and its file list's refresh, after-delete
// step, selection and auto-delete box. The manager window implements it; the
// walk (in the tray window's layer) calls through it.

#include <QString>

namespace flk {

class FileListHost {
public:
    virtual ~FileListHost() = default;
    // Some page of the sections bar holds a folder button.
    virtual bool HasFolderButton() const = 0;
    // Re-reads the shown folder after a file was deleted behind the list's back.
    virtual void RefreshFileList() = 0;
    // The list's own tidying after one of its files was deleted.
    virtual void AfterDelete() = 0;
    // The full path of the first selected file of the list; empty when none.
    virtual QString SelectedFilePath() const = 0;
    // Unchecks cbDelete, the auto-delete box of the information panel.
    virtual void ClearDeleteBox() = 0;
};

} // namespace flk
