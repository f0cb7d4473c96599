// Work handed to the background: in turn, on one thread that is neither
// the caller's nor one of Qt's global pool (which the paint engine waits
// on), behind the window's thread, and all done before its owner goes.
#include "BackgroundWork.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace flk;

TEST(BackgroundWorkTest, RunsInTurnBehindTheWindowOffTheGlobalPoolAndIsWaitedFor)
{
    std::vector<int> order;
    std::set<QThread*> threads;
    std::mutex m;
    std::atomic<int> niceness{-100};
    {
        TBackgroundWork work;
        for (int i = 0; i < 20; ++i)
            work.Run([&, i] {
                std::this_thread::sleep_for(std::chrono::milliseconds(i == 0 ? 50 : 1));
                std::lock_guard lock(m);
                order.push_back(i);
                threads.insert(QThread::currentThread());
                errno = 0;
                niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
            });
        EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0);
    }
    ASSERT_EQ(order.size(), 20u); // the destructor waited for all of it
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(order[size_t(i)], i);
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_FALSE(threads.count(QThread::currentThread()));
    EXPECT_GE(niceness.load(), 5);
}
