#include "FolderList.h"

#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QLocale>

namespace flk {

namespace {
enum Column { Name, Size, Type, Modified };
}

TFolderList::TFolderList(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"), QStringLiteral("Modified")});
    setColumnWidth(Name, 200);
    setColumnWidth(Size, 50);
    setColumnWidth(Type, 100);
    setColumnWidth(Modified, 200);
    headerItem()->setTextAlignment(Size, Qt::AlignRight | Qt::AlignVCenter);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}

void TFolderList::SetDirectory(const QString& directory)
{
    m_directory = directory;
    if (!m_directory.isEmpty() && !m_directory.endsWith(QLatin1Char('/')))
        m_directory += QLatin1Char('/');
    Refresh();
}

void TFolderList::Refresh()
{
    clear();
    if (m_directory.isEmpty())
        return;
    static const QFileIconProvider icons;
    const QLocale locale;
    const QFileInfoList files =
        QDir(m_directory).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(Name, file.fileName());
        item->setIcon(Name, icons.icon(file));
        item->setText(Size, locale.formattedDataSize(file.size(), 0, QLocale::DataSizeTraditionalFormat));
        item->setTextAlignment(Size, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(Type, icons.type(file));
        item->setText(Modified, locale.toString(file.lastModified(), QLocale::ShortFormat));
    }
}

QString TFolderList::SelectTop()
{
    QTreeWidgetItem* top = topLevelItem(0);
    if (!top)
        return {};
    setCurrentItem(top);
    return top->text(Name);
}

QString TFolderList::SelectedFileName() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text(Name);
}

int TFolderList::SelectedCount() const
{
    return static_cast<int>(selectedItems().size());
}

QStringList TFolderList::SelectedFileNames() const
{
    QStringList names;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected())
            names << topLevelItem(i)->text(Name);
    return names;
}

QStringList TFolderList::FileNames() const
{
    QStringList names;
    for (int i = 0; i < topLevelItemCount(); ++i)
        names << topLevelItem(i)->text(Name);
    return names;
}

bool TFolderList::SelectFile(const QString& fileName)
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->text(Name) == fileName) {
            setCurrentItem(topLevelItem(i));
            return true;
        }
    return false;
}

} // namespace flk
