#pragma once
// The application's message hub. Any layer posts the manager window's
// private messages (3024-3029) and the drop message here; the one hook
// installed (the manager window's AppMessage) handles them later, in the
// order they were posted. Posting never needs the manager: a lower layer
// includes this header only.

#include "Messages.h"

#include <QStringList>
#include <functional>

namespace flk {

constexpr UINT WM_DROPFILES = 563;        // files dropped: wParam is the drop handle
constexpr UINT WM_FLK_EDITLOOK = 3024;    // an information field got the focus: wParam its handle
constexpr UINT WM_FLK_DISPLAYLOOK = 3025; // an information field lost it: wParam its handle
constexpr UINT WM_FLK_MOVEFOLDER = 3026;  // wParam target section number, lParam folder number
constexpr UINT WM_FLK_NEWFOLDER = 3027;   // a folder was created: wParam the section index
constexpr UINT WM_FLK_SPLITTER = 3028;    // the sections bar's splitter moved
constexpr UINT WM_FLK_ENDDRAG = 3029;     // wParam the folder index (0-based) on the active page

class AppMessages {
public:
    // Handles one message; true when it was handled (marked done).
    using Hook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam)>;

    // Queues a message for the hook. Safe from any thread.
    static void Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Installs the hook that handles every message from now on, on behalf
    // of `owner`; messages arriving without a hook are dropped.
    static void SetHook(Hook hook, const void* owner = nullptr);
    // Removes the hook when `owner` installed it (a newer owner's stays).
    static void RemoveHook(const void* owner);

    // Posts WM_DROPFILES for these files. The handler reads them by the
    // message's drop handle (DragQueryFile) while it handles the message;
    // the drop is finished when the handler returns.
    static void PostDropFiles(const QStringList& files);
    static QStringList DropFiles(WPARAM drop);
};

} // namespace flk
