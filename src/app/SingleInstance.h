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

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace flk
