#pragma once
// Work done on another thread so the window's thread never waits for it
// (setting up or closing a large folder's change watch, freeing a large
// folder's rows or records). It runs on threads of its owner's own, never
// on Qt's global pool: the raster paint engine splits large fills over
// that pool and waits for them, so a long task there stalled a scroll
// bar's paint for 10-25 ms.

#include <QThreadPool>

#include <functional>

namespace flk {

class TBackgroundWork {
public:
    TBackgroundWork();
    // Waits for the work given so far.
    ~TBackgroundWork();
    TBackgroundWork(const TBackgroundWork&) = delete;
    TBackgroundWork& operator=(const TBackgroundWork&) = delete;

    // Runs work on the owner's thread (one; started when needed), in turn.
    void Run(std::function<void()> work);

private:
    QThreadPool m_pool;
};

// Lowers the calling thread's scheduling priority (nice +5) for good, so
// the window's thread wins the processor as soon as it wakes; a thread
// already lower keeps its own. Threads it starts inherit it.
void RunBehindTheWindow();

} // namespace flk
