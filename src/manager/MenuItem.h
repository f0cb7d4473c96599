#pragma once
// A menu item of the list's and the toolbar's menus. Its keys are shown in
// the menu and taken only while the menu is open: in the window the main
// menu's items own them, and in the list its key filter passes them on.

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace flk {

inline QAction* MenuItem(QMenu* menu, const QString& text, const QKeySequence& keys = {})
{
    QAction* a = menu->addAction(text);
    if (!keys.isEmpty()) {
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WidgetShortcut);
    }
    return a;
}

} // namespace flk
