// What the mouse alone did on the bar and the toolbar, by menu and key:
// reordering folders, moving a folder to another section, and the toolbar's
// Browser and Scanner buttons (a toolbar is not reached with Tab).

#include "AppMessages.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Manager.h"

#include <QAction>
#include <QMenu>

namespace flk {

void TfrmManager::BuildKeyboardCommands()
{
    mnuEdit->addSeparator();
    mnuMoveFolderUp = mnuEdit->addAction(QStringLiteral("Move Folder &Up"));
    mnuMoveFolderUp->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    mnuMoveFolderUp->setStatusTip(QStringLiteral("Move the current folder one place up on its section"));
    mnuMoveFolderDown = mnuEdit->addAction(QStringLiteral("Move Folder Do&wn"));
    mnuMoveFolderDown->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    mnuMoveFolderDown->setStatusTip(QStringLiteral("Move the current folder one place down on its section"));
    mnuMoveFolderTo = mnuEdit->addMenu(QStringLiteral("&Move Folder to Section"));
    mnuMoveFolderTo->menuAction()->setStatusTip(QStringLiteral("Move the current folder and its files to another section"));
    connect(mnuMoveFolderUp, &QAction::triggered, this, [this] { MoveFolderClick(-1); });
    connect(mnuMoveFolderDown, &QAction::triggered, this, [this] { MoveFolderClick(+1); });
    connect(mnuMoveFolderTo, &QMenu::aboutToShow, this, &TfrmManager::FillMoveToSection);
    // The menu shows what can move now; the keys stay live and check for themselves.
    connect(mnuEdit, &QMenu::aboutToShow, this, &TfrmManager::UpdateFolderMoveItems);
    connect(mnuEdit, &QMenu::aboutToHide, this, [this] {
        for (QAction* a : {mnuMoveFolderUp, mnuMoveFolderDown, mnuMoveFolderTo->menuAction()})
            a->setEnabled(true);
    });

    mnuView->addSeparator();
    mnuLaunchBrowser = mnuView->addAction(QStringLiteral("Launch &Browser"));
    mnuLaunchBrowser->setStatusTip(QStringLiteral("Launch your web browser"));
    mnuLaunchScanner = mnuView->addAction(QStringLiteral("Launch Virus &Scanner"));
    mnuLaunchScanner->setStatusTip(QStringLiteral("Launch your virus scanner"));
    connect(mnuLaunchBrowser, &QAction::triggered, this, [this] { tbBrowserClick(); });
    connect(mnuLaunchScanner, &QAction::triggered, this, [this] { tbScannerClick(); });
}

// Only a folder of the open page can move: the folder numbers are looked up
// in the open page's section.
void TfrmManager::UpdateFolderMoveItems()
{
    mnuMoveFolderUp->setEnabled(CanMoveFolder(-1));
    mnuMoveFolderDown->setEnabled(CanMoveFolder(+1));
    mnuMoveFolderTo->setEnabled(CanMoveFolder(0) && Nav->PageCount() > 1);
}

// step 0: the current folder can move at all.
bool TfrmManager::CanMoveFolder(int step) const
{
    TLookOutButton* folder = ClickedButton;
    TLookOutPage* page = folder ? folder->Page() : nullptr;
    if (!page || page != Nav->ActivePage())
        return false;
    const int to = page->IndexOfButton(folder) + step;
    return to >= 0 && to < page->ButtonCount();
}

void TfrmManager::FillMoveToSection()
{
    mnuMoveFolderTo->clear();
    for (TLookOutPage* page : Nav->Pages()) {
        if (page == Nav->ActivePage())
            continue;
        QAction* to = mnuMoveFolderTo->addAction(page->Caption());
        const QPointer<TLookOutPage> target(page);
        connect(to, &QAction::triggered, this, [this, target] { MoveFolderToSectionClick(target); });
    }
}

void TfrmManager::MoveFolderClick(int step)
{
    if (step == 0 || !CanMoveFolder(step))
        return;
    TLookOutPage* page = ClickedButton->Page();
    SwapFolders(ClickedButton, page->Button(page->IndexOfButton(ClickedButton) + step));
    Nav->SetSelectedButton(ClickedButton); // follows it out of sight
}

void TfrmManager::MoveFolderToSectionClick(TLookOutPage* target)
{
    if (!target || target == Nav->ActivePage() || !CanMoveFolder(0))
        return;
    // The same message a drop onto the page posts: the move runs as a drop's does.
    AppMessages::Post(WM_FLK_MOVEFOLDER, static_cast<WPARAM>(HeaderNumber(target)),
                      static_cast<LPARAM>(CategoryNumber(ClickedButton)));
}

} // namespace flk
