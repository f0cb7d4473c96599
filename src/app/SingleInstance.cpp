#include "SingleInstance.h"

#include "Endpoint.h"
#include "Tray.h"

namespace flk {

SingleInstance::SingleInstance() = default;

bool SingleInstance::Acquire()
{
    // The lock sits beside the windows' endpoints: one per user.
    const QString folder = Endpoint::Directory();
    if (folder.isEmpty())
        return true; // no safe per-user folder: nothing to share a lock in
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/fetchlark.lock"));
    // Never stale by age: only a lock whose process is gone is taken over.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

bool SingleInstance::ShowRunningManager()
{
    // The running copy answers under the caption its interception state gives.
    for (const QString& caption : {TfrmTray::kCaptionOn, TfrmTray::kCaptionOff}) {
        LRESULT shown = 0;
        if (Endpoint::Send(caption, TfrmTray::WM_FLK_SHOWMANAGER, 0, 0, {}, &shown))
            return shown == 1;
    }
    return false;
}

} // namespace flk
