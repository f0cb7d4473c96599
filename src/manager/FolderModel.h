#pragma once
// The files of one directory as the file list shows them, in its six
// columns and fixed order. The model only holds a reading made elsewhere
// (off the GUI thread); a new directory replaces every row, a new reading
// of the same directory adds, removes and updates rows in place, so the
// selection and the scroll position stay where they were.

#include "BackgroundWork.h"
#include "DirectoryListing.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QLocale>

class QFileInfo;

namespace flk {

class TFolderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Extension, Size, Attributes, Type, Modified, ColumnCount };

    explicit TFolderModel(QObject* parent = nullptr);

    // The directory of the rows (no trailing "/"); empty when there are none.
    QString Directory() const { return m_directory; }
    // Shows a reading: in place when it is of the directory already shown.
    void Show(TDirectoryListing listing);
    void Clear();

    QString FileName(int row) const;
    // The row of a file name, or -1.
    int Row(const QString& fileName) const { return m_rows.value(fileName, -1); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Clicking a header sorts by its column; -1 is the reading's own order
    // (by name). Nothing of it is stored: a new window lists by name again.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int SortColumn() const { return m_sortColumn; }
    // The Type column's texts of the rows, each once.
    QStringList TypeTexts() const;

    // Header caption of a column ("Name", "Extension", ...).
    static QString Caption(int column);
    // The letters of a file's attributes: R read-only, H hidden.
    static QString AttributeLetters(const QFileInfo& file);

private:
    using File = TDirectoryListing::File;

    void Replace(std::vector<File> files, QHash<QString, int> rows);
    void Merge(std::vector<File> files, QHash<QString, int> rows);
    // Indexes the rows by name; `rows` is that index when it was made
    // elsewhere (for the same files, in the same order).
    void IndexRows(QHash<QString, int> rows = {});
    // True when it changed the order of the reading's files.
    bool Order(std::vector<File>& files) const;
    QIcon IconOf(const File& file) const;
    QVariant Display(const File& file, int column) const;

    QString m_directory;
    std::vector<File> m_files;
    QHash<QString, int> m_rows;
    QLocale m_locale;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // Icons by theme name: a few kinds of file, thousands of rows.
    mutable QHash<QString, QIcon> m_icons;
    TBackgroundWork m_background; // frees a large folder's old rows
};

} // namespace flk
