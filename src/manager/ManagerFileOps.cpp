// The file commands of the manager window: open, properties, delete, scan,
// files dropped onto a folder button, the file list or the window, and a
// folder moved into another section.
//
// Records follow their files, never lead them: a record is erased, carried
// or stamped only once the file operation it describes has succeeded. A
// failure names the file and the system's reason and the command goes on
// with the next file.
#include "Manager.h"

#include <QItemSelectionModel>

#include "Catalogue.h"
#include "Dialogs.h"
#include "FileDrops.h"
#include "FileProperties.h"
#include "FolderList.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Profile.h"
#include "InfoPanel.h"
#include "RecordFile.h"
#include "Settings.h"
#include "ScanWindow.h"
#include "Shell.h"
#include "StoredDate.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QScopeGuard>

#include <optional>

namespace flk {

// Where a drop goes and what goes along with it.
struct DropPlan {
    QString targetDir;                        // with a trailing "/"
    bool move = false;
    bool askReplace = true;                   // the window's drop moves without questions
    QString folderEnd;                        // after the quoted path of a refused folder
    std::optional<RecordFile> targetRecords;  // records go along (drops on a folder button)
    QString sourceDir;                        // files from here carry their records...
    std::optional<RecordFile> sourceRecords;  // ...from this file
};

namespace {

enum DropEnd { kFinished = 0, kCancelled = -1, kStopped = -2 };

// Record changes collected while files are moved, written in one replace
// of each file per batch: the target first, so that a stop between the two
// leaves a record twice, never nowhere.
class RecordBatch {
public:
    RecordBatch(RecordFile* target, RecordFile* source) : m_target(target), m_source(source) {}
    ~RecordBatch() { flush(); }
    void carry(const QList<Profile::Write>& writes)
    {
        m_writes += writes;
        step();
    }
    void erase(const QString& record)
    {
        m_erases << record;
        step();
    }
    void flush()
    {
        if (m_target && !m_writes.isEmpty())
            m_target->writeStrings(m_writes);
        m_writes.clear();
        if (m_source && !m_erases.isEmpty())
            m_source->eraseRecords(m_erases);
        m_erases.clear();
        m_pending = 0;
    }

private:
    void step()
    {
        if (++m_pending >= 128)
            flush();
    }
    RecordFile* m_target;
    RecordFile* m_source;
    QList<Profile::Write> m_writes;
    QStringList m_erases;
    int m_pending = 0;
};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// A progress window that appears only when the work lasts over a second.
// It appears between files only, never by a timer of its own: a question
// open meanwhile (replace this file?) stays on top with the focus. Its
// steps run pending messages, as the work always has between files.
class Progress {
public:
    Progress(QWidget* parent, const QString& label, int count)
        : m_dialog(label, QStringLiteral("Cancel"), 0, count, parent)
    {
        m_dialog.setWindowTitle(QStringLiteral("Fetchlark"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
        m_dialog.reset(); // stops the timer that would show it by itself
        m_dialog.hide();
        m_started.start();
    }
    // False once the user cancelled.
    bool step(int done)
    {
        if (!m_dialog.isVisible() && m_started.elapsed() >= 1000)
            m_dialog.show();
        if (m_dialog.isVisible())
            m_dialog.setValue(done);
        return !m_dialog.wasCanceled();
    }
    // The window a question about the work belongs to: the progress window
    // when it shows, so that the question comes above it.
    QWidget* owner(QWidget* fallback) { return m_dialog.isVisible() ? &m_dialog : fallback; }

private:
    QProgressDialog m_dialog;
    QElapsedTimer m_started;
};

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool SameDirectory(const QString& a, const QString& b)
{
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
}

bool Present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString WithoutSlash(const QString& dir)
{
    return dir.size() > 1 && dir.endsWith(QLatin1Char('/')) ? dir.chopped(1) : dir;
}

// "Could not <what>: <reason>."
void Failed(QWidget* parent, const QString& what, const QString& reason = QString())
{
    const QString why = reason.isEmpty() ? QString() : QStringLiteral(": ") + reason;
    Dialogs::message(QStringLiteral("Could not %1%2.").arg(what, why), QStringLiteral("Fetchlark"), MB_OK,
                     MB_ICONERROR, parent);
}

QString ReplaceQuestion(const QString& name)
{
    return QStringLiteral("This folder already contains a file called ") + Quoted(name)
           + QStringLiteral(".  Do you want to replace the existing file?");
}

QString DeleteQuestion(const QStringList& names, bool toTrash)
{
    if (names.size() == 1)
        return toTrash ? QStringLiteral("Are you sure you want to send ") + names.first() + QStringLiteral(" to the Trash?")
                       : QStringLiteral("Are you sure you want to permanently delete ") + names.first()
                             + QStringLiteral(" ?");
    const QString n = QString::number(names.size());
    return toTrash ? QStringLiteral("Are you sure you want to send these ") + n + QStringLiteral(" files to the Trash?")
                   : QStringLiteral("Are you sure you want to permanently delete these ") + n
                         + QStringLiteral(" files ?");
}

void ConfirmDelete(TfrmManager* m, bool toTrash)
{
    const QStringList names = m->FEDownloads->SelectedFileNames();
    if (names.isEmpty())
        return;
    if (Dialogs::message(DeleteQuestion(names, toTrash), QStringLiteral("Confirm File Delete"), MB_OKCANCEL,
                         MB_ICONQUESTION, m)
        == IDOK)
        m->DelFile(toTrash);
}

// A name for folder `name` arriving in section `section`: the name itself,
// else the name followed by the smallest number that is free. Free means no
// folder of the section has it, and neither its directory nor its record
// file is already on disk, so nothing is ever merged into what lies there.
QString FreeFolderName(const QString& section, const QString& location, const QString& name)
{
    const QStringList names = Catalogue::FolderNames(section);
    for (int k = 0; k < 100000; ++k) {
        const QString candidate = k == 0 ? name : name + QString::number(k);
        if (names.contains(candidate) || Present(Catalogue::FolderDirectory(location, candidate))
            || Present(Profile::resolveCase(Catalogue::FolderFile(section, candidate))))
            continue;
        try {
            Catalogue::CheckNewFolderName(section, candidate);
        } catch (const Exception&) {
            continue; // it would share a file with another folder
        }
        return candidate;
    }
    return {};
}

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
    const QStringList names = FEDownloads->SelectedFileNames();
    QList<Profile::Write> opened;
    for (const QString& name : names) {
        const QString path = FEDownloads->Directory() + name;
        if (Shell::instance().open(path))
            opened << Profile::Write{name, QString::fromLatin1(RecordKey::LastOpened), StoredDate::Today()};
        else
            Failed(this, QStringLiteral("open ") + Quoted(path), QStringLiteral("no program opens files of this kind"));
    }
    const QString records = CurrentRecordFile();
    if (!records.isEmpty() && !opened.isEmpty())
        RecordFile(records).writeStrings(opened);
    UpdateInfo(); // the panel's "Opened:" date
}

void TfrmManager::mnuPropsClick()
{
    const QString name = FEDownloads->SelectedFileName();
    if (name.isEmpty())
        return;
    auto* window = new TFileProperties(this);
    window->ShowFile(FEDownloads->Directory() + name);
    window->show();
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
    ConfirmDelete(this, true);
}

void TfrmManager::N17Click()
{
    ConfirmDelete(this, false);
}

void TfrmManager::DelFile(bool toTrash)
{
    FEDownloads->SetAutoRefresh(false);
    const auto autoRefresh = qScopeGuard([this] { FEDownloads->SetAutoRefresh(true); });
    const QStringList names = FEDownloads->SelectedFileNames();
    if (names.isEmpty())
        return;
    const QString recordPath = CurrentRecordFile();
    std::optional<RecordFile> records;
    if (!recordPath.isEmpty())
        records.emplace(recordPath);
    bool firstGone = false;
    {
        RecordBatch batch(nullptr, records ? &*records : nullptr);
        Progress progress(this, QStringLiteral("Deleting files..."), static_cast<int>(names.size()));
        Shell& shell = Shell::instance();
        for (int i = 0; i < names.size() && progress.step(i); ++i) {
            const QString path = FEDownloads->Directory() + names[i];
            if (shell.deleteFile(path, toTrash)) {
                batch.erase(names[i]);
                firstGone = firstGone || i == 0;
                continue;
            }
            batch.flush();
            Failed(progress.owner(this), (toTrash ? QStringLiteral("send %1 to the Trash") : QStringLiteral("delete %1")).arg(Quoted(path)),
                   shell.lastError());
        }
    }
    ProcessMessages();
    FEDownloads->Refresh();
    AfterDelete();
    ProcessMessages();
    ProcessMessages();
    // A panel flush during the refresh may have written the first record back.
    if (firstGone && records)
        records->eraseRecord(names.first());
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
    const QString program = Settings::CommandLine();
    const QStringList names = FEDownloads->SelectedFileNames();
    if (program.isEmpty() || names.isEmpty())
        return;
    // One file is one argument, whatever its name holds; two or more scan
    // the whole folder. Never through a shell.
    const QString target =
        names.size() < 2 ? FEDownloads->Directory() + names.first() : WithoutSlash(FEDownloads->Directory());
    const QStringList arguments = QStringList{target} + SplitCommandLine(Settings::Parameters());
    const QString recordPath = CurrentRecordFile();
    // The folder scanned stamps every record of it, selected or not (read
    // when the scan ends, as the folder is then).
    const QStringList stamped = names.size() < 2 ? QStringList{names.first()} : QStringList();
    auto* scan = new TfrmScan(program, arguments, target);
    connect(scan->Run(), &ScannerRun::Finished, this, [this, recordPath, stamped](ScannerRun::Verdict verdict) {
        if (verdict == ScannerRun::Verdict::Clean)
            RecordScanned(recordPath, stamped);
    });
    scan->Start();
}

// Only a scan that ended clean is a check worth a date.
void TfrmManager::RecordScanned(const QString& recordPath, const QStringList& names)
{
    if (recordPath.isEmpty())
        return;
    RecordFile records(recordPath);
    const QString today = StoredDate::Today();
    const QString key = QString::fromLatin1(RecordKey::LastScanned);
    const QStringList stamped = names.isEmpty() ? records.recordNames() : names;
    QList<Profile::Write> scanned;
    for (const QString& name : stamped)
        scanned << Profile::Write{name, key, today};
    if (!scanned.isEmpty())
        records.writeStrings(scanned);
    // The panel's "Virus Checked:" date, without refilling (and so losing)
    // what the user is typing there.
    if (RecordFilePath() == recordPath && !pnlInfo->File().isEmpty() && stamped.contains(pnlInfo->File()))
        lblVChecked->setText(today);
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

int TfrmManager::DropInto(const QStringList& files, DropPlan& plan)
{
    Shell& shell = Shell::instance();
    RecordFile* target = plan.targetRecords ? &*plan.targetRecords : nullptr;
    RecordFile* source = plan.sourceRecords ? &*plan.sourceRecords : nullptr;
    RecordBatch batch(target, source);
    Progress progress(this, plan.move ? QStringLiteral("Moving files...") : QStringLiteral("Copying files..."),
                      static_cast<int>(files.size()));
    int done = 0;
    for (const QString& path : files) {
        if (!progress.step(done++))
            return kCancelled;
        const QFileInfo info(path);
        const QString name = info.fileName();
        if (info.isDir()) {
            batch.flush();
            Dialogs::showMessage(QStringLiteral("Cannot add the folder ") + Quoted(path) + plan.folderEnd,
                                 progress.owner(this));
            continue;
        }
        const QString to = plan.targetDir + name;
        bool replace = false;
        if (plan.askReplace && Present(to)) {
            batch.flush();
            if (SameDirectory(info.absolutePath(), plan.targetDir))
                return kStopped; // dropped where it already lies
            const int answer = Dialogs::message(ReplaceQuestion(name), QStringLiteral("Confirm File Replace"),
                                                MB_YESNOCANCEL, MB_ICONWARNING, progress.owner(this), IDNO);
            if (answer == IDCANCEL)
                return kCancelled;
            if (answer != IDYES)
                continue;
            replace = true;
        }
        const bool ok = plan.move ? shell.moveFile(path, to, replace) : shell.copyFile(path, to, replace);
        if (!ok) {
            batch.flush();
            Failed(progress.owner(this),
                   (plan.move ? QStringLiteral("move %1 to %2") : QStringLiteral("copy %1 to %2"))
                       .arg(Quoted(path), Quoted(WithoutSlash(plan.targetDir))),
                   shell.lastError());
            continue;
        }
        if (!target)
            continue;
        // A file of the current folder brings its record; any other file gets
        // a record of defaults.
        const bool fromHere = source && SameDirectory(info.absolutePath(), plan.sourceDir);
        batch.carry(fromHere ? source->carriedRecord(name, name) : target->carriedRecord(QString(), name));
        if (fromHere && plan.move)
            batch.erase(name);
    }
    return kFinished;
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
    const int end = DropInto(files, plan);
    if (end == kStopped || files.isEmpty())
        return;
    FEDownloads->Refresh();
    if (end == kCancelled)
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
    if (files.isEmpty() || directory.isEmpty() || SameDirectory(QFileInfo(files.first()).absolutePath(), directory))
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
    const int end = DropInto(files, plan);
    if (end == kStopped)
        return;
    FEDownloads->Refresh();
    if (end == kCancelled)
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
    DropInto(files, plan);
    FEDownloads->Refresh();
    if (files.isEmpty())
        return;
    AfterDelete();
    if (button && ClickedButton == button)
        CatClick();
}

// ---------------------------------------------------------------------------
// Moving a folder into another section

bool TfrmManager::MoveFiles(const QString& from, const QString& to)
{
    Shell& shell = Shell::instance();
    if (!shell.moveFile(WithoutSlash(from), WithoutSlash(to))) {
        Failed(this, QStringLiteral("move the folder %1 to %2").arg(Quoted(WithoutSlash(from)), Quoted(WithoutSlash(to))),
               shell.lastError());
        return false;
    }
    if (!shell.lastError().isEmpty()) // moved whole, but leftovers stay at the old place
        Failed(this, QStringLiteral("remove everything of %1 after moving it").arg(Quoted(WithoutSlash(from))),
               shell.lastError());
    return true;
}

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
        Dialogs::showMessage(QStringLiteral("There was an error while moving the folder ") + Quoted(name)
                                 + QStringLiteral(".  Its corresponding folder could not be found."),
                             this);
        return;
    }
    const QString newName = FreeFolderName(toSection, toLocation, name);
    if (newName.isEmpty())
        return;
    const QString toDir = Catalogue::FolderDirectory(toLocation, newName);
    // The files first: the catalogue changes only once they are there.
    if (!MoveFiles(fromDir, toDir))
        return;
    try {
        NewButton(newName, toSection, Catalogue::FolderIcon(fromSection, n), toNumber - 1);
    } catch (...) {
        MoveFiles(toDir, fromDir);
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

    const QString oldRecords = Profile::resolveCase(Catalogue::FolderFile(fromSection, name));
    if (QFileInfo::exists(oldRecords) && !QFile::rename(oldRecords, Catalogue::FolderFile(toSection, newName)))
        Failed(this, QStringLiteral("rename the record file %1").arg(Quoted(oldRecords)));
}

} // namespace flk
