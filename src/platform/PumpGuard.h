#pragma once
// The one rule for message pumps: a window that may be destroyed while
// messages run (a download dialog frees itself when closed, and a close can
// arrive from any pump) is never touched after the pump returns unless it
// still lives. Take a guard on the window before running messages and go on
// only while it says so:
//
//     const PumpGuard alive(this);
//     if (!alive.ProcessMessages())
//         return; // the window is gone: not one more member access

#include "Messages.h"

#include <QObject>
#include <QPointer>

namespace flk {

class PumpGuard {
public:
    explicit PumpGuard(QObject* window) : m_window(window) {}

    // The window still exists.
    bool alive() const { return !m_window.isNull(); }
    explicit operator bool() const { return alive(); }

    // Runs the pending messages once; true while the window lives.
    bool ProcessMessages() const
    {
        flk::ProcessMessages();
        return alive();
    }

    // Runs messages, waiting for more, until done() or until the window is
    // gone (done() is not asked once it is); true while the window lives.
    template <typename Pred> bool PumpUntil(Pred done) const
    {
        while (alive() && !done())
            PumpOnce();
        return alive();
    }

private:
    QPointer<QObject> m_window;
};

} // namespace flk
