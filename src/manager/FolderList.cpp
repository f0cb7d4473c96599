#include "FolderList.h"

#include "BackgroundWork.h"
#include "DirectoryWatch.h"
#include "FolderModel.h"
#include "PumpGuard.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace flk {

const QString TFolderList::kHint =
    QStringLiteral("This area displays all of the files located in the selected folder.  Right-click on a file for a "
                   "helpful menu. F5 to refresh.");

namespace {

// A reading that never reports back (a network share that hangs) gives up
// after this long; nothing waits on it in a normal run.
constexpr int kLoadLimitMs = 20000;
// Changes on disk come in bursts (a file written, renamed, its record
// stored): one reading per burst.
constexpr int kWatchDelayMs = 100;

QString WithSlash(QString directory)
{
    if (!directory.isEmpty() && !directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    return directory;
}

// Every item of the icon styles fills its cell of the grid. Items share one
// size (thousands of files are laid out at once), and that size would
// otherwise be measured on one sample name, cutting longer ones short. Where
// names wrap (large icons) a name without blanks may break after its
// punctuation or inside a long run, so it takes the lines its cell has
// instead of one cut line.
class GridCellDelegate : public QStyledItemDelegate {
public:
    explicit GridCellDelegate(QListView* view) : QStyledItemDelegate(view), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize grid = m_view->gridSize();
        if (grid.isValid() && m_view->wordWrap())
            return grid;
        const QSize hint = QStyledItemDelegate::sizeHint(option, index);
        return grid.isValid() ? QSize(grid.width(), std::min(hint.height(), grid.height())) : hint;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_view->wordWrap())
            option->text = Breakable(option->text);
    }

private:
    static QString Breakable(const QString& name)
    {
        constexpr QChar kBreak(0x200B); // zero-width space: a place to break, nothing shown
        constexpr int kLongestRun = 10;
        QString out;
        out.reserve(name.size() + name.size() / 4);
        int run = 0;
        for (QChar c : name) {
            out += c;
            if (c.isSpace()) {
                run = 0;
                continue;
            }
            if (c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.') || ++run >= kLongestRun) {
                out += kBreak;
                run = 0;
            }
        }
        return out;
    }

    QListView* m_view;
};

// Items of the icon styles laid out between two runs of the window's messages.
constexpr int kLayoutBatch = 500;

// From this many files a folder's watch is set up off the window's thread
// (the kernel walks the directory's entries to add it).
constexpr int kLargeFolder = 5000;

// Room beside a cell's text (the view's margins and focus frame).
constexpr int kCellPadding = 16;

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
    m_details->header()->setStretchLastSection(false);
    // A click on a header sorts by its column, starting from the order read.
    m_details->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_details->header()->setSortIndicatorShown(true);
    m_details->header()->setSectionsClickable(true);
    m_details->setSortingEnabled(true);
    SetupView(m_details);

    m_icons = new QListView(this);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setWrapping(true);
    m_icons->setUniformItemSizes(true);
    m_icons->setItemDelegate(new GridCellDelegate(m_icons));
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

    m_model = new TFolderModel(this);
    m_details->setModel(m_model);
    m_icons->setModel(m_model);
    QItemSelectionModel* unused = m_icons->selectionModel();
    m_selection = m_details->selectionModel();
    m_icons->setSelectionModel(m_selection); // one selection, whichever view shows it
    delete unused;
    connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] { SelectionChanged(); });
    // The header forgets its sections' sizes when the rows are replaced.
    connect(m_model, &QAbstractItemModel::modelReset, this, &TFolderList::ApplyColumns);
    connect(m_details->header(), &QHeaderView::sectionResized, this, &TFolderList::ColumnResized);
    ApplyColumns();

    m_readers.setMaxThreadCount(2);
    m_watcher = new DirectoryWatch(this);
    m_watchDelay = new QTimer(this);
    m_watchDelay->setSingleShot(true);
    m_watchDelay->setInterval(kWatchDelayMs);
    // At most one reading per delay, even while a file keeps changing.
    connect(m_watcher, &DirectoryWatch::Changed, this, [this] {
        if (!m_watchDelay->isActive())
            m_watchDelay->start();
    });
    connect(m_watchDelay, &QTimer::timeout, this, &TFolderList::ChangedOnDisk);

    ApplyStyle();
}

TFolderList::~TFolderList()
{
    // Readings in flight stop at their next look and report to nobody.
    m_wanted = -1;
    m_readers.waitForDone();
}

// The layout's widths are the least a column takes: Size and Modified are as
// wide as their longest value in this desktop's font and language, Type as
// its longest type, and Name takes what is left of the list's width. A width
// the user drags lasts while the window lives; none is stored.
void TFolderList::ApplyColumns()
{
    QHeaderView* header = m_details->header();
    const QFontMetrics fm(m_details->font());
    const QLocale locale = QLocale::system();
    auto widest = [&](const QStringList& texts, int column) {
        int w = QFontMetrics(header->font()).horizontalAdvance(TFolderModel::Caption(column)) + 2 * kCellPadding;
        for (const QString& t : texts)
            w = std::max(w, fm.horizontalAdvance(t) + kCellPadding);
        return w;
    };
    QStringList sizes;
    for (qint64 unit = 1; unit <= (qint64(1) << 40); unit <<= 10)
        sizes << locale.formattedDataSize(unit * 1023 + unit / 10 * 9) << locale.formattedDataSize(1023);
    QStringList dates;
    for (int hour : {0, 12, 23})
        dates << locale.toString(QDateTime(QDate(2026, 12, 28), QTime(hour, 58)), QLocale::ShortFormat)
              << locale.toString(QDateTime(QDate(2026, 9, 30), QTime(hour, 58)), QLocale::ShortFormat);
    int widths[TFolderModel::ColumnCount] = {200, 50, 50, 50, 100, 200};
    widths[TFolderModel::Size] = std::max(widths[TFolderModel::Size], widest(sizes, TFolderModel::Size));
    widths[TFolderModel::Type] = std::max(widths[TFolderModel::Type], widest(m_model->TypeTexts(), TFolderModel::Type));
    widths[TFolderModel::Modified] = std::max(widths[TFolderModel::Modified], widest(dates, TFolderModel::Modified));
    m_fittingColumns = true;
    for (int c = 0; c < TFolderModel::ColumnCount; ++c)
        header->resizeSection(c, m_userWidths.value(c, widths[c]));
    m_fittingColumns = false;
    header->setSectionHidden(TFolderModel::Extension, true);
    header->setSectionHidden(TFolderModel::Attributes, true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FitNameColumn();
}

void TFolderList::ColumnResized(int column, int, int newSize)
{
    if (m_fittingColumns)
        return;
    m_userWidths.insert(column, newSize);
    if (column != TFolderModel::Name)
        FitNameColumn();
}

// Name takes the list's free width, never less than its least (or the
// user's) width; the list scrolls sideways below that.
void TFolderList::FitNameColumn()
{
    QHeaderView* header = m_details->header();
    int others = 0;
    for (int c = 0; c < TFolderModel::ColumnCount; ++c)
        if (c != TFolderModel::Name && !header->isSectionHidden(c))
            others += header->sectionSize(c);
    const int least = m_userWidths.value(TFolderModel::Name, 200);
    m_fittingColumns = true;
    header->resizeSection(TFolderModel::Name, std::max(least, m_details->viewport()->width() - others));
    m_fittingColumns = false;
}

void TFolderList::SetupView(QAbstractItemView* view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Drags and drops are the window's (its file operations).
    view->setDragEnabled(false);
    view->setContextMenuPolicy(Qt::DefaultContextMenu);
    view->setStatusTip(kHint);
    view->setAccessibleName(tr("Files"));
    view->setAccessibleDescription(kHint);
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
    Watch();
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
    m_watchDelay->stop();
    const int generation = ++m_generation;
    m_wanted = generation;
    if (directory.isEmpty()) {
        m_loading = false; // ends a reading this one overtook
        Show(TDirectoryListing());
        emit Refreshed();
        return;
    }
    // Run messages until the reading is back, so callers see it complete.
    m_loading = true;
    StartReading(generation, QDir::cleanPath(directory));
    bool expired = false;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [&expired] { expired = true; });
    limit.start(kLoadLimitMs);
    const PumpGuard alive(this);
    if (!alive.PumpUntil([&] { return m_arrivedGeneration == generation || expired || generation != m_generation; }))
        return; // the window is gone
    if (generation != m_generation)
        return; // a newer reading took over
    m_loading = false;
    TDirectoryListing listing;
    if (m_arrivedGeneration == generation)
        listing = std::move(*m_arrived);
    else
        listing.directory = QDir::cleanPath(directory); // never came back: shown as unreadable
    m_arrived.reset();
    if (Show(std::move(listing))) {
        SelectFiles(keepSelected);
        if (const QModelIndex current = IndexOf(keepCurrent); current.isValid())
            m_selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    }
    emit Refreshed();
}

void TFolderList::StartReading(int generation, const QString& directory)
{
    // The list outlives every reading: its destructor waits for them.
    m_readers.start([this, generation, directory] {
        RunBehindTheWindow(); // and the thread that describes the other half
        auto listing = std::make_shared<TDirectoryListing>(TDirectoryListing::Read(directory, m_wanted, generation));
        if (listing->stopped)
            return;
        QMetaObject::invokeMethod(
            this, [this, generation, listing] { Arrived(generation, std::move(*listing)); }, Qt::QueuedConnection);
    });
}

void TFolderList::Arrived(int generation, TDirectoryListing listing)
{
    if (generation != m_generation)
        return;
    if (m_loading) {
        m_arrived = std::move(listing);
        m_arrivedGeneration = generation;
        return;
    }
    // A change on disk: dropped when the list stopped watching meanwhile.
    if (m_autoRefresh)
        Show(std::move(listing));
}

// Shows a reading (empty: nothing listed). True when it replaced the rows
// rather than updating them in place.
bool TFolderList::Show(TDirectoryListing listing)
{
    const bool hadSelection = m_selection->hasSelection();
    const bool replaced = !listing.readable || listing.directory != m_model->Directory();
    m_unavailable = !listing.readable && !listing.directory.isEmpty();
    if (listing.readable)
        m_model->Show(std::move(listing));
    else
        m_model->Clear();
    if (m_unavailable)
        m_notice->setText(tr("The directory %1 does not exist or cannot be read.")
                              .arg(QDir::toNativeSeparators(m_directory)));
    m_stack->setCurrentWidget(m_unavailable ? static_cast<QWidget*>(m_notice) : View());
    Watch();
    // A new set of rows drops the selection without a word.
    if (hadSelection && !m_selection->hasSelection())
        SelectionChanged();
    return replaced;
}

void TFolderList::Watch()
{
    m_watcher->Watch(m_autoRefresh ? m_model->Directory() : QString(), m_model->rowCount() >= kLargeFolder);
}

void TFolderList::ChangedOnDisk()
{
    if (!m_autoRefresh || m_model->Directory().isEmpty())
        return;
    if (m_loading) {
        m_watchDelay->start();
        return;
    }
    const int generation = ++m_generation;
    m_wanted = generation;
    StartReading(generation, m_model->Directory());
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
    struct IconLook {
        QListView::ViewMode mode;
        QListView::Flow flow;
        int icon;
        QSize grid;
        bool wrapText;
    };
    static const IconLook looks[] = {
        {QListView::IconMode, QListView::LeftToRight, 32, QSize(96, 64), true},   // large icons (the least)
        {QListView::ListMode, QListView::TopToBottom, 16, QSize(160, 20), false}, // list
        {QListView::ListMode, QListView::LeftToRight, 16, QSize(160, 20), false}, // small icons
    };
    if (m_style != vsDetails) {
        const IconLook& look = looks[m_style == vsLargeIcons ? 0 : m_style == vsList ? 1 : 2];
        m_icons->setViewMode(look.mode);
        m_icons->setFlow(look.flow);
        m_icons->setIconSize(QSize(look.icon, look.icon));
        m_icons->setGridSize(look.wrapText ? LargeIconCell(look.grid, look.icon) : look.grid);
        m_icons->setWordWrap(look.wrapText);
    }
    // Settings that the view mode resets.
    m_icons->setMovement(QListView::Static);
    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setTextElideMode(Qt::ElideMiddle);
    // A large folder is laid out a part at a time, the window running
    // between the parts (the first part, the top of the list, at once).
    m_icons->setLayoutMode(QListView::Batched);
    m_icons->setBatchSize(kLayoutBatch);
    if (!m_unavailable)
        m_stack->setCurrentWidget(View());
    setFocusProxy(View());
}

// A large-icons cell holds the icon and three lines of a name in this
// desktop's font.
QSize TFolderList::LargeIconCell(QSize least, int icon) const
{
    const QFontMetrics fm(m_icons->font());
    const int width = std::max(least.width(), fm.averageCharWidth() * 14 + 8);
    const int height = std::max(least.height(), icon + 10 + 3 * fm.lineSpacing());
    return {width, height};
}

// ---------------------------------------------------------------------------
// Items

int TFolderList::ItemCount() const
{
    return m_model->rowCount();
}

QString TFolderList::NameOf(const QModelIndex& index) const
{
    return index.isValid() ? m_model->FileName(index.row()) : QString();
}

QModelIndex TFolderList::IndexOf(const QString& fileName) const
{
    const int row = fileName.isEmpty() ? -1 : m_model->Row(fileName);
    return row < 0 ? QModelIndex() : m_model->index(row, TFolderModel::Name);
}

QStringList TFolderList::FileNames() const
{
    QStringList names;
    const int rows = ItemCount();
    names.reserve(rows);
    for (int row = 0; row < rows; ++row)
        names << m_model->FileName(row);
    return names;
}

QString TFolderList::TopFileName() const
{
    return m_model->FileName(0);
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
    case QEvent::Resize:
        if (watched == m_details->viewport())
            FitNameColumn();
        return false;
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
