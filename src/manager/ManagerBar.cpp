// The manager window's sections bar: the catalogue mapped onto pages and
// folder buttons, the current section and folder, and how a press selects
// them.
#include "Manager.h"

#include "Catalogue.h"
#include "FolderList.h"
#include "InfoPanel.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>

namespace flk {

namespace {

// Entries past the last one with a name are not there: a count far larger
// than the file's entries builds no pages or buttons for them.
QStringList PresentNames(QStringList names)
{
    while (!names.isEmpty() && names.last().isEmpty())
        names.removeLast();
    return names;
}

// The last entry named exactly `name` (1-based), 0 when none; an entry
// without a name never matches.
int LastMatch(const QStringList& names, const QString& name)
{
    return name.isEmpty() ? 0 : static_cast<int>(names.lastIndexOf(name)) + 1;
}

} // namespace

// ---------------------------------------------------------------------------
// Building the bar

TLookOutPage* TfrmManager::AddPage(const QString& caption)
{
    TLookOutPage* page = Nav->AddPage(caption);
    page->setStatusTip(kPageHint);
    page->setAccessibleName(caption);
    page->SetPopUpMenu(pmNav);
    connect(page, &TLookOutPage::OnClick, this, [this](TLookOutPage* p) { HeadClick(p); });
    connect(page, &TLookOutPage::OnMouseDown, this, [this](TLookOutPage* p, Qt::MouseButton which) {
        LookOutPageMouseDown(p);
        if (which != Qt::LeftButton)
            ShowPressed(); // before its menu opens
    });
    connect(page, &TLookOutPage::OnMouseUp, this,
            [this] { QMetaObject::invokeMethod(this, &TfrmManager::ShowPressed, Qt::QueuedConnection); });
    connect(page, &TLookOutPage::OnPopup, this, [this] { GrayAll(); });
    ConnectDragHandlers(page);
    UpdateMenuStates();
    return page;
}

TLookOutButton* TfrmManager::AddButton(TLookOutPage* page, const QString& caption, int icon)
{
    TLookOutButton* button = page->AddButton(caption, icon);
    button->SetLargeImages(&ilIcons);
    button->SetFontColor(Qt::white);
    button->setStatusTip(kButtonHint);
    button->SetPopUpMenu(pmButton);
    if (const TLookOutPage* first = Nav->Page(0))
        button->resize(first->width(), button->height());
    connect(button, &TLookOutButton::OnClick, this, [this] { CatClick(); });
    connect(button, &TLookOutButton::OnMouseDown, this, [this](TLookOutButton* b, Qt::MouseButton which) {
        LookOutButtonMouseDown(b);
        if (which != Qt::LeftButton)
            ShowPressed(); // before its menu opens
    });
    connect(button, &TLookOutButton::OnMouseUp, this,
            [this] { QMetaObject::invokeMethod(this, &TfrmManager::ShowPressed, Qt::QueuedConnection); });
    connect(button, &TLookOutButton::OnMouseEnter, this, [this](TLookOutButton* b) { HoverButton = b; });
    connect(button, &TLookOutButton::OnMouseMove, this, [this](TLookOutButton* b) { HoverButton = b; });
    connect(button, &TLookOutButton::OnMouseExit, this, [this] { HoverButton = nullptr; });
    connect(button, &TLookOutButton::OnPopup, this, [this] { GrayAll(); });
    ConnectDragHandlers(button);
    return button;
}

void TfrmManager::PopulateHeaders()
{
    const QStringList sections = PresentNames(Catalogue::SectionNames());
    for (int n = 1; n <= sections.size(); ++n) {
        const QString caption = sections[n - 1].isEmpty() ? QStringLiteral("Header%1").arg(n) : sections[n - 1];
        TLookOutPage* page = AddPage(caption);
        page->BeginUpdate();
        const QStringList folders = PresentNames(Catalogue::FolderNames(caption));
        const Profile sectionFile(Catalogue::SectionFile(caption));
        for (int m = 1; m <= folders.size(); ++m) {
            const QString name = folders[m - 1].isEmpty() ? QStringLiteral("Category%1").arg(m) : folders[m - 1];
            AddButton(page, name, sectionFile.readInteger(QStringLiteral("Cat%1").arg(m), QStringLiteral("Icon"), 0));
        }
        page->EndUpdate();
    }
}

void TfrmManager::NewPage(const QString& name, const QString& location)
{
    Catalogue::AddSection(name, location);
    AddPage(name);
}

void TfrmManager::NewButton(const QString& folder, const QString& section, int icon, int pageIndex)
{
    Catalogue::AddFolder(folder, section, icon, pageIndex);
    if (TLookOutPage* page = Nav->Page(pageIndex))
        AddButton(page, folder, icon);
}

void TfrmManager::CreateDefaultHeader()
{
    // The store builds the three sections, their ten folders and their
    // directories; the bar shows what it wrote.
    Catalogue::BuildDefaultCatalogue();
    PopulateHeaders();
}

// ---------------------------------------------------------------------------
// Numbers by name

int TfrmManager::NumHeads()
{
    return Catalogue::SectionCount();
}

int TfrmManager::HeaderNumber(const TLookOutPage* page) const
{
    return page ? LastMatch(Catalogue::SectionNames(), page->Caption()) : 0;
}

int TfrmManager::CategoryNumber(const TLookOutButton* button) const
{
    const TLookOutPage* active = Nav->ActivePage();
    if (!button || !active)
        return 0;
    return LastMatch(Catalogue::FolderNames(active->Caption()), button->Caption());
}

// ---------------------------------------------------------------------------
// Selecting

void TfrmManager::SetHeading(const QString& folder, const QString& fileName)
{
    pnlCategory->setText(fileName.isEmpty() ? folder : folder + QStringLiteral(" - ") + fileName);
}

void TfrmManager::HeadClick(TLookOutPage* page)
{
    if (!page)
        return;
    const QPointer<TLookOutPage> alive(page);
    pnlCategory->clear();
    const int n = HeaderNumber(page);
    SectionLocation = n > 0 ? Catalogue::SectionLocation(n) : QString();

    if (page->ButtonCount() == 0) {
        ClearAll(true);
        FEDownloads->SetDirectory(SectionLocation);
        SetFolderItemsEnabled(false);
        return;
    }
    if (isVisible()) {
        LookOutButtonMouseDown(page->Button(0));
        if (!alive)
            return;
        CatClick();
        if (!alive)
            return;
    }
    const QString firstFolder = page->Button(0)->Caption();
    if (FEDownloads->Directory().isEmpty())
        FEDownloads->SetDirectory(Catalogue::FolderDirectory(SectionLocation, firstFolder));
    const bool hasFile = FEDownloads->HasItemAtTopLeft();
    if (hasFile)
        ReEnable();
    else
        ClearAll(true);
    SetFolderItemsEnabled(true);
    if (hasFile) {
        const QString file = FEDownloads->SelectTop();
        UpdateInfo();
        SetHeading(firstFolder, file);
    } else {
        SetHeading(firstFolder, {});
    }
}

void TfrmManager::LookOutPageMouseDown(TLookOutPage* page)
{
    try {
        WriteSettings();
        FEDownloads->setFocus();
        ClickedPage = page;
    } catch (...) {
        // A press never ends in an error box.
    }
}

void TfrmManager::LookOutButtonMouseDown(TLookOutButton* button)
{
    const QPointer<TLookOutButton> alive(button);
    try {
        // Pending messages run first; not the mouse's own (the release that
        // clicks this button must reach it after this press).
        QCoreApplication::sendPostedEvents();
        if (!alive)
            return;
        // Pending edits go to the previous folder's records first.
        WriteSettings();
        HoverButton = button;
        FEDownloads->setFocus();
        ClickedButton = button;
        Nav->SetSelectedButton(ClickedButton); // the bar shows where the user is
    } catch (...) {
        // Storing failed: the current folder stays as it was.
    }
}

void TfrmManager::CatClick()
{
    if (!ClickedButton)
        return;
    try {
        const QSignalBlocker detached(FEDownloads);
        // Reading the directory and the list's mouse handling run messages:
        // a folder pressed or moved meanwhile is shown by its own click, and
        // this one stops rather than head that folder's files with its name.
        const QPointer<TLookOutButton> shown = ClickedButton;
        const QString caption = ClickedButton->Caption();
        const QString directory = Catalogue::FolderDirectory(SectionLocation, caption);
        // The panel reads the folder's records once its files are listed.
        m_records.Preload(RecordFilePath());
        // A missing directory shows an empty list that says so, never the
        // previous folder's files under this folder's name.
        FEDownloads->SetDirectory(directory);
        if (ClickedButton != shown)
            return;
        ShowListStatus();
        SetHeading(caption, {});
        if (FEDownloads->HasItemAtTopLeft()) {
            const QString file = FEDownloads->SelectTop();
            ReEnable();
            FEDownloadsMouseDown();
            if (ClickedButton != shown)
                return;
            pnlInfo->Choose(file);
            UpdateInfo();
            SetHeading(caption, file);
        } else {
            ClearAll(true);
        }
    } catch (...) {
        // A folder press never ends in an error box.
    }
}

// A press that ends without a click (a right press that opens the menu of a
// section or folder, a press that slips off, a folder dragged onto another)
// still makes its section or folder the current one. The window then shows
// it, as a click would: the panel and the file commands act on the current
// folder's records, so they must be the records of the files shown (else an
// edit went into another folder's file, or nowhere).
void TfrmManager::ShowPressed()
{
    if (ClickedPage && ClickedPage != Nav->ActivePage()) {
        SelectSection(Nav->IndexOfPage(ClickedPage));
        return;
    }
    if (ClickedButton && ClickedButton->Page() == Nav->ActivePage()
        && FEDownloads->Directory() != Catalogue::FolderDirectory(SectionLocation, ClickedButton->Caption()))
        CatClick();
}

// ---------------------------------------------------------------------------
// Menu states that follow the bar

void TfrmManager::SetFolderItemsEnabled(bool enabled)
{
    for (QAction* a : {mnuRenCat, mnuP_RenCat, mnuMainDelCat, mnuB_DelCat})
        a->setEnabled(enabled);
}

void TfrmManager::UpdateMenuStates()
{
    const bool sections = Nav->PageCount() > 0;
    for (QAction* a : {mnuNewFolder, mnuP_NewFolder, mnuB_NewFolder, mnuRenSection, mnuP_RenSection,
                       mnuMainDelSection, mnuP_DelSection})
        a->setEnabled(sections);
    const bool files = sections && FEDownloads->HasItemAtTopLeft();
    mnuPrintReport->setEnabled(files);
    mnuSaveReport->setEnabled(files);
}

} // namespace flk
