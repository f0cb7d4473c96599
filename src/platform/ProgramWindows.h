#pragma once
// The registry of the program's windows. The tray window owns the one in
// use: it registers itself and every window it creates at start-up, and
// any layer finds a window by its class or by an interface it implements,
// without including the window's layer or keeping a pointer of its own.
// A window that is destroyed drops out by itself.
//
// Tests install one for a scope in one line:
//     ProgramWindows windows{&category, &newSection};

#include <QList>
#include <QObject>
#include <QPointer>
#include <initializer_list>

namespace flk {

class ProgramWindows {
public:
    // Installs this registry in place of the current one, which comes back
    // when this one is destroyed.
    ProgramWindows(std::initializer_list<QObject*> windows = {});
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // Registers a window (not owned).
    void Add(QObject* window);
    // A window made after start-up (a download dialog) enters the installed
    // registry; without one installed it stays unknown.
    static void Enter(QObject* window);

    // The newest live window of the installed registry that is a `W`;
    // nullptr when there is none or no registry is installed.
    template <typename W> static W* Find()
    {
        if (!s_current)
            return nullptr;
        const QList<QPointer<QObject>>& all = s_current->m_windows;
        for (auto it = all.crbegin(); it != all.crend(); ++it)
            if (W* w = dynamic_cast<W*>(it->data()))
                return w;
        return nullptr;
    }

private:
    QList<QPointer<QObject>> m_windows;
    ProgramWindows* m_previous = nullptr;
    static ProgramWindows* s_current;
};

// The program's window of class (or interface) `W`, or nullptr.
template <typename W> W* Window()
{
    return ProgramWindows::Find<W>();
}

} // namespace flk
