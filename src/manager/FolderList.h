#pragma once
// FEDownloads, the manager window's file list: the files lying in one
// directory (no sub-folders, hidden files too), multiple selection that
// stays visible without the focus, no renaming in place. Four view styles
// over one model: large icons, small icons, list and details (columns Name,
// Size, Type, Modified; Extension and Attributes exist but are hidden).
//
// The directory is read off the GUI thread; SetDirectory and Refresh run
// messages until the new reading is shown, so every question asked right
// after them is answered from the directory as it is now, while the window
// stays responsive. A reading that a newer one overtakes is dropped. While
// auto refresh is on, changes on disk are read the same way and merged in
// place.

#include "DirectoryListing.h"

#include <QHash>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <optional>

class QAbstractItemView;
class QItemSelectionModel;
class QLabel;
class QListView;
class QStackedLayout;
class QTimer;
class QTreeView;

namespace flk {

class DirectoryWatch;
class TFolderModel;

class TFolderList : public QWidget {
    Q_OBJECT
public:
    // The numbers are the stored ViewStyle values.
    enum ViewStyle { vsLargeIcons = 1, vsList = 2, vsDetails = 3, vsSmallIcons = 4 };

    static const QString kHint;

    explicit TFolderList(QWidget* parent = nullptr);
    ~TFolderList() override;

    // The directory shown, with a trailing "/"; empty before the first one.
    QString Directory() const { return m_directory; }
    void SetDirectory(const QString& directory);
    // Lists the directory again, keeping the selection of the files still there.
    void Refresh();
    // The directory is missing or cannot be read: the list is empty and says so.
    bool DirectoryUnavailable() const { return m_unavailable; }

    // ---- Items ----------------------------------------------------------------
    int ItemCount() const;
    // An item lies at the list's top-left corner: the list is not empty.
    bool HasItemAtTopLeft() const { return ItemCount() > 0; }
    // Every item's file name in list order.
    QStringList FileNames() const;
    // The top item's file name, empty when the list is empty.
    QString TopFileName() const;
    // The file name of the item under a point of the list's viewport, or empty.
    QString FileNameAt(const QPoint& viewportPoint) const;
    // The focused (current) item's file name, or empty.
    QString FocusedFileName() const;

    // ---- Selection ----------------------------------------------------------
    // Selects the top item; its file name, or empty when the list is empty.
    QString SelectTop();
    // The first selected item's file name, or empty.
    QString SelectedFileName() const;
    // How many items are selected; their file names (name and extension)
    // and display captions, in list order.
    int SelectedCount() const;
    QStringList SelectedFileNames() const;
    QStringList SelectedCaptions() const;
    // Selects (and makes current) the item of this file name, alone; false
    // when the list has none.
    bool SelectFile(const QString& fileName);
    // Selects these files (those present; none: nothing selected), the
    // first one current.
    void SelectFiles(const QStringList& fileNames);
    // The selection, shared by every view style.
    QItemSelectionModel* selectionModel() const { return m_selection; }

    // ---- Settings -------------------------------------------------------------
    ViewStyle Style() const { return m_style; }
    void SetViewStyle(ViewStyle style);
    // The desktop's file menu instead of the program's (ShowMenu).
    bool ShellMenu() const { return m_shellMenu; }
    void SetShellMenu(bool on) { m_shellMenu = on; }
    // Re-lists on its own when the directory changes on disk; the file
    // operations and the bar's editing switch it off while they work.
    // Switching it on again re-lists once messages run (or at the next Refresh).
    void SetAutoRefresh(bool on);
    bool AutoRefresh() const { return m_autoRefresh; }

    // The view now showing the files (for keyboard focus, hit tests, tests).
    QAbstractItemView* View() const;
    QTreeView* DetailsView() const { return m_details; }
    // Where the files are shown: in the style shown, and in every style
    // (drops, drags, mouse).
    QWidget* viewport() const;
    QList<QWidget*> Viewports() const;

signals:
    // The selection changed (reported once messages run).
    void SelectionChange();
    void DoubleClick();
    // A mouse button went down over the list (after the list handled it).
    void MouseDown(Qt::MouseButton button, const QPoint& viewportPoint);
    // The context menu is asked for, at a global position.
    void ContextMenu(const QPoint& globalPos);
    // A key reached the list (after its own filter let it through).
    void KeyPressed(int key, Qt::KeyboardModifiers modifiers);
    void Refreshed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Load(const QString& directory, const QStringList& keepSelected, const QString& keepCurrent);
    void StartReading(int generation, const QString& directory);
    void Arrived(int generation, TDirectoryListing listing);
    bool Show(TDirectoryListing listing);
    void Watch();
    void ChangedOnDisk();
    void SetupView(QAbstractItemView* view);
    void ApplyColumns();
    void ColumnResized(int column, int oldSize, int newSize);
    void FitNameColumn();
    QSize LargeIconCell(QSize least, int icon) const;
    void ApplyStyle();
    QModelIndex IndexOf(const QString& fileName) const;
    QString NameOf(const QModelIndex& index) const;
    bool KeyFiltered(int key) const;
    void SelectionChanged();

    QString m_directory;
    bool m_unavailable = false;
    bool m_autoRefresh = true;
    bool m_refreshPending = false;
    bool m_selectionPending = false;
    bool m_shellMenu = false;
    ViewStyle m_style = vsDetails;
    // Readings: the newest asked for, and the one a Load waits on.
    int m_generation = 0;
    std::atomic<int> m_wanted{0};
    bool m_loading = false;
    std::optional<TDirectoryListing> m_arrived;
    int m_arrivedGeneration = 0;
    QThreadPool m_readers;
    DirectoryWatch* m_watcher = nullptr;
    QTimer* m_watchDelay = nullptr;

    TFolderModel* m_model = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QStackedLayout* m_stack = nullptr;
    QTreeView* m_details = nullptr;
    QListView* m_icons = nullptr;
    QLabel* m_notice = nullptr;
    bool m_fittingColumns = false;
    QHash<int, int> m_userWidths; // columns the user sized, this session only
};

} // namespace flk
