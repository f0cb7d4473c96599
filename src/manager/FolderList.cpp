#include "FolderList.h"

#include "FolderModel.h"
#include "PumpGuard.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace flk {

const QString TFolderList::kHint =
    QStringLiteral("This area displays all of the files located in the selected folder.  Right-click on a file for a "
                   "helpful menu. F5 to refresh.");

namespace {

// A listing that never reports back (a directory gone while it was read)
// gives up after this long; nothing waits on it in a normal run.
constexpr int kLoadLimitMs = 20000;

QString WithSlash(QString directory)
{
    if (!directory.isEmpty() && !directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    return directory;
}

bool Readable(const QString& directory)
{
    const QFileInfo info(directory);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

} // namespace

TFolderList::TFolderList(QWidget* parent) : QWidget(parent)
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);

    m_details = new QTreeView(this);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setSortingEnabled(false);
    m_details->header()->setSectionsClickable(false);
    m_details->header()->setStretchLastSection(false);
    SetupView(m_details);

    m_icons = new QListView(this);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setWrapping(true);
    m_icons->setUniformItemSizes(true);
    SetupView(m_icons);

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("lblListNotice"));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->setWordWrap(true);
    m_notice->setAutoFillBackground(true);
    m_notice->setBackgroundRole(QPalette::Base);
    m_notice->setMargin(12);

    m_stack->addWidget(m_details);
    m_stack->addWidget(m_icons);
    m_stack->addWidget(m_notice);

    // Nothing listed until the first directory.
    Show(nullptr, QString());
    ApplyStyle();
}

TFolderList::~TFolderList() = default;

void TFolderList::SetupView(QAbstractItemView* view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Drags and drops are the window's (its file operations).
    view->setDragEnabled(false);
    view->setContextMenuPolicy(Qt::DefaultContextMenu);
    view->setStatusTip(kHint);
    // The selection keeps its colour when the list loses the focus.
    QPalette keep = view->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        keep.setColor(QPalette::Inactive, role, keep.color(QPalette::Active, role));
    view->setPalette(keep);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { emit DoubleClick(); });
}

QAbstractItemView* TFolderList::View() const
{
    return m_style == vsDetails ? static_cast<QAbstractItemView*>(m_details) : m_icons;
}

QWidget* TFolderList::viewport() const
{
    return View()->viewport();
}

QList<QWidget*> TFolderList::Viewports() const
{
    return {m_details->viewport(), m_icons->viewport()};
}

// ---------------------------------------------------------------------------
// Directory

void TFolderList::SetDirectory(const QString& directory)
{
    m_directory = WithSlash(directory);
    Load(m_directory, {}, {});
}

void TFolderList::Refresh()
{
    Load(m_directory, SelectedFileNames(), FocusedFileName());
}

void TFolderList::SetAutoRefresh(bool on)
{
    if (on == m_autoRefresh)
        return;
    m_autoRefresh = on;
    if (m_model)
        m_model->setOption(QFileSystemModel::DontWatchForChanges, !on);
    if (!on || m_refreshPending)
        return;
    // What changed while nobody watched shows once the caller is done.
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_refreshPending)
            Refresh();
    });
}

void TFolderList::Load(const QString& directory, const QStringList& keepSelected, const QString& keepCurrent)
{
    m_refreshPending = false;
    const int generation = ++m_generation;
    if (directory.isEmpty() || !Readable(directory)) {
        m_unavailable = !directory.isEmpty();
        Show(nullptr, QString());
        emit Refreshed();
        return;
    }
    auto* model = new TFolderModel(this);
    model->setOption(QFileSystemModel::DontWatchForChanges, !m_autoRefresh);

    // The model reads the directory on its own thread; run messages until it
    // has, so callers see the listing complete.
    const QString wanted = QDir::cleanPath(directory);
    bool loaded = false;
    bool expired = false;
    connect(model, &QFileSystemModel::directoryLoaded, this, [&loaded, wanted](const QString& path) {
        if (QDir::cleanPath(path) == wanted)
            loaded = true;
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [&expired] { expired = true; });
    limit.start(kLoadLimitMs);
    model->setRootPath(wanted);
    const PumpGuard alive(this);
    if (!alive.PumpUntil([&] { return loaded || expired || generation != m_generation; }))
        return; // the window is gone
    disconnect(model, &QFileSystemModel::directoryLoaded, this, nullptr);
    if (generation != m_generation) {
        model->deleteLater(); // a newer listing took over
        return;
    }
    // Rows added last are sorted on the next pass of the loop.
    if (!alive.ProcessMessages() || generation != m_generation) {
        if (alive)
            model->deleteLater();
        return;
    }
    model->sort(TFolderModel::Name, Qt::AscendingOrder);
    m_unavailable = false;
    Show(model, wanted);
    SelectFiles(keepSelected);
    if (const QModelIndex current = IndexOf(keepCurrent); current.isValid())
        m_selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    emit Refreshed();
}

// Puts a loaded model (none: nothing to list) into both views and drops the
// one before.
void TFolderList::Show(TFolderModel* model, const QString& directory)
{
    const bool hadSelection = m_selection && m_selection->hasSelection();
    TFolderModel* oldModel = m_model;
    QItemSelectionModel* oldSelection = m_selection;
    m_model = model;
    m_details->setModel(model);
    m_icons->setModel(model);
    QItemSelectionModel* unused = m_icons->selectionModel();
    m_selection = m_details->selectionModel();
    m_icons->setSelectionModel(m_selection); // one selection, whichever view shows it
    unused->deleteLater();
    connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] { SelectionChanged(); });
    const QModelIndex root = model && !directory.isEmpty() ? model->index(directory) : QModelIndex();
    m_details->setRootIndex(root);
    m_icons->setRootIndex(root);

    QHeaderView* header = m_details->header();
    const int widths[TFolderModel::ColumnCount] = {200, 50, 50, 50, 100, 200};
    for (int c = 0; c < TFolderModel::ColumnCount; ++c)
        header->resizeSection(c, widths[c]);
    header->setSectionHidden(TFolderModel::Extension, true);
    header->setSectionHidden(TFolderModel::Attributes, true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (m_unavailable)
        m_notice->setText(tr("The directory %1 does not exist or cannot be read.")
                              .arg(QDir::toNativeSeparators(m_directory)));
    m_stack->setCurrentWidget(m_unavailable ? static_cast<QWidget*>(m_notice) : View());
    if (oldSelection)
        oldSelection->deleteLater();
    if (oldModel)
        oldModel->deleteLater();
    if (hadSelection)
        SelectionChanged(); // the old selection went with the old model
}

// Reported once the model is done: the model changes the selection in the
// middle of its own updates (a file removed on disk), and the window's
// handling runs messages.
void TFolderList::SelectionChanged()
{
    if (signalsBlocked() || m_selectionPending)
        return;
    m_selectionPending = true;
    QTimer::singleShot(0, this, [this] {
        m_selectionPending = false;
        if (!signalsBlocked())
            emit SelectionChange();
    });
}

// ---------------------------------------------------------------------------
// View styles

void TFolderList::SetViewStyle(ViewStyle style)
{
    if (style != vsLargeIcons && style != vsList && style != vsDetails && style != vsSmallIcons)
        return;
    const bool focused = View()->hasFocus();
    m_style = style;
    ApplyStyle();
    if (focused)
        View()->setFocus();
}

void TFolderList::ApplyStyle()
{
    switch (m_style) {
    case vsLargeIcons:
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(QSize(32, 32));
        m_icons->setGridSize(QSize(96, 64));
        m_icons->setWordWrap(true);
        break;
    case vsSmallIcons:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize(160, 20));
        m_icons->setWordWrap(false);
        break;
    case vsList:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::TopToBottom);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize(160, 20));
        m_icons->setWordWrap(false);
        break;
    case vsDetails:
        break;
    }
    // Settings that the view mode resets.
    m_icons->setMovement(QListView::Static);
    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setTextElideMode(Qt::ElideMiddle);
    if (!m_unavailable)
        m_stack->setCurrentWidget(View());
    setFocusProxy(View());
}

// ---------------------------------------------------------------------------
// Items

QModelIndex TFolderList::Root() const
{
    return m_details->rootIndex();
}

int TFolderList::ItemCount() const
{
    return m_model && Root().isValid() ? m_model->rowCount(Root()) : 0;
}

QString TFolderList::NameOf(const QModelIndex& index) const
{
    return index.isValid() && m_model ? m_model->fileName(index.siblingAtColumn(TFolderModel::Name)) : QString();
}

QModelIndex TFolderList::IndexOf(const QString& fileName) const
{
    if (fileName.isEmpty() || !Root().isValid())
        return {};
    const int rows = ItemCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = m_model->index(row, TFolderModel::Name, Root());
        if (m_model->fileName(index) == fileName)
            return index;
    }
    return {};
}

QStringList TFolderList::FileNames() const
{
    QStringList names;
    const int rows = ItemCount();
    names.reserve(rows);
    for (int row = 0; row < rows; ++row)
        names << m_model->fileName(m_model->index(row, TFolderModel::Name, Root()));
    return names;
}

QString TFolderList::TopFileName() const
{
    return ItemCount() > 0 ? NameOf(m_model->index(0, TFolderModel::Name, Root())) : QString();
}

QString TFolderList::FileNameAt(const QPoint& viewportPoint) const
{
    return NameOf(View()->indexAt(viewportPoint));
}

QString TFolderList::FocusedFileName() const
{
    return m_selection ? NameOf(m_selection->currentIndex()) : QString();
}

// ---------------------------------------------------------------------------
// Selection

QString TFolderList::SelectTop()
{
    const QString top = TopFileName();
    if (!top.isEmpty())
        SelectFile(top);
    return top;
}

bool TFolderList::SelectFile(const QString& fileName)
{
    const QModelIndex index = IndexOf(fileName);
    if (!index.isValid())
        return false;
    m_selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    View()->scrollTo(index);
    return true;
}

void TFolderList::SelectFiles(const QStringList& fileNames)
{
    QItemSelection wanted;
    QModelIndex first;
    for (const QString& name : fileNames) {
        const QModelIndex index = IndexOf(name);
        if (!index.isValid())
            continue;
        if (!first.isValid())
            first = index;
        wanted.select(index, index);
    }
    if (!first.isValid()) {
        m_selection->clearSelection();
        return;
    }
    m_selection->select(wanted, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_selection->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
}

namespace {
QModelIndexList InListOrder(QModelIndexList rows)
{
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return rows;
}
} // namespace

int TFolderList::SelectedCount() const
{
    return m_selection ? static_cast<int>(m_selection->selectedRows(TFolderModel::Name).size()) : 0;
}

QString TFolderList::SelectedFileName() const
{
    const QStringList names = SelectedFileNames();
    return names.isEmpty() ? QString() : names.first();
}

QStringList TFolderList::SelectedFileNames() const
{
    QStringList names;
    if (!m_selection)
        return names;
    for (const QModelIndex& index : InListOrder(m_selection->selectedRows(TFolderModel::Name)))
        names << NameOf(index);
    return names;
}

QStringList TFolderList::SelectedCaptions() const
{
    QStringList captions;
    if (!m_selection)
        return captions;
    for (const QModelIndex& index : InListOrder(m_selection->selectedRows(TFolderModel::Name)))
        captions << index.data(Qt::DisplayRole).toString();
    return captions;
}

// ---------------------------------------------------------------------------
// Mouse, keys and menus of the views

bool TFolderList::KeyFiltered(int key) const
{
    // Enter and Backspace do nothing in the list; Delete belongs to the
    // window's menus (the window decides what it does).
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Backspace || key == Qt::Key_Delete;
}

bool TFolderList::eventFilter(QObject* watched, QEvent* event)
{
    const bool onView = watched == m_details || watched == m_icons;
    const bool onViewport = watched == m_details->viewport() || watched == m_icons->viewport();
    if (!onView && !onViewport)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrlOnly = key->modifiers() == Qt::ControlModifier;
        if (KeyFiltered(key->key()) || (ctrlOnly && (key->key() == Qt::Key_V || key->key() == Qt::Key_P)))
            event->accept(); // the list's own, before any window shortcut
        return false;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrlOnly = key->modifiers() == Qt::ControlModifier;
        if (key->key() == Qt::Key_Delete || (ctrlOnly && (key->key() == Qt::Key_V || key->key() == Qt::Key_P))) {
            emit KeyPressed(key->key(), key->modifiers());
            return true;
        }
        return KeyFiltered(key->key());
    }
    case QEvent::KeyRelease:
        return KeyFiltered(static_cast<QKeyEvent*>(event)->key());
    case QEvent::MouseButtonPress:
        if (onViewport) {
            // After the view has handled the press (selection, focus).
            auto* mouse = static_cast<QMouseEvent*>(event);
            const Qt::MouseButton button = mouse->button();
            const QPoint at = mouse->position().toPoint();
            QTimer::singleShot(0, this, [this, button, at] { emit MouseDown(button, at); });
        }
        return false;
    case QEvent::ContextMenu:
        if (onViewport) {
            emit ContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace flk
