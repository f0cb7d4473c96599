// The manager window's file list: where it sits, its settings, its events,
// its menus (the program's own, or the desktop's file menu) and its view
// styles.
#include "Manager.h"

#include "Dialogs.h"
#include "FolderList.h"
#include "InfoPanel.h"
#include "LookOutButton.h"
#include "MenuItem.h"
#include "PumpGuard.h"
#include "Settings.h"
#include "Shell.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>

#include <functional>

namespace flk {

namespace {

constexpr int kNotesHeight = 64;

// The list claims Backspace and Delete whatever the modifiers; these three
// are the window's menu keys (rename the section or folder, delete the
// section) and must reach them while the list has the focus, which it has
// after every press on the bar. The menu key opens the list's menu at its
// current file (the list itself answers only the mouse).
class ListKeys : public QObject {
public:
    ListKeys(QObject* parent, std::function<void(const QPoint&)> menu) : QObject(parent), m_menu(std::move(menu)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ContextMenu
            && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            auto* view = qobject_cast<QAbstractItemView*>(watched);
            if (!view)
                return false;
            const QModelIndex current = view->currentIndex();
            const QPoint at = current.isValid() ? view->visualRect(current).center() : QPoint(0, 0);
            m_menu(view->viewport()->mapToGlobal(at));
            return true;
        }
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const bool rename = key->key() == Qt::Key_Backspace
                            && (modifiers == Qt::AltModifier || modifiers == (Qt::ShiftModifier | Qt::AltModifier));
        const bool deleteSection = key->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier;
        // Not delivered, so not claimed: the window's shortcut runs.
        return rename || deleteSection;
    }

private:
    std::function<void(const QPoint&)> m_menu;
};

} // namespace

// ---------------------------------------------------------------------------
// Building

void TfrmManager::BuildFileListArea(QLayout* right)
{
    pnlInfo = new TInfoPanel(pnl1);
    edtDescription = pnlInfo->edtDescription;
    edtSource = pnlInfo->edtSource;
    cbDelete = pnlInfo->cbDelete;
    meDelete = pnlInfo->meDelete;
    lblDeletion = pnlInfo->lblDeletion;
    lblDateDownloaded = pnlInfo->lblDateDownloaded;
    lblLastOpened = pnlInfo->lblLastOpened;
    lblVChecked = pnlInfo->lblVChecked;
    mmoNotes = pnlInfo->mmoNotes;
    pnlRightPane = pnlInfo->pnlRightPane;
    right->addWidget(pnlInfo);

    Splitter2 = new QSplitter(Qt::Vertical, pnl1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    FEDownloads = new TFolderList(Splitter2);
    FEDownloads->setObjectName(QStringLiteral("FEDownloads"));
    FEDownloads->setAccessibleName(QStringLiteral("Files"));
    Splitter2->addWidget(pnlInfo->pnlNotes);
    Splitter2->addWidget(FEDownloads);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({kNotesHeight, 400});
    right->addWidget(Splitter2);
    if (auto* box = qobject_cast<QBoxLayout*>(right))
        box->setStretchFactor(Splitter2, 1);

    auto* keys = new ListKeys(this, [this](const QPoint& at) { FEDownloadsContextMenu(at); });
    for (QWidget* viewport : FEDownloads->Viewports())
        viewport->parentWidget()->installEventFilter(keys);

    BuildFileListMenus();
    ConnectInfoPanel();
    connect(FEDownloads, &TFolderList::SelectionChange, this, [this] { FEDownloadsSelectionChange(); });
    connect(FEDownloads, &TFolderList::MouseDown, this, [this] { FEDownloadsMouseDown(); });
    connect(FEDownloads, &TFolderList::DoubleClick, this, [this] { FEDownloadsDoubleClick(); });
    connect(FEDownloads, &TFolderList::Refreshed, this, [this] { FEDownloadsRefresh(); });
    connect(FEDownloads, &TFolderList::KeyPressed, this,
            [this](int key, Qt::KeyboardModifiers modifiers) { FEDownloadsKey(key, modifiers); });
    connect(FEDownloads, &TFolderList::ContextMenu, this, [this](const QPoint& at) { FEDownloadsContextMenu(at); });
}

void TfrmManager::BuildFileListMenus()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    mnuOpen = MenuItem(PopupMenu1, QStringLiteral("&Open File"));
    mnuDeleteFile = PopupMenu1->addMenu(QStringLiteral("&Delete File..."));
    mnuRecBin = MenuItem(mnuDeleteFile, QStringLiteral("&Send to Trash"), QKeySequence(Qt::Key_Delete));
    N17 = MenuItem(mnuDeleteFile, QStringLiteral("&Permanently Delete"), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    mnuScan = MenuItem(PopupMenu1, QStringLiteral("&Scan for Viruses"), QKeySequence(Qt::CTRL | Qt::Key_V));
    PopupMenu1->addSeparator();
    mnuViewStyle = PopupMenu1->addMenu(QStringLiteral("&View Style"));
    mnuFELargeIcons = MenuItem(mnuViewStyle, QStringLiteral("&Large Icons"));
    mnuFESmallIcons = MenuItem(mnuViewStyle, QStringLiteral("&Small Icons"));
    mnuFEList = MenuItem(mnuViewStyle, QStringLiteral("&List"));
    mnuFEDetails = MenuItem(mnuViewStyle, QStringLiteral("&Details"));
    mnuProps = MenuItem(PopupMenu1, QStringLiteral("&Properties"), QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(mnuOpen, &QAction::triggered, this, [this] { mnuOpenClick(); });
    connect(mnuRecBin, &QAction::triggered, this, [this] { mnuRecBinClick(); });
    connect(N17, &QAction::triggered, this, [this] { N17Click(); });
    connect(mnuScan, &QAction::triggered, this, [this] { mnuScanClick(); });
    connect(mnuProps, &QAction::triggered, this, [this] { mnuPropsClick(); });
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
    AddViewStyleItems(mnuFELargeIcons, mnuFESmallIcons, mnuFEList, mnuFEDetails);

    // What a desktop file manager offers for a file.
    pmShell = new QMenu(this);
    pmShell->setObjectName(QStringLiteral("pmShell"));
    mnuShellOpen = MenuItem(pmShell, QStringLiteral("&Open"));
    mnuShellOpenWith = MenuItem(pmShell, QStringLiteral("Open &With..."));
    mnuShellShowInFolder = MenuItem(pmShell, QStringLiteral("Show in &Folder"));
    pmShell->addSeparator();
    mnuShellTrash = MenuItem(pmShell, QStringLiteral("Move to &Trash"), QKeySequence(Qt::Key_Delete));
    pmShell->addSeparator();
    mnuShellProps = MenuItem(pmShell, QStringLiteral("P&roperties"));
    connect(mnuShellOpen, &QAction::triggered, this, [this] { mnuOpenClick(); });
    connect(mnuShellOpenWith, &QAction::triggered, this, [this] { OpenWithClick(); });
    connect(mnuShellShowInFolder, &QAction::triggered, this, [this] { ShowInFolderClick(); });
    connect(mnuShellTrash, &QAction::triggered, this, [this] { mnuRecBinClick(); });
    connect(mnuShellProps, &QAction::triggered, this, [this] { mnuPropsClick(); });

    pmGoThere = new QMenu(this);
    pmGoThere->setObjectName(QStringLiteral("pmGoThere"));
    mnuGoThere = pmGoThere->addAction(QStringLiteral("&Go There"));
    pmGoThere->addSeparator();
    mnuEditLink = pmGoThere->addAction(QStringLiteral("&Edit Link"));
    connect(mnuGoThere, &QAction::triggered, this, [this] { mnuGoThereClick(); });
    connect(mnuEditLink, &QAction::triggered, this, [this] { edtSource->setFocus(); });
}

// [Management] ShowMenu and [Main] ViewStyle, as the window is created.
void TfrmManager::ApplyFileListSettings()
{
    FEDownloads->SetShellMenu(Settings::ShowMenu());
    // Shown as stored; storing it back would change nothing but fail on a
    // read-only settings file at every start.
    const int style = Settings::ViewStyle();
    if (style >= TFolderList::vsLargeIcons && style <= TFolderList::vsSmallIcons)
        SetViewStyle(style, false);
}

// ---------------------------------------------------------------------------
// View styles

void TfrmManager::AddViewStyleItems(QAction* large, QAction* small, QAction* list, QAction* details)
{
    const std::pair<QAction*, int> items[] = {{large, TFolderList::vsLargeIcons},
                                              {small, TFolderList::vsSmallIcons},
                                              {list, TFolderList::vsList},
                                              {details, TFolderList::vsDetails}};
    for (const auto& [item, style] : items) {
        if (!item)
            continue;
        item->setCheckable(true);
        item->setChecked(style == m_viewStyle);
        m_styleItems[style] << item;
        connect(item, &QAction::triggered, this, [this, style = style] { SetViewStyle(style); });
    }
}

void TfrmManager::mnuFELargeIconsClick() { SetViewStyle(TFolderList::vsLargeIcons); }
void TfrmManager::mnuFESmallIconsClick() { SetViewStyle(TFolderList::vsSmallIcons); }
void TfrmManager::mnuFEListClick() { SetViewStyle(TFolderList::vsList); }
void TfrmManager::mnuFEDetailsClick() { SetViewStyle(TFolderList::vsDetails); }

void TfrmManager::SetViewStyle(int style, bool store)
{
    const bool unchanged = style == m_viewStyle;
    m_viewStyle = style;
    // Both menus check the style shown (a click on the checked item would
    // have unchecked it).
    for (int s = TFolderList::vsLargeIcons; s <= TFolderList::vsSmallIcons; ++s)
        for (QAction* item : m_styleItems[s])
            item->setChecked(s == style);
    if (unchanged)
        return;
    FEDownloads->SetViewStyle(static_cast<TFolderList::ViewStyle>(style));
    if (store)
        WriteStyle(style);
}

void TfrmManager::WriteStyle(int style)
{
    Settings::SetViewStyle(style);
}

// ---------------------------------------------------------------------------
// Events of the list

void TfrmManager::SetFileItemsEnabled(bool enabled)
{
    for (QAction* item : {mnuOpen, mnuDeleteFile->menuAction(), mnuScan, mnuProps})
        item->setEnabled(enabled);
}

void TfrmManager::FEDownloadsSelectionChange()
{
    try {
        const PumpGuard alive(this);
        if (!alive.ProcessMessages())
            return;
        const int selected = FEDownloads->SelectedCount();
        if (ClickedPage && ClickedButton && selected < 2) {
            WriteSettings();
            GrayAll();
            if (!FEDownloads->Directory().isEmpty() && selected == 1) {
                ReEnable();
                UpdateInfo();
                SetFileItemsEnabled(true);
            } else {
                // The selected file went (deleted or renamed elsewhere): no
                // panel for a file that is not there.
                SetFileItemsEnabled(false);
                ClearAll(true);
                if (FolderIsCurrent())
                    SetHeading(ClickedButton->Caption(), {});
            }
        } else if (selected >= 2 && FolderIsCurrent()) {
            SetHeading(ClickedButton->Caption(), QStringLiteral("Multiple Files Selected"));
        }
    } catch (...) {
        // A date that does not parse leaves the rest of the panel as it was.
    }
}

void TfrmManager::FEDownloadsMouseDown()
{
    try {
        GrayAll();
        const PumpGuard alive(this);
        if (!alive.ProcessMessages())
            return;
        const bool listed = !FEDownloads->Directory().isEmpty();
        if (listed && (FEDownloads->SelectedCount() > 0 || !FEDownloads->FocusedFileName().isEmpty())) {
            if (FEDownloads->SelectedCount() == 0)
                FEDownloads->SelectFile(FEDownloads->FocusedFileName());
            if (!edtDescription->isEnabled())
                ReEnable();
            UpdateInfo();
            mnuOpen->setEnabled(true);
            mnuDeleteFile->menuAction()->setEnabled(true);
            mnuScan->setEnabled(!Settings::CommandLine().isEmpty());
            mnuProps->setEnabled(true);
        } else if (FEDownloads->HasItemAtTopLeft()) {
            const QString top = FEDownloads->SelectTop();
            if (!alive.ProcessMessages())
                return;
            ReEnable();
            pnlInfo->Choose(top);
            UpdateInfo();
        } else {
            ClearAll(true);
            SetFileItemsEnabled(false);
        }
    } catch (...) {
        // The list's mouse handling never ends in an error box.
    }
}

void TfrmManager::FEDownloadsDoubleClick()
{
    if (!FEDownloads->Directory().isEmpty() && FEDownloads->SelectedCount() > 0)
        mnuOpenClick();
}

void TfrmManager::FEDownloadsRefresh()
{
    ProcessMessages();
}

// A folder whose directory is missing or unreadable says so in the status bar
// (the list itself shows the same).
void TfrmManager::ShowListStatus()
{
    if (FEDownloads->DirectoryUnavailable())
        statusBar()->showMessage(QStringLiteral("The directory %1 does not exist or cannot be read.")
                                     .arg(QDir::toNativeSeparators(FEDownloads->Directory())));
    else
        statusBar()->clearMessage();
}

// Keys the list passes on: Delete (and Shift+Delete), Ctrl+V, Ctrl+P.
void TfrmManager::FEDownloadsKey(int key, Qt::KeyboardModifiers modifiers)
{
    QAction* item = nullptr;
    if (FEDownloads->ShellMenu())
        item = key == Qt::Key_Delete && modifiers == Qt::NoModifier ? mnuShellTrash : nullptr;
    else if (key == Qt::Key_Delete)
        item = modifiers == Qt::ShiftModifier ? N17 : modifiers == Qt::NoModifier ? mnuRecBin : nullptr;
    else if (key == Qt::Key_V)
        item = mnuScan;
    else if (key == Qt::Key_P)
        item = mnuProps;
    const bool deleting = item == mnuRecBin || item == N17;
    if (item && item->isEnabled() && (!deleting || mnuDeleteFile->menuAction()->isEnabled()) &&
        FEDownloads->SelectedCount() > 0)
        item->trigger();
}

void TfrmManager::FEDownloadsContextMenu(const QPoint& globalPos)
{
    if (!FEDownloads->ShellMenu()) {
        PopupMenu1->popup(globalPos);
        return;
    }
    const bool files = FEDownloads->SelectedCount() > 0;
    for (QAction* item : {mnuShellOpen, mnuShellOpenWith, mnuShellTrash, mnuShellProps})
        item->setEnabled(files);
    mnuShellShowInFolder->setEnabled(!FEDownloads->Directory().isEmpty());
    pmShell->popup(globalPos);
}

void TfrmManager::PopupMenu1Popup()
{
    const bool several = FEDownloads->SelectedCount() >= 2;
    mnuOpen->setText(several ? QStringLiteral("&Open Files") : QStringLiteral("&Open File"));
    mnuDeleteFile->setTitle(several ? QStringLiteral("&Delete Selected Files") : QStringLiteral("&Delete File"));
    mnuScan->setText(several ? QStringLiteral("&Scan Folder for Viruses") : QStringLiteral("&Scan for Viruses"));
}

// ---------------------------------------------------------------------------
// The desktop file menu's own commands

void TfrmManager::OpenWithClick()
{
    const QString program =
        Dialogs::instance().openFileName(this, QStringLiteral("Open With"), QStringLiteral("/usr/bin"), QString());
    if (program.isEmpty())
        return;
    QStringList files;
    for (const QString& name : FEDownloads->SelectedFileNames())
        files << FEDownloads->Directory() + name;
    Shell::instance().startProgram(program, files);
}

void TfrmManager::ShowInFolderClick()
{
    Shell::instance().open(FEDownloads->Directory());
}

} // namespace flk
