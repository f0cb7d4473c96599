#include "FolderIcons.h"

#include "CatalogueBar.h"
#include "IconLibrary.h"
#include "ProgramWindows.h"
#include "Settings.h"

#include <QListWidget>

namespace flk {

QList<QIcon> FolderIconSet()
{
    if (auto* bar = Window<CatalogueBar>())
        return bar->FolderIcons();
    return IconLibrary::Load(IconLibrary::Path(Settings::IconFile()), Settings::NumIcons());
}

void FillIconList(QListWidget* list)
{
    list->clear();
    const QList<QIcon> icons = FolderIconSet();
    for (int i = 0; i < icons.size(); ++i)
        list->addItem(new QListWidgetItem(icons[i], QStringLiteral("Icon %1").arg(i + 1)));
    if (list->count() > 0)
        list->setCurrentRow(0);
}

QListWidget* NewIconList(QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setViewMode(QListView::IconMode);
    list->setIconSize(QSize(IconLibrary::kLarge, IconLibrary::kLarge));
    list->setGridSize(QSize(64, 60));
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setWrapping(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumSize(300, 140);
    return list;
}

} // namespace flk
