#include "AppMessages.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>

#include <mutex>

namespace flk {
namespace {

// The application's own window: every private message is queued on it, so
// one queue keeps them in the order posted.
class ApplicationWindow : public HiddenWindow {
public:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        AppMessages::Hook hook;
        {
            std::lock_guard lock(mutex);
            hook = this->hook;
        }
        if (hook)
            hook(msg, wParam, lParam);
        if (msg == WM_DROPFILES) {
            std::lock_guard lock(mutex);
            drops.remove(wParam);
        }
        return 0;
    }
    std::mutex mutex;
    AppMessages::Hook hook;
    const void* owner = nullptr;
    QHash<WPARAM, QStringList> drops;
    WPARAM nextDrop = 1;
};

// Created on first use and never destroyed, like the window table: a thread
// may still post while the program ends.
ApplicationWindow& Window()
{
    static ApplicationWindow* window = [] {
        auto* w = new ApplicationWindow;
        if (QCoreApplication* app = QCoreApplication::instance(); app && w->thread() != app->thread())
            w->moveToThread(app->thread());
        return w;
    }();
    return *window;
}

} // namespace

void AppMessages::Post(UINT msg, WPARAM wParam, LPARAM lParam)
{
    PostMessage(Window().handle(), msg, wParam, lParam);
}

void AppMessages::SetHook(Hook hook, const void* owner)
{
    ApplicationWindow& w = Window();
    std::lock_guard lock(w.mutex);
    w.hook = std::move(hook);
    w.owner = owner;
}

void AppMessages::RemoveHook(const void* owner)
{
    ApplicationWindow& w = Window();
    std::lock_guard lock(w.mutex);
    if (w.owner != owner)
        return;
    w.hook = {};
    w.owner = nullptr;
}

void AppMessages::PostDropFiles(const QStringList& files)
{
    ApplicationWindow& w = Window();
    WPARAM drop = 0;
    {
        std::lock_guard lock(w.mutex);
        drop = w.nextDrop++;
        w.drops.insert(drop, files);
    }
    Post(WM_DROPFILES, drop, 0);
}

QStringList AppMessages::DropFiles(WPARAM drop)
{
    ApplicationWindow& w = Window();
    std::lock_guard lock(w.mutex);
    return w.drops.value(drop);
}

} // namespace flk
