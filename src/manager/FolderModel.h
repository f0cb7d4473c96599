#pragma once
// The files of one directory as the file list shows them: Qt's file-system
// model (loaded and watched off the GUI thread) with the list's six columns
// in their fixed order. Extension and Attributes are derived here; the
// other four are the file-system model's own.

#include <QFileSystemModel>

namespace flk {

class TFolderModel : public QFileSystemModel {
    Q_OBJECT
public:
    enum Column { Name, Extension, Size, Attributes, Type, Modified, ColumnCount };

    explicit TFolderModel(QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Header caption of a column ("Name", "Extension", ...).
    static QString Caption(int column);
    // The letters of a file's attributes: R read-only, H hidden.
    static QString AttributeLetters(const QFileInfo& file);
};

} // namespace flk
