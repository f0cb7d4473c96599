#pragma once
// The program's top-level windows of one class, as tests look for them.

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace flk::test {

template <typename Window> QList<Window*> TopLevel()
{
    QList<Window*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(w))
            found << window;
    return found;
}

// Deletes them all. Closing one can take others with it (its own pop-ups),
// so they are collected as guarded pointers first.
template <typename Window> void DeleteTopLevel()
{
    QList<QPointer<Window>> all;
    for (Window* w : TopLevel<Window>())
        all << w;
    for (const QPointer<Window>& w : all)
        delete w.data();
}

} // namespace flk::test
