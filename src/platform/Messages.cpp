#include "Messages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>

#include <mutex>

namespace flk {
namespace {

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct MessageEvent : QEvent {
    MessageEvent(UINT m, WPARAM w, LPARAM l) : QEvent(kMessageEvent), msg(m), wParam(w), lParam(l) {}
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Handles are never reused, so a stale handle can never reach a newer window.
// The table is shared with threads that post (a host-name lookup finishing),
// so it is guarded, and it is never destroyed: such a thread may still post
// while the program is ending.
struct WindowTable {
    std::mutex mutex;
    HWND nextHandle = 1;
    QHash<HWND, HiddenWindow*> windows;
};

WindowTable& table()
{
    static auto* t = new WindowTable;
    return *t;
}

} // namespace

HiddenWindow::HiddenWindow(QObject* parent) : QObject(parent)
{
    std::lock_guard lock(table().mutex);
    m_handle = table().nextHandle++;
    table().windows.insert(m_handle, this);
}

HiddenWindow::~HiddenWindow()
{
    std::lock_guard lock(table().mutex);
    table().windows.remove(m_handle);
}

LRESULT HiddenWindow::WndProc(UINT, WPARAM, LPARAM)
{
    return 0;
}

HiddenWindow* HiddenWindow::fromHandle(HWND h)
{
    std::lock_guard lock(table().mutex);
    return table().windows.value(h, nullptr);
}

bool HiddenWindow::event(QEvent* e)
{
    if (e->type() == kMessageEvent) {
        auto* m = static_cast<MessageEvent*>(e);
        WndProc(m->msg, m->wParam, m->lParam);
        return true;
    }
    return QObject::event(e);
}

bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Queued under the table's lock, so the window cannot go in between.
    std::lock_guard lock(table().mutex);
    HiddenWindow* w = table().windows.value(window, nullptr);
    if (!w)
        return false;
    QCoreApplication::postEvent(w, new MessageEvent(msg, wParam, lParam));
    return true;
}

LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HiddenWindow* w = HiddenWindow::fromHandle(window);
    return w ? w->WndProc(msg, wParam, lParam) : 0;
}

void ProcessMessages()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void PumpOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace flk
