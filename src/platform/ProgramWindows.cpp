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
    if (window)
        m_windows << QPointer<QObject>(window);
}

} // namespace flk
