#pragma once
// Message pumping for network tests: run the GUI thread's messages until a
// condition holds, with a generous safety limit so a fault fails the test
// instead of hanging it.

#include "Messages.h"

#include <QElapsedTimer>
#include <QTimer>

namespace flk::test {

template <typename Pred> bool PumpFor(Pred done, int limitMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick;  // wakes the loop so the limit is checked
    tick.start(20);
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        PumpOnce();
    }
    return true;
}

} // namespace flk::test
