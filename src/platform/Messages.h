#pragma once
// The hidden-window message model: a window is an object with a handle;
// PostMessage queues a message for its WndProc, SendMessage calls it at once.
// Everything runs on the GUI thread, as the program's design expects, except
// PostMessage, which any thread may call.

#include <QObject>
#include <QEvent>
#include <cstdint>

namespace flk {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT = unsigned int;

class HiddenWindow;
using HWND = std::uintptr_t; // 0 is "no window"

constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_USER = 0x0400;

class HiddenWindow : public QObject {
    Q_OBJECT
public:
    explicit HiddenWindow(QObject* parent = nullptr);
    ~HiddenWindow() override;

    HWND handle() const { return m_handle; }

    // The window procedure; the default answers 0.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // The live window behind a handle, or nullptr once it is destroyed.
    static HiddenWindow* fromHandle(HWND h);

protected:
    bool event(QEvent* e) override;

private:
    HWND m_handle = 0;
};

// Queues the message; false when the handle names no live window. Safe from
// any thread.
bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls the window procedure directly; 0 when the handle names no live window.
LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// Runs the pending messages once and returns.
void ProcessMessages();
// Runs messages, waiting for more, until done() is true (nested loop of the
// synchronous calls).
template <typename Pred> void PumpUntil(Pred done);
void PumpOnce(); // processes events, blocking until at least one arrives

template <typename Pred> void PumpUntil(Pred done)
{
    while (!done())
        PumpOnce();
}

} // namespace flk
