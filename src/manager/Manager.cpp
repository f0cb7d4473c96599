// The manager window: its building, creation at start-up, showing, closing,
// layout reactions and the application's private messages.
#include "Manager.h"

#include "AppMessages.h"
#include "InfoPanel.h"
#include "Asker.h"
#include "Catalogue.h"
#include "Dialogs.h"
#include "ElidedLabel.h"
#include "FolderList.h"
#include "IconLibrary.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "ManagerHost.h"
#include "ProgramWindows.h"
#include "Settings.h"
#include "preferences.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace flk {

const QString TfrmManager::kPageHint =
    QStringLiteral("Sections contain folders with files.  Right click for a helpful menu.");
const QString TfrmManager::kButtonHint =
    QStringLiteral("Folders contain your files.  Right-click for a helpful menu.");

namespace {
constexpr int kHeadingHeight = 21;
constexpr int kNavWidth = 110;
constexpr int kSplitterWidth = 3;
} // namespace

TfrmManager::TfrmManager(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmManager"));
    setWindowTitle(QStringLiteral("Fetchlark"));
    setGeometry(kDefaultLeft, kDefaultTop, kDefaultWidth, kDefaultHeight);
    BuildUi();
    FormCreate();
    // A record file's write fails on its worker thread: told here, as a
    // store refused at once would be.
    m_records.SetWriteFailed([this](const QString& message) {
        const QString path = message.section(QStringLiteral("Unable to write to "), 1);
        QMetaObject::invokeMethod(this, [this, path, message] {
            if (path == RecordFilePath())
                StoreRefused(path, message, true);
            else
                statusBar()->showMessage(QStringLiteral("Not saved: ") + message);
        }, Qt::QueuedConnection);
    });
}

TfrmManager::~TfrmManager()
{
    AppMessages::RemoveHook(this);
    // Closing the window moves the focus out of a panel field, whose flush
    // must not reach this half-destroyed window.
    disconnect(pnlInfo, nullptr, this, nullptr);
}

QString TfrmManager::SpeedMissingText()
{
    return QStringLiteral("In order for Fetchlark to accurately provide download speed statistics, you must "
                          "specify your download connection speed.\r\rSelect OK to configure this now.");
}

// ---------------------------------------------------------------------------
// Building

void TfrmManager::BuildUi()
{
    BuildMainMenu();
    BuildBarMenus();
    BuildKeyboardCommands();

    BuildToolBar();

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);

    Nav = new TLookOut(Splitter1);
    Nav->setObjectName(QStringLiteral("Nav"));
    Nav->setAccessibleName(QStringLiteral("Sections"));
    Nav->SetColor(QColor(0x80, 0x80, 0x80));
    Nav->SetSmooth(true);
    Nav->SetAutoSize(true);
    Nav->setMinimumWidth(60);
    // Buttons made before the pages took their width, and those made after,
    // all sit alike.
    connect(Nav, &TLookOut::PagesResized, this, &TfrmManager::ButtonWidthsToFirstPage);

    pnl1 = new QWidget(Splitter1);
    auto* right = new QVBoxLayout(pnl1);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    // Long section and file names are cut here, never widening the window.
    pnlCategory = new TElidedLabel(pnl1);
    pnlCategory->setObjectName(QStringLiteral("pnlCategory"));
    pnlCategory->setAccessibleName(QStringLiteral("Folder"));
    pnlCategory->setMinimumHeight(kHeadingHeight);
    pnlCategory->setIndent(6);
    pnlCategory->setAutoFillBackground(true);
    QPalette heading = pnlCategory->palette();
    heading.setColor(QPalette::Window, palette().color(QPalette::Dark)); // the button-shadow colour
    heading.setColor(QPalette::WindowText, Qt::white);
    pnlCategory->setPalette(heading);
    QFont bold = pnlCategory->font();
    bold.setBold(true);
    pnlCategory->setFont(bold);
    right->addWidget(pnlCategory);

    BuildFileListArea(right);

    Splitter1->addWidget(Nav);
    Splitter1->addWidget(pnl1);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kNavWidth, kDefaultWidth - kNavWidth});
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { Splitter1Moved(); });
    setCentralWidget(Splitter1);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setAccessibleName(QStringLiteral("Status"));
    BuildFileOps();
}

// ---------------------------------------------------------------------------
// Creation

void TfrmManager::FormCreate()
{
    if (Settings::FirstRun())
        FirstRunCreate();
    else
        LaterRunCreate();
}

void TfrmManager::FirstRunCreate()
{
    CreateDefaultHeader();
    mnuP_RenCat->setEnabled(false);
    mnuRenCat->setEnabled(false);
    mnuMainDelCat->setEnabled(false);
    SectionLocation = Catalogue::SectionLocation(1);
    FEDownloads->SetDirectory(SectionLocation);
    InstallAppMessage();
    PopulateImageList();
    ApplyFileListSettings();
    if (!FEDownloads->HasItemAtTopLeft()) {
        GrayAll();
        ClearAll(true);
    }
    ClickedPage = Nav->Page(0);
    ClickedButton = nullptr;
    Nav->SetSelectedButton(ClickedButton);
    Settings::SetFirstRun(false);
    HeadClick(Nav->Page(0));
    CatClick();
}

void TfrmManager::LaterRunCreate()
{
    InstallAppMessage();
    PopulateImageList();
    ApplyFileListSettings();
    PopulateHeaders();
    if (Nav->PageCount() == 0) {
        ClickedPage = nullptr;
        ClickedButton = nullptr;
        Nav->SetSelectedButton(ClickedButton);
        SectionLocation.clear();
        ClearAll(true);
        SetFolderItemsEnabled(false);
    } else {
        SectionLocation = Catalogue::SectionLocation(1);
        ClickedPage = Nav->Page(0);
        ClickedButton = ClickedPage->Button(0);
        Nav->SetSelectedButton(ClickedButton);
        HeadClick(ClickedPage);
        if (FEDownloads->HasItemAtTopLeft()) {
            pnlInfo->Choose(FEDownloads->SelectTop());
            FEDownloadsMouseDown();
        }
    }
    UpdateMenuStates();

    if (Settings::SpeedForStartupCheck() == 0) {
        Dialogs::message(SpeedMissingText(), QStringLiteral("Fetchlark"), MB_OK, MB_ICONINFORMATION, this);
        if (auto* preferences = Window<TfrmPreferences>())
            preferences->ShowModalOn(preferences->tabDownload);
    }
    if (auto* host = Window<ManagerHost>())
        host->ArmTrayDefault();
    ScanForEvents();
}

void TfrmManager::InstallAppMessage()
{
    AppMessages::SetHook([this](UINT msg, WPARAM wParam, LPARAM lParam) { return AppMessage(msg, wParam, lParam); },
                         this);
}

void TfrmManager::ScanForEvents()
{
    if (auto* host = Window<ManagerHost>())
        host->scanforevents(*this);
}

bool TfrmManager::HasFolderButton() const
{
    for (TLookOutPage* page : Nav->Pages())
        if (page->ButtonCount() > 0)
            return true;
    return false;
}

void TfrmManager::RefreshFileList()
{
    FEDownloads->Refresh();
}

QString TfrmManager::SelectedFilePath() const
{
    const QString name = FEDownloads->SelectedFileName();
    return name.isEmpty() ? QString() : FEDownloads->Directory() + name;
}

void TfrmManager::PopulateImageList()
{
    // The whole set each time: a refill never grows the list.
    ilIcons = IconLibrary::Load(IconLibrary::Path(Settings::IconFile()), Settings::NumIcons());
    for (TLookOutPage* page : Nav->Pages())
        for (TLookOutButton* button : page->Buttons())
            button->update();
}

// ---------------------------------------------------------------------------
// Showing and closing

void TfrmManager::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TfrmManager::FormShow()
{
    EnsureOnScreen();
    PopulateImageList();
    FEDownloads->Refresh();
    RightPaneWidth = pnlRightPane->width();
    GetToolBar();
    UpdateMenuStates();
    FEDownloadsMouseDown();
}

// A place saved on another screen arrangement comes back onto a screen.
void TfrmManager::EnsureOnScreen()
{
    const QRect frame = frameGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(frame);
        if (seen.width() >= 100 && seen.height() >= 50)
            return;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return;
    const QRect area = primary->availableGeometry();
    resize(std::min(width(), area.width()), std::min(height(), area.height()));
    QRect placed = frameGeometry();
    placed.moveCenter(area.center());
    move(placed.topLeft());
}

void TfrmManager::closeEvent(QCloseEvent* e)
{
    // Still visible here, so its place can be kept.
    FormClose();
    QMainWindow::closeEvent(e);
}

void TfrmManager::FormClose()
{
    ilIcons.clear();
    if (auto* host = Window<ManagerHost>())
        host->ManagerClosed();
}

// ---------------------------------------------------------------------------
// Layout reactions

void TfrmManager::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    FormResize();
}

void TfrmManager::FormResize()
{
    InfoPanelResize();
    Nav->SetAutoSize(false);
    Nav->SetAutoSize(true);
}

void TfrmManager::Splitter1Moved()
{
    if (RenameEdit && RenameEdit->isVisible())
        RenameEdit->resize(Nav->width() - 3, RenameEdit->height());
    AppMessages::Post(WM_FLK_SPLITTER);
}

void TfrmManager::ButtonWidthsToFirstPage()
{
    const TLookOutPage* first = Nav->Page(0);
    if (!first)
        return;
    for (TLookOutPage* page : Nav->Pages())
        for (TLookOutButton* button : page->Buttons())
            button->resize(first->width(), button->height());
}

// ---------------------------------------------------------------------------
// Private messages

bool TfrmManager::AppMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_FLK_EDITLOOK:
    case WM_FLK_DISPLAYLOOK:
        FieldLook(wParam, msg == WM_FLK_EDITLOOK);
        return true;
    case WM_FLK_MOVEFOLDER: {
        TLookOutPage* active = Nav->ActivePage();
        m_records.Flush(); // the folder's record file is renamed behind the store
        MoveCatToSection(Nav->Page(static_cast<int>(wParam) - 1),
                         active ? active->Button(static_cast<int>(lParam) - 1) : nullptr);
        return true;
    }
    case WM_FLK_NEWFOLDER:
        if (auto* asker = Window<TfrmAsker>())
            asker->NewFolderCreated(static_cast<int>(wParam));
        return true;
    case WM_FLK_SPLITTER:
        ButtonWidthsToFirstPage();
        return true;
    case WM_FLK_ENDDRAG:
        if (TLookOutPage* active = Nav->ActivePage())
            if (TLookOutButton* button = active->Button(static_cast<int>(wParam)); button && button->Dragging())
                button->EndDrag(false);
        return true;
    case WM_DROPFILES:
        DropFiles(AppMessages::DropFiles(wParam));
        return true;
    default:
        return false;
    }
}

} // namespace flk
