#include "FolderModel.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

namespace flk {

namespace {

// Where each of our columns lies in the file-system model; -1: derived here.
constexpr int kSourceColumn[TFolderModel::ColumnCount] = {0, -1, 1, -1, 2, 3};

} // namespace

TFolderModel::TFolderModel(QObject* parent) : QFileSystemModel(parent)
{
    setFilter(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    setNameFilters({QStringLiteral("*")}); // the mask "*.*": every name
    setReadOnly(true);
}

QString TFolderModel::Caption(int column)
{
    static const char* const captions[ColumnCount] = {"Name", "Extension", "Size", "Attributes", "Type", "Modified"};
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(captions[column]) : QString();
}

QString TFolderModel::AttributeLetters(const QFileInfo& file)
{
    QString letters;
    if (!file.isWritable())
        letters += QLatin1Char('R');
    if (file.isHidden())
        letters += QLatin1Char('H');
    return letters;
}

int TFolderModel::columnCount(const QModelIndex& parent) const
{
    return parent.column() > 0 ? 0 : ColumnCount;
}

QVariant TFolderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= ColumnCount)
        return {};
    const int source = kSourceColumn[index.column()];
    if (source == 0 && role == Qt::DecorationRole) {
        // Without an icon theme the desktop gives no file icons: the style's own.
        const QVariant icon = QFileSystemModel::data(index, role);
        if (icon.value<QIcon>().isNull())
            return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
        return icon;
    }
    if (source == 0)
        return QFileSystemModel::data(index, role);
    if (source > 0)
        return QFileSystemModel::data(createIndex(index.row(), source, index.internalPointer()), role);
    if (role != Qt::DisplayRole)
        return {};
    const QFileInfo file = fileInfo(createIndex(index.row(), 0, index.internalPointer()));
    return index.column() == Extension ? file.suffix() : AttributeLetters(file);
}

QVariant TFolderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QFileSystemModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return Caption(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment((section == Size ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    return {};
}

} // namespace flk
