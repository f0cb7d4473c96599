#include "Messages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>

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
HWND g_nextHandle = 1;
QHash<HWND, HiddenWindow*>& windows()
{
    static QHash<HWND, HiddenWindow*> table;
    return table;
}

} // namespace

HiddenWindow::HiddenWindow(QObject* parent) : QObject(parent), m_handle(g_nextHandle++)
{
    windows().insert(m_handle, this);
}

HiddenWindow::~HiddenWindow()
{
    windows().remove(m_handle);
}

LRESULT HiddenWindow::WndProc(UINT, WPARAM, LPARAM)
{
    return 0;
}

HiddenWindow* HiddenWindow::fromHandle(HWND h)
{
    return windows().value(h, nullptr);
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
    HiddenWindow* w = HiddenWindow::fromHandle(window);
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
