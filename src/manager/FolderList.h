#pragma once
// The file list of the manager window: the files lying in one directory
// (no sub-folders; hidden files too), in a details view. It holds the
// current folder's place until the full file list with its information
// panel is built on it.

#include <QTreeWidget>

namespace flk {

class TFolderList : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFolderList(QWidget* parent = nullptr);

    // The directory shown, with a trailing "/"; empty before the first one.
    QString Directory() const { return m_directory; }
    void SetDirectory(const QString& directory);
    // Lists the directory again.
    void Refresh();

    // An item lies at the list's top-left corner: the list is not empty.
    bool HasItemAtTopLeft() const { return topLevelItemCount() > 0; }
    // Selects the top item; its file name, or empty when the list is empty.
    QString SelectTop();
    // The first selected item's file name, or empty.
    QString SelectedFileName() const;
    // How many items are selected; their file names (name and extension)
    // in list order; every item's file name in list order.
    int SelectedCount() const;
    QStringList SelectedFileNames() const;
    QStringList FileNames() const;
    // Selects (and makes current) the item of this file name; false when
    // the list has none.
    bool SelectFile(const QString& fileName);
    // Re-lists on its own when the directory changes on disk; the file
    // operations and the bar's editing switch it off while they work.
    void SetAutoRefresh(bool on) { m_autoRefresh = on; }
    bool AutoRefresh() const { return m_autoRefresh; }

private:
    QString m_directory;
    bool m_autoRefresh = true;
};

} // namespace flk
