// The pump guard: a window destroyed by a message that runs inside the pump
// ends the pump, and the guard says so.
#include "PumpGuard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

using namespace flk;

TEST(PumpGuardTest, AWindowDestroyedInsideThePumpStopsIt)
{
    auto* window = new QObject;
    const PumpGuard alive(window);
    EXPECT_TRUE(alive.ProcessMessages());

    QTimer tick; // other messages keep arriving, as sockets' do
    tick.start(5);
    QTimer::singleShot(0, window, [window] { window->deleteLater(); });
    int asked = 0;
    EXPECT_FALSE(alive.PumpUntil([&] {
        ++asked;
        return false; // never done by itself: only the window's end stops it
    }));
    EXPECT_FALSE(alive);
    const int askedWhenGone = asked;
    EXPECT_FALSE(alive.ProcessMessages());
    EXPECT_FALSE(alive.PumpUntil([&] { return ++asked, false; }));
    EXPECT_EQ(asked, askedWhenGone) << "a gone window's pump asks nothing more";
}
