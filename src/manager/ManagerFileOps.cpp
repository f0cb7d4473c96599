// The window's side of the file commands: their menus and where they come
// from (the list's menu, the toolbar, drops on the bar, the list or the
// window, a folder dragged onto another section). The work itself is
// TFileOperations'.
#include "Manager.h"

#include <QItemSelectionModel>

#include "Catalogue.h"
#include "FileDrops.h"
#include "FileOperations.h"
#include "FolderList.h"
#include "Dialogs.h"
#include "InfoPanel.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Messages.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>

namespace flk {

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

void TfrmManager::BuildFileOps()
{
    pmFileDrop = new QMenu(this);
    pmFileDrop->setObjectName(QStringLiteral("pmFileDrop"));
    mnuDropMove = pmFileDrop->addAction(QStringLiteral("&Move Here"), this, [this] { DropMove = true; });
    mnuDropCopy = pmFileDrop->addAction(QStringLiteral("&Copy Here"));
    pmFileDrop->addSeparator();
    mnuDropCancel = pmFileDrop->addAction(QStringLiteral("Ca&ncel"), this, [this] { DropCancel = true; });
    new TFileDrops(this);
    m_fileOps = new TFileOperations(this, FEDownloads, this);
}

QString TfrmManager::CurrentRecordFile() const
{
    // None for the files of a section without folders (the folder pressed
    // last belongs to another section).
    return RecordFilePath();
}

// ---------------------------------------------------------------------------
// Open, properties

void TfrmManager::mnuOpenClick()
{
    m_fileOps->OpenSelected();
    UpdateInfo(); // the panel's "Opened:" date
}

void TfrmManager::mnuPropsClick()
{
    m_fileOps->ShowProperties();
}

void TfrmManager::tbPropsClick()
{
    if (FEDownloads->HasItemAtTopLeft())
        mnuPropsClick();
}

// ---------------------------------------------------------------------------
// Delete

void TfrmManager::mnuRecBinClick()
{
    m_fileOps->ConfirmDelete(true);
}

void TfrmManager::N17Click()
{
    m_fileOps->ConfirmDelete(false);
}

void TfrmManager::AfterDelete()
{
    FEDownloads->SelectTop();
    UpdateInfo();
    if (FEDownloads->SelectedCount() == 0) {
        ClearAll(true);
        GrayAll();
        SetHeading(FolderIsCurrent() ? ClickedButton->Caption() : QString(), {});
    }
}

// ---------------------------------------------------------------------------
// Scan

void TfrmManager::mnuScanClick()
{
    m_fileOps->ScanSelected();
}

void TfrmManager::ScanRecorded(const QString& recordFile, const QStringList& names, const QString& date)
{
    // The panel's "Virus Checked:" date, without refilling (and so losing)
    // what the user is typing there.
    if (RecordFilePath() == recordFile && !pnlInfo->File().isEmpty() && names.contains(pnlInfo->File()))
        lblVChecked->setText(date);
}

void TfrmManager::SetLastScannedIfCurrent(const QString& fileName, const QString& dateText)
{
    if (isVisible() && !fileName.isEmpty() && FEDownloads->FocusedFileName() == fileName)
        lblVChecked->setText(dateText);
}

// ---------------------------------------------------------------------------
// Drops

bool TfrmManager::AskDropAction()
{
    DropMove = false;
    DropCancel = false;
    pmFileDrop->exec(QCursor::pos());
    ProcessMessages();
    return !DropCancel;
}

void TfrmManager::DropFile1DropFiles(const QStringList& files)
{
    ProcessMessages();
    const QPointer<TLookOutButton> button = HoverButton;
    if (!button || !button->Page())
        return;
    const QPointer<TLookOutPage> page = button->Page();
    const int n = HeaderNumber(page);
    if (n == 0 || !AskDropAction() || !button || !page)
        return;
    DropPlan plan;
    plan.move = DropMove;
    plan.targetDir = Catalogue::FolderDirectory(Catalogue::SectionLocation(n), button->Caption());
    plan.targetRecords.emplace(page->Caption(), button->Caption());
    plan.sourceDir = FEDownloads->Directory();
    if (const QString r = CurrentRecordFile(); !r.isEmpty())
        plan.sourceRecords.emplace(r);
    const WaitCursor wait;
    const int end = m_fileOps->DropInto(files, plan);
    if (end == TFileOperations::kStopped || files.isEmpty())
        return;
    FEDownloads->Refresh();
    if (end == TFileOperations::kCancelled)
        return;
    AfterDelete();
    if (ClickedButton == button)
        CatClick();
}

void TfrmManager::DropFile2DropFiles(const QStringList& files)
{
    if (Nav->PageCount() == 0) {
        Dialogs::showMessage(QStringLiteral("You must create a section and folder for these files to be placed in."),
                             this);
        return;
    }
    if (!Nav->ActivePage() || Nav->ActivePage()->ButtonCount() == 0) {
        Dialogs::showMessage(QStringLiteral("You cannot add files to an empty section.  Please create a folder for "
                                            "these files to be placed in."),
                             this);
        return;
    }
    const QString directory = FEDownloads->Directory();
    if (files.isEmpty() || directory.isEmpty() || TFileOperations::SameDirectory(QFileInfo(files.first()).absolutePath(), directory))
        return;
    if (!AskDropAction())
        return;
    DropPlan plan;
    plan.move = DropMove;
    plan.targetDir = directory;
    plan.folderEnd = QStringLiteral(".");
    // Dropped files show the placeholder texts until the user fills the panel.
    const QSignalBlocker detached(FEDownloads);
    const QSignalBlocker detachedSelection(FEDownloads->selectionModel());
    const WaitCursor wait;
    const int end = m_fileOps->DropInto(files, plan);
    if (end == TFileOperations::kStopped)
        return;
    FEDownloads->Refresh();
    if (end == TFileOperations::kCancelled)
        return;
    AfterDelete();
    CatClick();
}

void TfrmManager::DropFiles(const QStringList& files)
{
    const QPointer<TLookOutButton> button = HoverButton;
    if (!button || !button->Page())
        return;
    const int n = HeaderNumber(button->Page());
    if (n == 0)
        return;
    // Moved without questions and without records; an existing file of the
    // same name is kept (the move fails and says so).
    DropPlan plan;
    plan.move = true;
    plan.askReplace = false;
    plan.targetDir = Catalogue::FolderDirectory(Catalogue::SectionLocation(n), button->Caption());
    m_fileOps->DropInto(files, plan);
    FEDownloads->Refresh();
    if (files.isEmpty())
        return;
    AfterDelete();
    if (button && ClickedButton == button)
        CatClick();
}

// ---------------------------------------------------------------------------
// Moving a folder into another section

void TfrmManager::MoveCatToSection(TLookOutPage* page, TLookOutButton* button)
{
    const QPointer<TLookOutPage> target = page;
    const QPointer<TLookOutPage> source = button ? button->Page() : nullptr;
    if (!target || !source || target == source)
        return;
    const QPointer<TLookOutButton> dragged = button;
    const QString name = button->Caption();
    const QString fromSection = source->Caption();
    const QString toSection = target->Caption();
    const int fromNumber = HeaderNumber(source);
    const int toNumber = HeaderNumber(target);
    const int n = CategoryNumber(button);
    if (fromNumber == 0 || toNumber == 0 || n == 0)
        return;
    const QString fromLocation = Catalogue::SectionLocation(fromNumber);
    const QString toLocation = Catalogue::SectionLocation(toNumber);

    const WaitCursor wait;
    FEDownloads->SetAutoRefresh(false);
    source->setEnabled(false);
    HoverButton = nullptr;
    const auto restore = qScopeGuard([this, source] {
        if (source)
            source->setEnabled(true);
        FEDownloads->SetAutoRefresh(true);
    });

    const QString fromDir = Catalogue::FolderDirectory(fromLocation, name);
    if (!QFileInfo(fromDir).isDir()) {
        Dialogs::showMessage(QStringLiteral("There was an error while moving the folder \"") + name
                                 + QStringLiteral("\".  Its corresponding folder could not be found."),
                             this);
        return;
    }
    const QString newName = TFileOperations::FreeFolderName(toSection, toLocation, name);
    if (newName.isEmpty())
        return;
    const QString toDir = Catalogue::FolderDirectory(toLocation, newName);
    // The files first: the catalogue changes only once they are there.
    if (!m_fileOps->MoveFolderFiles(fromDir, toDir))
        return;
    try {
        NewButton(newName, toSection, Catalogue::FolderIcon(fromSection, n), toNumber - 1);
    } catch (...) {
        m_fileOps->MoveFolderFiles(toDir, fromDir);
        throw;
    }

    // Another folder of the source section becomes current.
    if (source->ButtonCount() == 1) {
        SetFolderItemsEnabled(false);
        FEDownloads->SetDirectory(fromLocation);
        pnlCategory->clear();
        GrayAll();
        ClearAll(true);
    } else if (TLookOutButton* next = source->Button(n == 1 ? 1 : n - 2)) {
        LookOutButtonMouseDown(next);
        CatClick();
    }
    Catalogue::DeleteFolder(fromSection, n);
    delete dragged.data();

    m_fileOps->MoveRecordFile(fromSection, name, toSection, newName);
}

} // namespace flk
