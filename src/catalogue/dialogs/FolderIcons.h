#pragma once
// The folder icons as the dialogs show them: the sections bar's icon set
// (the icon library's when no bar is there), one item per icon captioned
// "Icon " and its 1-based number.

#include <QIcon>
#include <QList>

class QListWidget;

namespace flk {

QList<QIcon> FolderIconSet();
// Fills `list` with the set; the first item is selected.
void FillIconList(QListWidget* list);
// A large-icon list, read-only, for the dialogs' icon choice.
QListWidget* NewIconList(QWidget* parent);

} // namespace flk
