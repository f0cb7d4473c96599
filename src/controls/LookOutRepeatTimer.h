#pragma once
// The clock behind a held scroll arrow's auto-repeat. Pages use a QTimer
// based one; tests install their own and fire it by hand.

#include <functional>
#include <memory>

namespace flk {

class TLookOutRepeatTimer {
public:
    virtual ~TLookOutRepeatTimer() = default;
    // (Re)starts the timer to fire OnTimer once after `milliseconds`.
    virtual void Start(int milliseconds) = 0;
    virtual void Stop() = 0;
    std::function<void()> OnTimer;
};

std::unique_ptr<TLookOutRepeatTimer> MakeQtRepeatTimer();

} // namespace flk
