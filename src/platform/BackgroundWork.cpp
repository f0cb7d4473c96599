#include "BackgroundWork.h"

#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace flk {

TBackgroundWork::TBackgroundWork()
{
    m_pool.setMaxThreadCount(1);
}

TBackgroundWork::~TBackgroundWork()
{
    m_pool.waitForDone();
}

void TBackgroundWork::Run(std::function<void()> work)
{
    m_pool.start([work = std::move(work)] {
        RunBehindTheWindow();
        work();
    });
}

void RunBehindTheWindow()
{
    // Still a fair share for the work on a busy desktop.
    constexpr int kBehind = 5;
    const id_t self = static_cast<id_t>(gettid()); // Linux: a thread's own priority
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, self);
    if (errno == 0 && now < kBehind)
        setpriority(PRIO_PROCESS, self, kBehind);
}

} // namespace flk
