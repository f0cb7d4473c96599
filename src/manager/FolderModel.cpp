#include "FolderModel.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSet>
#include <QStyle>

#include <algorithm>

namespace flk {

namespace {

// Each reading describes its types anew: the same type is the same text.
bool SameType(const TDirectoryListing::File& a, const TDirectoryListing::File& b)
{
    return a.type == b.type || (a.type && b.type && a.type->text == b.type->text && a.type->iconName == b.type->iconName);
}

// Rows from which an old reading is freed on a worker thread.
constexpr size_t kFreeAsideFrom = 5000;

} // namespace

TFolderModel::TFolderModel(QObject* parent) : QAbstractTableModel(parent), m_locale(QLocale::system()) {}

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

// ---------------------------------------------------------------------------
// Readings

void TFolderModel::Show(TDirectoryListing listing)
{
    // A reading comes by name; in the order clicked, its rows merge in place.
    // The reading's index of names holds for its own order only.
    if (Order(listing.files))
        listing.rows.clear();
    if (listing.directory == m_directory && !m_directory.isEmpty())
        Merge(std::move(listing.files), std::move(listing.rows));
    else {
        m_directory = listing.directory;
        Replace(std::move(listing.files), std::move(listing.rows));
    }
}

void TFolderModel::Clear()
{
    m_directory.clear();
    Replace({}, {});
}

void TFolderModel::Replace(std::vector<File> files, QHash<QString, int> rows)
{
    beginResetModel();
    // A large folder's rows take a while to free: that is done off the
    // GUI thread (their strings and types are not shared with it).
    if (m_files.size() >= kFreeAsideFrom) {
        auto old = std::make_shared<std::pair<std::vector<File>, QHash<QString, int>>>(std::move(m_files),
                                                                                       std::move(m_rows));
        m_background.Run([old = std::move(old)]() mutable { old.reset(); });
    }
    m_files = std::move(files);
    IndexRows(std::move(rows));
    endResetModel();
}

// Both readings are in the same order, so once the files gone are taken
// out, the rows left are in the new reading's order and the new files go
// in between them.
void TFolderModel::Merge(std::vector<File> files, QHash<QString, int> rows)
{
    QHash<QString, int> wanted = std::move(rows);
    if (wanted.size() != qsizetype(files.size())) {
        wanted.clear();
        wanted.reserve(int(files.size()));
        for (int row = 0; row < int(files.size()); ++row)
            wanted.insert(files[size_t(row)].name, row);
    }

    for (int last = int(m_files.size()) - 1; last >= 0;) {
        if (wanted.contains(m_files[size_t(last)].name)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !wanted.contains(m_files[size_t(first - 1)].name))
            --first;
        beginRemoveRows({}, first, last);
        m_files.erase(m_files.begin() + first, m_files.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }

    for (int row = 0; row < int(files.size());) {
        const int next = row < int(m_files.size()) ? wanted.value(m_files[size_t(row)].name) : int(files.size());
        if (next < row) { // the order itself changed (another locale): start over
            Replace(std::move(files), std::move(wanted));
            return;
        }
        if (next > row) {
            beginInsertRows({}, row, next - 1);
            m_files.insert(m_files.begin() + row, std::make_move_iterator(files.begin() + row),
                           std::make_move_iterator(files.begin() + next));
            endInsertRows();
            row = next;
            continue;
        }
        File& shown = m_files[size_t(row)];
        File& now = files[size_t(row)];
        shown.nameRank = now.nameRank;
        if (shown.size != now.size || shown.modifiedMs != now.modifiedMs || !SameType(shown, now)) {
            shown = std::move(now);
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        }
        ++row;
    }
    // The rows are now those of the reading, in its order.
    IndexRows(std::move(wanted));
}

void TFolderModel::IndexRows(QHash<QString, int> rows)
{
    if (rows.size() == qsizetype(m_files.size())) {
        m_rows = std::move(rows);
        return;
    }
    m_rows.clear();
    m_rows.reserve(int(m_files.size()));
    for (int row = 0; row < int(m_files.size()); ++row)
        m_rows.insert(m_files[size_t(row)].name, row);
}

// Stable on the reading's name order, so equal sizes, times or types stay
// by name.
bool TFolderModel::Order(std::vector<File>& files) const
{
    const bool down = m_sortOrder == Qt::DescendingOrder;
    auto by = [&](auto key) {
        std::stable_sort(files.begin(), files.end(), [&](const File& a, const File& b) {
            return down ? key(b) < key(a) : key(a) < key(b);
        });
    };
    switch (m_sortColumn) {
    case Name:
        if (!down)
            return false;
        std::reverse(files.begin(), files.end());
        break;
    case Extension:
        by([](const File& f) { return QFileInfo(f.name).suffix().toLower(); });
        break;
    case Size:
        by([](const File& f) { return f.size; });
        break;
    case Type:
        by([](const File& f) { return f.type ? f.type->text : QString(); });
        break;
    case Modified:
        by([](const File& f) { return f.modifiedMs; });
        break;
    default:
        return false;
    }
    return true;
}

void TFolderModel::sort(int column, Qt::SortOrder order)
{
    if (column == m_sortColumn && order == m_sortOrder)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QStringList names;
    names.reserve(before.size());
    for (const QModelIndex& index : before)
        names << FileName(index.row());
    // Back to name order first: the columns' orders are all stable on it.
    if (m_sortOrder == Qt::DescendingOrder && m_sortColumn == Name)
        std::reverse(m_files.begin(), m_files.end());
    else if (m_sortColumn != -1 && m_sortColumn != Name) {
        std::sort(m_files.begin(), m_files.end(),
                  [](const File& a, const File& b) { return a.nameRank < b.nameRank; });
    }
    m_sortColumn = column;
    m_sortOrder = order;
    Order(m_files);
    IndexRows();
    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i)
        after << index(Row(names[i]), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList TFolderModel::TypeTexts() const
{
    QSet<const TDirectoryListing::FileType*> seen;
    QStringList texts;
    for (const File& file : m_files)
        if (file.type && !seen.contains(file.type.get())) {
            seen.insert(file.type.get());
            if (!texts.contains(file.type->text))
                texts << file.type->text;
        }
    return texts;
}

QString TFolderModel::FileName(int row) const
{
    return row >= 0 && row < int(m_files.size()) ? m_files[size_t(row)].name : QString();
}

// ---------------------------------------------------------------------------
// The model's questions

int TFolderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_files.size());
}

int TFolderModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Qt::ItemFlags TFolderModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

QIcon TFolderModel::IconOf(const File& file) const
{
    const QString key = file.type ? file.type->iconName : QString();
    auto known = m_icons.constFind(key);
    if (known != m_icons.constEnd())
        return *known;
    QIcon icon;
    if (file.type) {
        icon = QIcon::fromTheme(file.type->iconName);
        if (icon.isNull())
            icon = QIcon::fromTheme(file.type->genericIconName);
    }
    // Without an icon theme the desktop gives no file icons: the style's own.
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    m_icons.insert(key, icon);
    return icon;
}

QVariant TFolderModel::Display(const File& file, int column) const
{
    switch (column) {
    case Name:
        return file.name;
    case Extension:
        return QFileInfo(file.name).suffix();
    case Size:
        return m_locale.formattedDataSize(file.size);
    case Attributes:
        return AttributeLetters(QFileInfo(m_directory + QLatin1Char('/') + file.name));
    case Type:
        return file.type ? file.type->text : QString();
    case Modified:
        return m_locale.toString(QDateTime::fromMSecsSinceEpoch(file.modifiedMs), QLocale::ShortFormat);
    default:
        return {};
    }
}

QVariant TFolderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_files.size()) || index.column() >= ColumnCount)
        return {};
    const File& file = m_files[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return Display(file, index.column());
    case Qt::DecorationRole:
        return index.column() == Name ? QVariant(IconOf(file)) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == Size ? QVariant::fromValue(Qt::Alignment(Qt::AlignTrailing | Qt::AlignVCenter))
                                      : QVariant();
    default:
        return {};
    }
}

QVariant TFolderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return Caption(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment((section == Size ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    return {};
}

} // namespace flk
