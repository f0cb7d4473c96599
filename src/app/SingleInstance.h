#pragma once
// One running copy per user: the lock is held for the program's life.

#include <QLockFile>
#include <memory>

namespace flk {

class SingleInstance {
public:
    SingleInstance();
    // False when another copy of the program holds the lock.
    bool Acquire();
    // Asks the running copy to show and raise its manager window; true when
    // it answered that the window is shown.
    static bool ShowRunningManager();

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace flk
