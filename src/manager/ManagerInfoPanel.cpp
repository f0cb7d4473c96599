// The manager window's information panel: filling it from the selected
// file's download record, storing it back (one file, several files, one
// field), the two looks of its fields, and the source link.
#include "Manager.h"

#include "AppMessages.h"
#include "Dialogs.h"
#include "Exception.h"
#include "Asker.h"
#include "Catalogue.h"
#include "FolderList.h"
#include "InfoPanel.h"
#include "LookOut.h"
#include "Notes.h"
#include "PumpGuard.h"
#include "RecordFile.h"
#include "Shell.h"
#include "StoredDate.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSplitter>
#include <QStatusBar>

#include <algorithm>

namespace flk {

const QString TfrmManager::kClickHereToEdit = QString::fromLatin1(flk::kClickHereToEdit);

// ---------------------------------------------------------------------------
// Where the records are

bool TfrmManager::FolderIsCurrent() const
{
    return ClickedPage && ClickedButton && ClickedPage->Buttons().contains(ClickedButton.data());
}

QString TfrmManager::RecordFilePath() const
{
    return FolderIsCurrent() ? Catalogue::FolderFile(ClickedPage->Caption(), ClickedButton->Caption()) : QString();
}

// ---------------------------------------------------------------------------
// Emptying, enabling, looks

void TfrmManager::ClearAll(bool disable)
{
    pnlInfo->Clear();
    m_loadedContent.clear();
    if (disable)
        for (QWidget* field : pnlInfo->InputFields())
            field->setEnabled(false);
}

void TfrmManager::ReEnable()
{
    for (QWidget* field : pnlInfo->InputFields())
        field->setEnabled(true);
}

void TfrmManager::ClearDeleteBox()
{
    cbDelete->setChecked(false);
}

void TfrmManager::GrayAll()
{
    const PumpGuard alive(this);
    for (QWidget* field : pnlInfo->TextFields()) {
        AppMessages::Post(WM_FLK_DISPLAYLOOK, FieldHandle(field));
        if (!alive.ProcessMessages())
            return;
    }
    if (RenameEdit)
        RenameEdit->hide();
}

void TfrmManager::FieldLook(WPARAM handle, bool editing)
{
    const QList<QWidget*> fields = pnlInfo->TextFields();
    const auto found = std::find_if(fields.begin(), fields.end(), [handle](QWidget* f) { return FieldHandle(f) == handle; });
    if (found == fields.end())
        return;
    QWidget* field = *found;
    pnlInfo->SetLook(field, editing);
    if (!editing)
        return;
    // The placeholder makes way for typing.
    if (auto* edit = qobject_cast<QLineEdit*>(field); edit && edit->text() == kClickHereToEdit)
        edit->clear();
    else if (field == mmoNotes && mmoNotes->toPlainText().left(kClickHereToEdit.size()) == kClickHereToEdit)
        mmoNotes->clear();
}

// ---------------------------------------------------------------------------
// Filling

void TfrmManager::UpdateInfo()
{
    if (pnlInfo->Chosen().isEmpty() || !FEDownloads->HasItemAtTopLeft())
        return;
    const QString name = FEDownloads->SelectedFileName();
    if (name.isEmpty())
        return; // nothing selected any more: the panel stays as it is
    if (!FolderIsCurrent()) {
        ClearAll(true); // files of a section without folders have no records
        return;
    }
    if (const QString problem = Profile::NameProblem(name); !problem.isEmpty()) {
        // No record can be stored under this name: nothing to edit.
        ClearAll(true);
        SetHeading(ClickedButton->Caption(), name);
        statusBar()->showMessage(
            QStringLiteral("The file name \"%1\" cannot hold a download record: it %2.").arg(name, problem));
        return;
    }
    lblDeletion->hide();
    const std::shared_ptr<RecordFile> open = m_records.Open(RecordFilePath());
    RecordFile& records = *open;
    const QString folder = ClickedButton->Caption();
    SetHeading(folder, FEDownloads->SelectedCount() >= 2 ? QStringLiteral("Multiple Files Selected") : name);

    records.beginReadRun();
    try {
        pnlInfo->Fill(records, name);
    } catch (...) {
        records.endReadRun();
        throw;
    }
    records.endReadRun();
    m_loadedContent = PanelContent();

    const PumpGuard alive(this);
    if (alive.ProcessMessages())
        alive.ProcessMessages();
}

// ---------------------------------------------------------------------------
// Storing

void TfrmManager::WriteSettings()
{
    if (FEDownloads->SelectedCount() < 2)
        DoWrite();
    else
        MultiWrite();
    pnlInfo->Choose(FEDownloads->SelectedFileName());
}

void TfrmManager::DoWrite()
{
    // Only what the panel holds: a name set before the panel was filled
    // for it must not store the empty fields.
    const QString name = pnlInfo->Chosen();
    if (name.isEmpty() || name != pnlInfo->File() || !FolderIsCurrent())
        return;
    StorePanel([&](RecordFile& records) { WriteRecord(records, name, true); });
}

void TfrmManager::MultiWrite()
{
    const QString shown = pnlInfo->Chosen();
    if (shown.isEmpty() || pnlInfo->File().isEmpty() || !FolderIsCurrent())
        return;
    StorePanel([&](RecordFile& records) {
        for (const QString& name : FEDownloads->SelectedFileNames())
            WriteRecord(records, name, name == shown);
    });
}

// Runs one store of the panel into the current folder's record file. A
// store the file refuses leaves the edit in the panel and is told once: the
// flushes that retry the same edit (the focus coming back from the message
// is one) fail quietly, with the status bar saying it is not saved. The
// message comes after the focus change that caused the store has ended.
bool TfrmManager::StorePanel(const std::function<void(RecordFile&)>& store)
{
    const QString path = RecordFilePath();
    try {
        const std::shared_ptr<RecordFile> records = m_records.Open(path);
        store(*records);
    } catch (const EProfileError& e) {
        StoreRefused(path, ExceptionMessage(e), false);
        return false;
    }
    if (!m_failedStore.isEmpty())
        statusBar()->clearMessage();
    m_failedStore.clear();
    return true;
}

// A store refused: at once, or by the write on its way to the disk (`later`:
// the message needs no waiting for a focus change to end).
void TfrmManager::StoreRefused(const QString& path, const QString& reason, bool later)
{
    statusBar()->showMessage(QStringLiteral("Not saved: ") + reason);
    // The panel as it was filled is no edit of the user's to lose: the
    // status bar says enough.
    const QString content = PanelContent();
    const QString failed = path + QChar(0) + content;
    if (failed == m_failedStore || content == m_loadedContent)
        return;
    m_failedStore = failed;
    const QString text = QStringLiteral("Could not save the information of \"%1\": %2.  The changes stay in the panel.")
                             .arg(pnlInfo->File(), reason);
    const auto tell = [this, text] { Dialogs::message(text, QStringLiteral("Fetchlark"), MB_OK, MB_ICONERROR, this); };
    if (later)
        tell();
    else
        QMetaObject::invokeMethod(this, tell, Qt::QueuedConnection);
}

// What a store of the panel would write, to know a retry of the same edit
// (a placeholder emptied as its field takes the focus is no new edit).
QString TfrmManager::PanelContent() const
{
    const auto text = [](const QString& value) { return value == kClickHereToEdit ? QString() : value; };
    return QStringList{FEDownloads->SelectedFileNames().join(QChar(1)), text(edtDescription->text()),
                       text(edtSource->text()), text(pnlInfo->EncodedNotes()),
                       cbDelete->isChecked() ? QStringLiteral("1") : QStringLiteral("0"), meDelete->text()}
        .join(QChar(0));
}

// The panel into one record; a file that is gone gets no new record
// (another program may have deleted it while it was selected).
void TfrmManager::WriteRecord(RecordFile& records, const QString& name, bool keepUnchanged)
{
    if (!records.hasRecord(name) && !QFileInfo::exists(FEDownloads->Directory() + name))
        return;
    pnlInfo->Store(records, name, keepUnchanged);
}

void TfrmManager::WriteSingle(QWidget* field)
{
    if (pnlInfo->File().isEmpty() || !FolderIsCurrent())
        return;
    const bool stored = StorePanel([&](RecordFile& records) {
        for (const QString& name : FEDownloads->SelectedFileNames())
            pnlInfo->StoreField(records, name, field);
    });
    if (stored)
        pnlInfo->SetLoaded(field, field == mmoNotes ? pnlInfo->EncodedNotes() : static_cast<QLineEdit*>(field)->text());
}

// ---------------------------------------------------------------------------
// The user in the panel

void TfrmManager::ConnectInfoPanel()
{
    connect(pnlInfo, &TInfoPanel::FieldEntered, this, [this](QWidget* field) {
        AppMessages::Post(WM_FLK_EDITLOOK, FieldHandle(field));
        if (FEDownloads->SelectedCount() < 2)
            WriteSettings();
    });
    connect(pnlInfo, &TInfoPanel::FieldLeft, this, [this](QWidget* field) {
        AppMessages::Post(WM_FLK_DISPLAYLOOK, FieldHandle(field));
        if (FEDownloads->SelectedCount() < 2)
            WriteSettings();
    });
    connect(pnlInfo, &TInfoPanel::FieldPressed, this, [this] {
        if (FEDownloads->SelectedCount() < 2)
            WriteSettings();
    });
    connect(pnlInfo, &TInfoPanel::FieldKey, this, [this](QWidget* field, int key) { FieldKey(field, key); });
    connect(pnlInfo, &TInfoPanel::PanelClicked, this, [this](QWidget* where) { PanelClicked(where); });
    connect(pnlInfo, &TInfoPanel::DeleteBoxReleased, this, [this] { DeleteBoxReleased(); });
    connect(pnlInfo, &TInfoPanel::SourceClicked, this, [this] { SourceClick(); });
    connect(pnlInfo, &TInfoPanel::SourceMenu, this, [this](const QPoint& at) { pmGoThere->popup(at); });
    connect(edtSource, &QLineEdit::textChanged, this, [this] { edtSourceChange(); });
    connect(pnlInfo->Splitter3, &QSplitter::splitterMoved, this, [this] { RightPaneWidth = pnlRightPane->width(); });
}

void TfrmManager::FieldKey(QWidget* field, int key)
{
    if (key == Qt::Key_Escape) {
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->undo();
        if (field == mmoNotes) {
            mmoNotes->undo();
            GrayAll();
            FEDownloads->setFocus();
        } else if (TLookOutPage* page = Nav->ActivePage()) {
            page->setFocus();
        }
        return;
    }
    WriteSingle(field);
    FEDownloads->setFocus();
}

void TfrmManager::PanelClicked(QWidget* where)
{
    if (where == pnlInfo->SourceGap) {
        edtSource->setFocus();
        return;
    }
    WriteSettings();
    FEDownloads->setFocus();
}

void TfrmManager::DeleteBoxReleased()
{
    if (FEDownloads->SelectedCount() < 2)
        WriteSettings();
    GrayAll();
    FEDownloads->setFocus();
    WriteSettings();
}

void TfrmManager::InfoPanelResize()
{
    if (RightPaneWidth <= 0)
        return;
    QSplitter* split = pnlInfo->Splitter3;
    const int left = pnlInfo->Panel3->width() - RightPaneWidth - split->handleWidth();
    if (left > 0)
        split->setSizes({left, RightPaneWidth});
}

// ---------------------------------------------------------------------------
// The source link

void TfrmManager::edtSourceChange()
{
    const QString text = edtSource->text();
    bool link = false;
    for (const char* start : {"http://", "https://", "www.", "ftp://", "ftp."})
        link = link || text.startsWith(QLatin1String(start), Qt::CaseSensitive);
    pnlInfo->SetSourceLink(link, pmGoThere);
}

void TfrmManager::SourceClick()
{
    const QString source = edtSource->text();
    const QString name = source.section(QLatin1Char('/'), -1);
    const QString extension = name.contains(QLatin1Char('.')) ? name.section(QLatin1Char('.'), -1).toUpper() : QString();
    if (extension != QLatin1String("EXE") && extension != QLatin1String("ZIP")) {
        // The browser wants a scheme where the address starts with its host.
        QString address = source;
        if (address.startsWith(QLatin1String("www.")))
            address.prepend(QLatin1String("http://"));
        else if (address.startsWith(QLatin1String("ftp.")))
            address.prepend(QLatin1String("ftp://"));
        Shell::instance().open(address);
        return;
    }
    ReDownload();
}

void TfrmManager::mnuGoThereClick()
{
    SourceClick();
}

// The download dialog's re-download opener: the recorded address, the
// current section and folder, the selected file's name.
void TfrmManager::ReDownload()
{
    auto* asker = new TfrmAsker();
    asker->FillFromManager(edtSource->text(), edtDescription->text());
    asker->SetDefaults();
    const TLookOutPage* page = Nav->ActivePage();
    asker->PlaceFromManager(page ? page->Caption() : QString(), ClickedButton ? ClickedButton->Caption() : QString(),
                            FEDownloads->SelectedCaptions().value(0));
    asker->show();
}

} // namespace flk
