// The manager window's menus: the main menu with its hints and shortcuts,
// the bar's two pop-up menus, and the commands behind them.
#include "Manager.h"

#include "Dialogs.h"
#include "FolderList.h"
#include "Help.h"
#include "LookOut.h"
#include "ManagerHost.h"
#include "MakerPages.h"
#include "ProgramWindows.h"
#include "Shell.h"
#include "preferences.h"
#include "print.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace flk {

namespace {

QAction* Item(QMenu* menu, const QString& text, const QString& hint, const QKeySequence& keys = {})
{
    QAction* a = menu->addAction(text);
    a->setStatusTip(hint);
    if (!keys.isEmpty()) {
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    return a;
}

QMenu* Submenu(QMenu* parent, const QString& text, const QString& hint)
{
    QMenu* sub = parent->addMenu(text);
    sub->menuAction()->setStatusTip(hint);
    return sub;
}

} // namespace

void TfrmManager::BuildMainMenu()
{
    QMenuBar* bar = menuBar();
    bar->setAccessibleName(QStringLiteral("Main menu"));

    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuNew = Submenu(mnuFile, QStringLiteral("&New..."), QStringLiteral("Create a new section or folder"));
    mnuNewSection = Item(mnuNew, QStringLiteral("&Section"), QStringLiteral("Create a new section"),
                         QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuNewFolder = Item(mnuNew, QStringLiteral("&Folder"), QStringLiteral("Create a new folder"),
                        QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuReport = Submenu(mnuFile, QStringLiteral("&Report..."),
                        QStringLiteral("Print or save download folder information"));
    mnuPrintReport = Item(mnuReport, QStringLiteral("&Print a Report"), QStringLiteral("Print download folder information"));
    mnuSaveReport = Item(mnuReport, QStringLiteral("&Save a Report"), QStringLiteral("Save download folder information"));
    mnuWeb = mnuFile->addMenu(QStringLiteral("&Marrowby on the Web..."));
    mnuWebMain = mnuWeb->addAction(QStringLiteral("Main Site (%1)").arg(MakerPages::kDomain));
    mnuWebUpgrade = mnuWeb->addAction(QStringLiteral("Upgrade Fetchlark"));
    mnuWebOther = mnuWeb->addAction(QStringLiteral("Download more Marrowby software"));
    mnuWebSupport = mnuWeb->addAction(QStringLiteral("Technical Support"));
    mnuFile->addSeparator();
    mnuExit = Item(mnuFile, QStringLiteral("&Exit"), QStringLiteral("Close the Download Manager window"));

    mnuEdit = bar->addMenu(QStringLiteral("&Edit"));
    mnuRename = Submenu(mnuEdit, QStringLiteral("&Rename..."), QStringLiteral("Rename the current section or folder"));
    mnuRenSection = Item(mnuRename, QStringLiteral("&Section"), QStringLiteral("Rename the current section"),
                         QKeySequence(Qt::ALT | Qt::Key_Backspace));
    mnuRenCat = Item(mnuRename, QStringLiteral("&Folder"), QStringLiteral("Rename the current folder"),
                     QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Backspace));
    mnuDelete = Submenu(mnuEdit, QStringLiteral("&Delete..."), QStringLiteral("Delete the current section or folder"));
    mnuMainDelSection = Item(mnuDelete, QStringLiteral("&Section"), QStringLiteral("Delete the current section"),
                             QKeySequence(Qt::CTRL | Qt::Key_Delete));
    mnuMainDelCat = Item(mnuDelete, QStringLiteral("&Folder"), QStringLiteral("Delete the current folder"),
                         QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    mnuRefresh = Item(mnuEdit, QStringLiteral("&Refresh File Display"), {}, QKeySequence(Qt::Key_F5));

    mnuView = bar->addMenu(QStringLiteral("&View"));
    mnuOptions = Item(mnuView, QStringLiteral("&Options"), QStringLiteral("View or modify options and preferences"),
                      QKeySequence(Qt::CTRL | Qt::Key_O));

    mnuHelp = bar->addMenu(QStringLiteral("&Help"));
    mnuContents = Item(mnuHelp, QStringLiteral("&Contents"), QStringLiteral("Open the Fetchlark help file"),
                       QKeySequence(Qt::Key_F1));
    mnuGettingStarted = mnuHelp->addAction(QStringLiteral("&Getting Started"));
    mnuTechSupport = mnuHelp->addAction(QStringLiteral("&Technical Support"));
    mnuAbout = Item(mnuHelp, QStringLiteral("&About"), QStringLiteral("Display Fetchlark version information"));

    connect(mnuNewSection, &QAction::triggered, this, [this] { NewSectionClick(); });
    connect(mnuNewFolder, &QAction::triggered, this, [this] { NewFolderClick(); });
    connect(mnuPrintReport, &QAction::triggered, this, [this] { ReportClick(1); });
    connect(mnuSaveReport, &QAction::triggered, this, [this] { ReportClick(0); });
    connect(mnuWebMain, &QAction::triggered, this, [this] { OpenWebPage(MakerPages::kMain); });
    connect(mnuWebUpgrade, &QAction::triggered, this, [this] { OpenWebPage(MakerPages::kUpgrade); });
    connect(mnuWebOther, &QAction::triggered, this, [this] { OpenWebPage(MakerPages::kDownload); });
    connect(mnuWebSupport, &QAction::triggered, this, [this] { OpenWebPage(MakerPages::kSupport); });
    connect(mnuExit, &QAction::triggered, this, [this] { close(); });
    connect(mnuRenSection, &QAction::triggered, this, [this] { RenameSectionClick(); });
    connect(mnuRenCat, &QAction::triggered, this, [this] { RenameFolderClick(); });
    connect(mnuMainDelSection, &QAction::triggered, this, [this] { DeleteSectionClick(); });
    connect(mnuMainDelCat, &QAction::triggered, this, [this] { DeleteFolderClick(); });
    connect(mnuRefresh, &QAction::triggered, this, [this] { FEDownloads->Refresh(); });
    connect(mnuOptions, &QAction::triggered, this, [this] { ShowModalWindow(Window<TfrmPreferences>()); });
    connect(mnuContents, &QAction::triggered, this, [] { OpenHelp(); });
    connect(mnuGettingStarted, &QAction::triggered, this,
            [] { OpenHelp(QStringLiteral("Getting_Started_For_The_First_Time")); });
    connect(mnuTechSupport, &QAction::triggered, this, [this] { OpenWebPage(MakerPages::kSupport); });
    connect(mnuAbout, &QAction::triggered, this, [] {
        if (auto* host = Window<ManagerHost>())
            host->ShowAbout();
    });
    // The report items follow the bar and the file list.
    connect(mnuFile, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
}

void TfrmManager::BuildBarMenus()
{
    pmNav = new QMenu(this);
    QMenu* navNew = pmNav->addMenu(QStringLiteral("&New..."));
    mnuP_NewSection = navNew->addAction(QStringLiteral("Section"));
    mnuP_NewFolder = navNew->addAction(QStringLiteral("Folder"));
    mnuP_RenSection = pmNav->addAction(QStringLiteral("&Rename Section"));
    mnuP_DelSection = pmNav->addAction(QStringLiteral("&Delete Section"));
    pmNav->addSeparator();
    mnuP_Props = pmNav->addAction(QStringLiteral("&Properties"));

    pmButton = new QMenu(this);
    QMenu* buttonNew = pmButton->addMenu(QStringLiteral("&New..."));
    mnuB_NewSection = buttonNew->addAction(QStringLiteral("Section"));
    mnuB_NewFolder = buttonNew->addAction(QStringLiteral("Folder"));
    mnuP_RenCat = pmButton->addAction(QStringLiteral("&Rename Folder"));
    mnuB_DelCat = pmButton->addAction(QStringLiteral("&Delete Folder"));
    pmButton->addSeparator();
    mnuB_Props = pmButton->addAction(QStringLiteral("&Properties"));

    for (QAction* a : {mnuP_NewSection, mnuB_NewSection})
        connect(a, &QAction::triggered, this, [this] { NewSectionClick(); });
    for (QAction* a : {mnuP_NewFolder, mnuB_NewFolder})
        connect(a, &QAction::triggered, this, [this] { NewFolderClick(); });
    connect(mnuP_RenSection, &QAction::triggered, this, [this] { RenameSectionClick(); });
    connect(mnuP_RenCat, &QAction::triggered, this, [this] { RenameFolderClick(); });
    connect(mnuP_DelSection, &QAction::triggered, this, [this] { DeleteSectionClick(); });
    connect(mnuB_DelCat, &QAction::triggered, this, [this] { DeleteFolderClick(); });
    connect(mnuP_Props, &QAction::triggered, this, [this] { P1Click(); });
    connect(mnuB_Props, &QAction::triggered, this, [this] { MenuItem7Click(); });
}

// ---------------------------------------------------------------------------
// Commands

void TfrmManager::ShowModalWindow(QDialog* window)
{
    if (window)
        Dialogs::instance().execModal(window);
}

void TfrmManager::OpenWebPage(const QString& url)
{
    Shell::instance().open(url);
}

// The reports dialog in print (1) or save (0) mode.
void TfrmManager::ReportClick(int mode)
{
    if (auto* report = Window<TfrmPrint>())
        report->ShowParams(mode == 1);
}

QString TfrmManager::ReportSection() const
{
    const TLookOutPage* page = Nav->ActivePage();
    return page ? page->Caption() : QString();
}

QString TfrmManager::ReportFolder() const
{
    return FolderIsCurrent() ? ClickedButton->Caption() : QString();
}

QStringList TfrmManager::ReportFiles() const
{
    return FEDownloads->FileNames();
}

} // namespace flk
