#include "FileOperations.h"

#include "Catalogue.h"
#include "Dialogs.h"
#include "FileOperationsHost.h"
#include "FileProperties.h"
#include "FolderList.h"
#include "Messages.h"
#include "Profile.h"
#include "ScanWindow.h"
#include "Settings.h"
#include "Shell.h"
#include "StoredDate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QScopeGuard>

namespace flk {

namespace {

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

} // namespace

TFileOperations::TFileOperations(QWidget* owner, TFolderList* list, FileOperationsHost* host)
    : QObject(owner), m_owner(owner), m_list(list), m_host(host)
{
}

bool TFileOperations::SameDirectory(const QString& a, const QString& b)
{
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------------------
// Open, properties

void TFileOperations::OpenSelected()
{
    const QStringList names = m_list->SelectedFileNames();
    QList<Profile::Write> opened;
    for (const QString& name : names) {
        const QString path = m_list->Directory() + name;
        if (Shell::instance().open(path))
            opened << Profile::Write{name, QString::fromLatin1(RecordKey::LastOpened), StoredDate::Today()};
        else
            Failed(m_owner, QStringLiteral("open ") + Quoted(path), QStringLiteral("no program opens files of this kind"));
    }
    const QString records = m_host->CurrentRecordFile();
    if (!records.isEmpty() && !opened.isEmpty())
        RecordFile(records).writeStrings(opened);
}

void TFileOperations::ShowProperties()
{
    const QString name = m_list->SelectedFileName();
    if (name.isEmpty())
        return;
    auto* window = new TFileProperties(m_owner);
    window->ShowFile(m_list->Directory() + name);
    window->show();
}

// ---------------------------------------------------------------------------
// Delete

void TFileOperations::ConfirmDelete(bool toTrash)
{
    const QStringList names = m_list->SelectedFileNames();
    if (names.isEmpty())
        return;
    if (Dialogs::message(DeleteQuestion(names, toTrash), QStringLiteral("Confirm File Delete"), MB_OKCANCEL,
                         MB_ICONQUESTION, m_owner)
        == IDOK)
        DeleteSelected(toTrash);
}

void TFileOperations::DeleteSelected(bool toTrash)
{
    m_list->SetAutoRefresh(false);
    const auto autoRefresh = qScopeGuard([this] { m_list->SetAutoRefresh(true); });
    const QStringList names = m_list->SelectedFileNames();
    if (names.isEmpty())
        return;
    const QString recordPath = m_host->CurrentRecordFile();
    std::optional<RecordFile> records;
    if (!recordPath.isEmpty())
        records.emplace(recordPath);
    bool firstGone = false;
    {
        RecordBatch batch(nullptr, records ? &*records : nullptr);
        Progress progress(m_owner, QStringLiteral("Deleting files..."), static_cast<int>(names.size()));
        Shell& shell = Shell::instance();
        for (int i = 0; i < names.size() && progress.step(i); ++i) {
            const QString path = m_list->Directory() + names[i];
            if (shell.deleteFile(path, toTrash)) {
                batch.erase(names[i]);
                firstGone = firstGone || i == 0;
                continue;
            }
            batch.flush();
            Failed(progress.owner(m_owner),
                   (toTrash ? QStringLiteral("send %1 to the Trash") : QStringLiteral("delete %1")).arg(Quoted(path)),
                   shell.lastError());
        }
    }
    ProcessMessages();
    m_list->Refresh();
    m_host->AfterDelete();
    ProcessMessages();
    ProcessMessages();
    // A panel flush during the refresh may have written the first record back.
    if (firstGone && records)
        records->eraseRecord(names.first());
}

// ---------------------------------------------------------------------------
// Scan

void TFileOperations::ScanSelected()
{
    const QString program = Settings::CommandLine();
    const QStringList names = m_list->SelectedFileNames();
    if (program.isEmpty() || names.isEmpty())
        return;
    // One file is one argument, whatever its name holds; two or more scan
    // the whole folder. Never through a shell.
    const QString target = names.size() < 2 ? m_list->Directory() + names.first() : WithoutSlash(m_list->Directory());
    const QStringList arguments = QStringList{target} + SplitCommandLine(Settings::Parameters());
    const QString recordPath = m_host->CurrentRecordFile();
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
void TFileOperations::RecordScanned(const QString& recordPath, const QStringList& names)
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
    m_host->ScanRecorded(recordPath, stamped, today);
}

// ---------------------------------------------------------------------------
// Drops

int TFileOperations::DropInto(const QStringList& files, DropPlan& plan)
{
    Shell& shell = Shell::instance();
    RecordFile* target = plan.targetRecords ? &*plan.targetRecords : nullptr;
    RecordFile* source = plan.sourceRecords ? &*plan.sourceRecords : nullptr;
    RecordBatch batch(target, source);
    Progress progress(m_owner, plan.move ? QStringLiteral("Moving files...") : QStringLiteral("Copying files..."),
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
                                 progress.owner(m_owner));
            continue;
        }
        const QString to = plan.targetDir + name;
        bool replace = false;
        if (plan.askReplace && Present(to)) {
            batch.flush();
            if (SameDirectory(info.absolutePath(), plan.targetDir))
                return kStopped; // dropped where it already lies
            const int answer = Dialogs::message(ReplaceQuestion(name), QStringLiteral("Confirm File Replace"),
                                                MB_YESNOCANCEL, MB_ICONWARNING, progress.owner(m_owner), IDNO);
            if (answer == IDCANCEL)
                return kCancelled;
            if (answer != IDYES)
                continue;
            replace = true;
        }
        const bool ok = plan.move ? shell.moveFile(path, to, replace) : shell.copyFile(path, to, replace);
        if (!ok) {
            batch.flush();
            Failed(progress.owner(m_owner),
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

// ---------------------------------------------------------------------------
// Moving a folder into another section

bool TFileOperations::MoveFolderFiles(const QString& from, const QString& to)
{
    Shell& shell = Shell::instance();
    if (!shell.moveFile(WithoutSlash(from), WithoutSlash(to))) {
        Failed(m_owner, QStringLiteral("move the folder %1 to %2").arg(Quoted(WithoutSlash(from)), Quoted(WithoutSlash(to))),
               shell.lastError());
        return false;
    }
    if (!shell.lastError().isEmpty()) // moved whole, but leftovers stay at the old place
        Failed(m_owner, QStringLiteral("remove everything of %1 after moving it").arg(Quoted(WithoutSlash(from))),
               shell.lastError());
    return true;
}

void TFileOperations::MoveRecordFile(const QString& fromSection, const QString& name, const QString& toSection,
                                     const QString& newName)
{
    const QString oldRecords = Profile::resolveCase(Catalogue::FolderFile(fromSection, name));
    if (QFileInfo::exists(oldRecords) && !QFile::rename(oldRecords, Catalogue::FolderFile(toSection, newName)))
        Failed(m_owner, QStringLiteral("rename the record file %1").arg(Quoted(oldRecords)));
}

// A name for folder `name` arriving in section `section`: the name itself,
// else the name followed by the smallest number that is free. Free means no
// folder of the section has it, and neither its directory nor its record
// file is already on disk, so nothing is ever merged into what lies there.
QString TFileOperations::FreeFolderName(const QString& section, const QString& location, const QString& name)
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


} // namespace flk
