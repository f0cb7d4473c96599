#include "SingleInstance.h"

#include "Endpoint.h"

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

} // namespace flk
