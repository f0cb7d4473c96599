// Editing the catalogue on the manager window's sections bar: the section
// and folder dialogs behind the menus, renaming in place, reordering folders
// by dragging one button onto another and handing a folder dragged onto
// another section's page to the folder move. Also what the dialogs use of
// the bar (CatalogueBar).
#include "Manager.h"

#include "AppMessages.h"
#include "Catalogue.h"
#include "CatalogueError.h"
#include "Dialogs.h"
#include "FolderList.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutCaptionEdit.h"
#include "LookOutPage.h"
#include "NewSection.h"
#include "Profile.h"
#include "ProgramWindows.h"
#include "SectionProps.h"
#include "Settings.h"
#include "category.h"
#include "secdelete.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>

namespace flk {

namespace {

constexpr int kRenameHeight = 21;

// The file list stops following the disk while a command changes names
// and directories under it, and follows it again when the command ends,
// whatever way it ends: a list left without it would go stale.
class AutoRefreshPause {
public:
    explicit AutoRefreshPause(TFolderList* list) : m_list(list) { m_list->SetAutoRefresh(false); }
    ~AutoRefreshPause()
    {
        if (m_list)
            m_list->SetAutoRefresh(true);
    }
    AutoRefreshPause(const AutoRefreshPause&) = delete;
    AutoRefreshPause& operator=(const AutoRefreshPause&) = delete;

private:
    QPointer<TFolderList> m_list;
};

// The part of the heading after its first " - " (the file's name), or empty.
QString HeadingFile(const QString& heading)
{
    const qsizetype dash = heading.indexOf(QStringLiteral(" - "));
    return dash < 0 ? QString() : heading.mid(dash + 3);
}

} // namespace

QString TfrmManager::ConfirmCatDeleteText()
{
    return QStringLiteral("There are either files or file information still located in this folder, are you sure "
                          "you want to delete it?");
}

// ---------------------------------------------------------------------------
// New, delete, properties

void TfrmManager::NewSectionClick()
{
    ShowModalWindow(Window<TfrmNewSection>());
}

void TfrmManager::NewFolderClick()
{
    if (auto* category = Window<TfrmCategory>())
        category->NewCatShow(ActivePageIndex());
}

void TfrmManager::DeleteSectionClick()
{
    const AutoRefreshPause pause(FEDownloads);
    auto* dialog = Window<TfrmDelete>();
    if (dialog && ClickedPage)
        dialog->ShowForm(ClickedPageIndex(), TfrmDelete::kSection);
}

void TfrmManager::DeleteFolderClick()
{
    const AutoRefreshPause pause(FEDownloads);
    auto* dialog = Window<TfrmDelete>();
    if (!dialog || ClickedButtonIndex() < 0)
        return;
    if (Settings::ConfirmCatDelete()
        && Dialogs::message(ConfirmCatDeleteText(), QStringLiteral("Confirm Delete"), MB_OKCANCEL, MB_ICONQUESTION,
                            this) != IDOK)
        return;
    dialog->DelCat();
    ProcessMessages();
}

void TfrmManager::P1Click()
{
    auto* props = Window<TfrmSectionProps>();
    if (!props || !ClickedPage)
        return;
    props->ShowSectionPicture();
    props->PreShow(TfrmSectionProps::kSection, ClickedButtonIndex(), ClickedPageIndex());
}

void TfrmManager::MenuItem7Click()
{
    auto* props = Window<TfrmSectionProps>();
    if (!props || ClickedButtonIndex() < 0)
        return;
    props->ShowIconPicture(FolderIcons().value(ClickedButton->ImageIndex()));
    props->PreShow(TfrmSectionProps::kFolder, ClickedButtonIndex(), ClickedPageIndex());
}

// ---------------------------------------------------------------------------
// Renaming in place

void TfrmManager::OpenRenameBox(QWidget* host, const QRect& place, const QString& text, const QString& what,
                                bool (TfrmManager::*rename)())
{
    if (m_renameBox)
        m_renameBox->Finish(false);
    // A refused name leaves the list's automatic refresh off while the box
    // stays open (a refresh would close it); it is on again once it closes.
    auto* box = new TLookOutCaptionEdit(host, place, text, [this](bool, const QString&) {
        RenameEdit = nullptr;
        FEDownloads->SetAutoRefresh(true);
    });
    box->SetLeaveDrops(true);
    box->SetCheck([this, rename](const QString&) { return (this->*rename)(); });
    m_renameBox = box;
    RenameEdit = box->Editor();
    RenameEdit->setAccessibleName(what);
    RenameEdit->setAccessibleDescription(QStringLiteral("Type the new name and press Enter; Escape keeps the old one."));
}

void TfrmManager::RenameSectionClick()
{
    if (!ClickedPage)
        return;
    const QString caption = ClickedPage->Caption();
    OpenRenameBox(ClickedPage, QRect(0, 0, ClickedPage->width(), kRenameHeight), caption,
                  QStringLiteral("Rename section %1").arg(caption), &TfrmManager::RenameHeader);
}

void TfrmManager::RenameFolderClick()
{
    if (!ClickedButton || !ClickedButton->Page())
        return;
    TLookOutPage* page = ClickedButton->Page();
    const QString caption = ClickedButton->Caption();
    const QRect place(0, ClickedButton->y() + ClickedButton->height() - kRenameHeight - 2, page->width(),
                      kRenameHeight);
    OpenRenameBox(page, place, caption, QStringLiteral("Rename folder %1").arg(caption), &TfrmManager::RenameCategory);
}

bool TfrmManager::RenameHeader()
{
    if (!RenameEdit || !ClickedPage)
        return true;
    FEDownloads->SetAutoRefresh(false);
    const QString name = RenameEdit->text();
    const QString old = ClickedPage->Caption();
    if (name == old)
        return true;
    const int n = HeaderNumber(ClickedPage);
    const QString oldLocation = Catalogue::SectionLocation(n);
    try {
        // The store renames the section file, every folder's record file and
        // the directory together, or refuses and changes nothing.
        Catalogue::RenameSection(n, name);
    } catch (const ECatalogueError& e) {
        Dialogs::showMessage(e.Message(), this);
        return false;
    }
    SectionLocation = Catalogue::SectionLocation(n);
    ClickedPage->SetCaption(name);
    ClickedPage->setAccessibleName(name);
    // The list follows its directory to the new place, with the files that
    // were selected (the panel shows them again).
    const QString shown = FEDownloads->Directory();
    if (!oldLocation.isEmpty() && shown.startsWith(oldLocation)) {
        const QStringList selected = FEDownloads->SelectedFileNames();
        FEDownloads->SetDirectory(SectionLocation + shown.mid(oldLocation.size()));
        FEDownloads->SelectFiles(selected);
    }
    return true;
}

bool TfrmManager::RenameCategory()
{
    if (!RenameEdit || !ClickedButton || !Nav->ActivePage())
        return true;
    FEDownloads->SetAutoRefresh(false);
    const QString name = RenameEdit->text();
    const QString old = ClickedButton->Caption();
    if (name == old)
        return true;
    const QString section = Nav->ActivePage()->Caption();
    try {
        Catalogue::RenameFolder(section, CategoryNumber(ClickedButton), name);
    } catch (const ECatalogueError& e) {
        Dialogs::showMessage(e.Message(), this);
        return false;
    }
    ClickedButton->SetCaption(name);
    ClickedButton->setAccessibleName(name);
    SetHeading(name, FEDownloads->HasItemAtTopLeft() ? HeadingFile(pnlCategory->text()) : QString());
    LookOutButtonMouseDown(ClickedButton);
    CatClick();
    return true;
}

// ---------------------------------------------------------------------------
// Dragging folders

void TfrmManager::ShowDropTarget(const TLookOutPage* target)
{
    for (TLookOutPage* page : Nav->Pages()) {
        QFont font = page->font();
        if (font.bold() != (page == target)) {
            font.setBold(page == target);
            page->setFont(font);
        }
    }
}

void TfrmManager::SwapFolders(TLookOutButton* source, TLookOutButton* target)
{
    TLookOutPage* page = source->Page();
    if (!page || page != target->Page() || source == target)
        return;
    HoverButton = ClickedButton;
    const int src = CategoryNumber(source);
    const int dst = CategoryNumber(target);
    if (src > 0 && dst > 0) {
        Profile file(Catalogue::SectionFile(page->Caption()));
        const auto entry = [](int m) { return QStringLiteral("Cat%1").arg(m); };
        const QString name = QStringLiteral("Name");
        const QString icon = QStringLiteral("Icon");
        const QString srcName = file.readString(entry(src), name, QString());
        const QString srcIcon = file.readString(entry(src), icon, QStringLiteral("0"));
        const QString dstName = file.readString(entry(dst), name, QString());
        const QString dstIcon = file.readString(entry(dst), icon, QStringLiteral("0"));
        file.writeString(entry(dst), name, srcName);
        file.writeString(entry(dst), icon, srcIcon);
        file.writeString(entry(src), name, dstName);
        file.writeString(entry(src), icon, dstIcon);
    }
    page->ExchangeButtons(page->IndexOfButton(source), page->IndexOfButton(target));
}

void TfrmManager::ConnectDragHandlers(TLookOutButton* button)
{
    const auto postEndDrag = [](TLookOutButton* b) {
        if (TLookOutPage* page = b->Page())
            AppMessages::Post(WM_FLK_ENDDRAG, static_cast<WPARAM>(page->IndexOfButton(b)));
    };
    connect(button, &TLookOutButton::OnMouseDown, this,
            [this](TLookOutButton*, Qt::MouseButton which, Qt::KeyboardModifiers, QPoint pos) {
                if (which == Qt::LeftButton)
                    m_dragFrom = pos;
            });
    connect(button, &TLookOutButton::OnMouseMove, this,
            [this, postEndDrag](TLookOutButton* b, Qt::MouseButtons buttons, Qt::KeyboardModifiers, QPoint pos) {
                if (b->Dragging()) {
                    if (!(buttons & Qt::LeftButton))
                        postEndDrag(b);
                    return;
                }
                // A press that wanders off the button by more than a jitter
                // starts the drag; the cursor is the folder's own icon.
                if (buttons != Qt::LeftButton
                    || (pos - m_dragFrom).manhattanLength() < QApplication::startDragDistance())
                    return;
                const QIcon icon = ilIcons.value(b->ImageIndex());
                if (!icon.isNull())
                    b->SetDragCursor(QCursor(icon.pixmap(32, 32)));
                b->BeginDrag();
            });
    connect(button, &TLookOutButton::OnStartDrag, this, [postEndDrag](TLookOutButton* b) {
        if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
            postEndDrag(b);
    });
    connect(button, &TLookOutButton::OnDragOver, this,
            [this](TLookOutButton* target, TLookOutButton* source, bool* accept) {
                ShowDropTarget(nullptr);
                *accept = source && source->Dragging() && source != target && source->Page() == target->Page();
            });
    connect(button, &TLookOutButton::OnDragDrop, this,
            [this](TLookOutButton* target, TLookOutButton* source) { SwapFolders(source, target); });
    connect(button, &TLookOutButton::OnEndDrag, this, [this] { ShowDropTarget(nullptr); });
}

void TfrmManager::ConnectDragHandlers(TLookOutPage* page)
{
    connect(page, &TLookOutPage::OnDragOver, this, [this](TLookOutPage* target, TLookOutButton* source, bool* accept) {
        *accept = source && source->Dragging() && target != Nav->ActivePage();
        ShowDropTarget(*accept ? target : nullptr);
    });
    connect(page, &TLookOutPage::OnDragDrop, this, [this](TLookOutPage* target, TLookOutButton* source) {
        ShowDropTarget(nullptr);
        if (target == Nav->ActivePage() || !source)
            return;
        // The move itself runs once the bar has finished the drag.
        AppMessages::Post(WM_FLK_MOVEFOLDER, static_cast<WPARAM>(HeaderNumber(target)),
                          static_cast<LPARAM>(CategoryNumber(source)));
    });
}

// ---------------------------------------------------------------------------
// What the section and folder dialogs use of the bar

int TfrmManager::PageCount() const
{
    return Nav->PageCount();
}

QString TfrmManager::PageCaption(int page) const
{
    const TLookOutPage* p = Nav->Page(page);
    return p ? p->Caption() : QString();
}

QStringList TfrmManager::ButtonCaptions(int page) const
{
    QStringList captions;
    if (const TLookOutPage* p = Nav->Page(page))
        for (const TLookOutButton* b : p->Buttons())
            captions << b->Caption();
    return captions;
}

int TfrmManager::ButtonImage(int page, int button) const
{
    const TLookOutPage* p = Nav->Page(page);
    const TLookOutButton* b = p ? p->Button(button) : nullptr;
    return b ? b->ImageIndex() : -1;
}

int TfrmManager::ActivePageIndex() const
{
    return Nav->IndexOfPage(Nav->ActivePage());
}

int TfrmManager::ClickedPageIndex() const
{
    return ClickedPage ? Nav->IndexOfPage(ClickedPage) : -1;
}

int TfrmManager::ClickedButtonIndex() const
{
    // Only a folder of the current section counts as its current folder.
    if (!ClickedButton || !ClickedPage || ClickedButton->Page() != ClickedPage)
        return -1;
    return ClickedPage->IndexOfButton(ClickedButton);
}

int TfrmManager::SectionNumberOf(int page) const
{
    return HeaderNumber(Nav->Page(page));
}

int TfrmManager::FolderNumberOf(int page, int button) const
{
    const TLookOutPage* p = Nav->Page(page);
    const TLookOutButton* b = p ? p->Button(button) : nullptr;
    if (!b || b->Caption().isEmpty())
        return 0;
    return static_cast<int>(Catalogue::FolderNames(p->Caption()).lastIndexOf(b->Caption())) + 1;
}

const QList<QIcon>& TfrmManager::FolderIcons()
{
    if (ilIcons.isEmpty())
        PopulateImageList();
    return ilIcons;
}

void TfrmManager::SelectSection(int page)
{
    TLookOutPage* p = Nav->Page(page);
    if (!p)
        return;
    Nav->SetActivePage(p);
    if (Nav->ActivePage() != p)
        return; // the bar has no room to open it: its files are not shown under another header
    ClickedPage = p;
    HeadClick(p);
}

void TfrmManager::SelectFolder(int page, int button)
{
    const TLookOutPage* p = Nav->Page(page);
    TLookOutButton* b = p ? p->Button(button) : nullptr;
    if (!b)
        return;
    LookOutButtonMouseDown(b);
    CatClick();
}

void TfrmManager::RemovePage(int page)
{
    TLookOutPage* p = Nav->Page(page);
    if (!p)
        return;
    const bool wasActive = Nav->ActivePage() == p;
    delete p;
    UpdateMenuStates();
    if (Nav->PageCount() == 0) {
        ClickedPage = nullptr;
        ClickedButton = nullptr;
        Nav->SetSelectedButton(ClickedButton);
        SectionLocation.clear();
        pnlCategory->clear();
        FEDownloads->SetDirectory(QString());
        ClearAll(true);
        SetFolderItemsEnabled(false);
        return;
    }
    if (wasActive)
        SelectSection(std::max(page - 1, 0));
}

void TfrmManager::LeaveFolder(int page, int button)
{
    const TLookOutPage* p = Nav->Page(page);
    if (!p)
        return;
    if (p->ButtonCount() < 2) {
        SetFolderItemsEnabled(false);
        FEDownloads->SetDirectory(SectionLocation);
        pnlCategory->clear();
        GrayAll();
        ClearAll(true);
        return;
    }
    SelectFolder(page, button == 0 ? 1 : button - 1);
}

void TfrmManager::RemoveButton(int page, int button)
{
    if (const TLookOutPage* p = Nav->Page(page))
        delete p->Button(button);
}

void TfrmManager::SetButtonImage(int page, int button, int icon)
{
    const TLookOutPage* p = Nav->Page(page);
    if (TLookOutButton* b = p ? p->Button(button) : nullptr)
        b->SetImageIndex(icon);
}

} // namespace flk
