#include "ProgramWindows.h"

namespace flk {

ProgramWindows* ProgramWindows::s_current = nullptr;

ProgramWindows::ProgramWindows(std::initializer_list<QObject*> windows) : m_previous(s_current)
{
    for (QObject* w : windows)
        Add(w);
    s_current = this;
}

ProgramWindows::~ProgramWindows()
{
    if (s_current == this)
        s_current = m_previous;
}

void ProgramWindows::Add(QObject* window)
{
    // The gone leave their places, so a registry that sees many dialogs
    // come and go does not grow.
    m_windows.removeIf([](const QPointer<QObject>& w) { return w.isNull(); });
    if (window)
        m_windows << QPointer<QObject>(window);
}

void ProgramWindows::Enter(QObject* window)
{
    if (s_current)
        s_current->Add(window);
}

} // namespace flk
