#include "FileEvents.h"

#include "Asker.h"
#include "Catalogue.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FileListHost.h"
#include "RecordFile.h"
#include "Settings.h"
#include "Shell.h"
#include "StoredDate.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QObject>

#include <dirent.h>
#include <exception>
#include <utility>

namespace flk {

namespace {

const QString kCaption = QStringLiteral("Fetchlark");

// Read in place of an absent key: no stored value can hold a line break.
const QString kAbsent = QStringLiteral("\n");

bool exists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The names in a directory, read in one go (no details of each entry).
QSet<QString> namesIn(const QString& directory)
{
    QSet<QString> names;
    DIR* dir = ::opendir(QFile::encodeName(directory).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir))
        names.insert(QFile::decodeName(entry->d_name));
    ::closedir(dir);
    return names;
}

bool IsFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/'));
}

} // namespace

FileEvents::FileEvents(FileListHost& files) : m_files(files), m_window(dynamic_cast<QObject*>(&files)) {}

QString FileEvents::OpenPromptText(const QString& record, const QString& folder, const QString& section)
{
    return QStringLiteral("Note from Fetchlark: the file: \"") + record + QStringLiteral("\", in folder \"") + folder
        + QStringLiteral("\" of section \"") + section
        + QStringLiteral("\" has not been opened yet.  Would you like to open it now?");
}

QString FileEvents::DueText(const QString& record)
{
    return QStringLiteral("The following file is due for deletion: ") + record
        + QStringLiteral(".  Do you wish to proceed with its removal?");
}

QString FileEvents::ScheduledText(const QString& record)
{
    return QStringLiteral("Fetchlark has scheduled the following file for deletion today: \"") + record
        + QStringLiteral("\".  Do you wish to proceed with its removal?");
}

QString FileEvents::UndeletedText(const QStringList& paths)
{
    return QStringLiteral("The following files could not be deleted; they and their records were kept:\r\r")
        + paths.join(QChar('\r'));
}

void FileEvents::scanforevents()
{
    try {
        walk();
    } catch (const std::exception& e) {
        if (!m_undeleted.isEmpty())
            Dialogs::message(UndeletedText(m_undeleted), kCaption, MB_OK, MB_ICONWARNING);
        ShowException(e);
        return;
    }
    if (!m_undeleted.isEmpty())
        Dialogs::message(UndeletedText(m_undeleted), kCaption, MB_OK, MB_ICONWARNING);
}

// Stored dates repeat from record to record: each text is parsed once a walk.
QDate FileEvents::parse(const QString& text)
{
    auto found = m_dates.constFind(text);
    if (found == m_dates.constEnd())
        found = m_dates.insert(text, StoredDate::Parse(text));
    return *found;
}

bool FileEvents::pump() const
{
    return m_window.ProcessMessages() && !ending();
}

void FileEvents::walk()
{
    if (!pump() || !m_files.HasFolderButton())
        return;
    const int sections = Catalogue::SectionCount();
    if (sections <= 0)
        return;
    m_today = QDate::currentDate();
    m_promptDays = Settings::PromptDaysForScan();
    for (int n = 1; n <= sections; ++n)
        if (!walkSection(n) || !pump())
            return;
}

bool FileEvents::walkSection(int n)
{
    const QString section = Catalogue::SectionName(n);
    const QString location = Catalogue::SectionLocation(n);
    const int folders = Catalogue::FolderCount(section);
    for (int m = 1; m <= folders; ++m)
        if (!walkFolder(section, location, Catalogue::FolderName(section, m)) || !pump())
            return false;
    return true;
}

bool FileEvents::walkFolder(const QString& section, const QString& location, const QString& folder)
{
    RecordFile records(section, folder);
    // One look at the directory instead of one per record; a name it does not
    // list is looked up on its own before its record is judged.
    m_listed = namesIn(Catalogue::FolderDirectory(location, folder));
    m_folded.clear();
    for (const QString& name : std::as_const(m_listed)) {
        QString& first = m_folded[name.toCaseFolded()];
        if (first.isEmpty() || name < first)
            first = name;
    }
    for (const QString& record : records.recordNames()) {
        // A record whose name is no file name of the folder (a damaged or
        // edited folder file) would point at the folder itself or outside
        // it: nothing is offered, deleted or erased for it.
        if (!IsFileName(record))
            continue;
        records.beginReadRun();
        visit(records, {section, location, folder, record, fileName(record)});
        records.endReadRun();
        if (!pump())
            return false;
    }
    return true;
}

QString FileEvents::Place::path() const
{
    return Catalogue::FilePath(location, folder, file);
}

// Records are found whatever the case of their names, so a record's file is
// one whose name differs only in case when none has its exact name (of
// several such names the first in order, the same at every start).
QString FileEvents::fileName(const QString& record) const
{
    if (m_listed.contains(record))
        return record;
    return m_folded.value(record.toCaseFolded(), record);
}

void FileEvents::visit(RecordFile& records, const Place& place)
{
    QString downloaded = records.readString(place.record, RecordKey::DateDownloaded, kAbsent);
    if (!downloaded.isEmpty() && downloaded != kAbsent && promptOpen(records, place, downloaded)) {
        if (ending())
            return;
        downloaded = records.readString(place.record, RecordKey::DateDownloaded, kAbsent); // messages ran
    }
    if (downloaded.isEmpty())
        records.deleteKey(place.record, RecordKey::DateDownloaded);
    if (downloaded == kAbsent)
        downloaded.clear();
    // An erased record reads as all keys absent: nothing of it can be due.
    if (!dropVanished(records, place, downloaded))
        autoDelete(records, place, downloaded);
}

// True when the question was asked.
bool FileEvents::promptOpen(RecordFile& records, const Place& place, const QString& downloaded)
{
    const QDate due = parse(downloaded).addDays(m_promptDays);
    // A file deleted outside the program is not offered: there is nothing
    // to open, and its record goes below.
    if (m_today < due || !records.readString(place.record, RecordKey::LastOpened, QString()).isEmpty()
        || !records.readBool(place.record, RecordKey::OpenPrompt, true) || !onDisk(place))
        return false;
    const int answer = Dialogs::message(OpenPromptText(place.record, place.folder, place.section), kCaption,
                                        MB_YESNO, MB_ICONQUESTION);
    if (ending())
        return true;
    if (answer == IDYES) {
        Shell::instance().open(place.path());
        records.writeString(place.record, RecordKey::LastOpened, StoredDate::ToText(m_today));
    } else {
        records.writeBool(place.record, RecordKey::OpenPrompt, false);
    }
    return true;
}

bool FileEvents::onDisk(const Place& place) const
{
    return m_listed.contains(place.file) || exists(place.path());
}

// True when the record was erased.
bool FileEvents::dropVanished(RecordFile& records, const Place& place, const QString& downloaded)
{
    if (onDisk(place))
        return false;
    // A download still in progress on its first day keeps its record.
    if (!downloaded.isEmpty()
        && QDateTime::currentDateTime() <= QDateTime(parse(downloaded).addDays(1), QTime(0, 0)))
        return false;
    records.eraseRecord(place.record);
    return true;
}

void FileEvents::autoDelete(RecordFile& records, const Place& place, const QString& downloaded)
{
    const QString& r = place.record;
    QString alter = records.readString(r, RecordKey::AlterDeleteOn, kAbsent);
    if (alter.isEmpty())
        records.deleteKey(r, RecordKey::AlterDeleteOn);
    if (alter == kAbsent)
        alter.clear();
    const bool fromDownloadDate = alter.isEmpty() && !downloaded.isEmpty();
    const QDate base = !alter.isEmpty() ? parse(alter)
                       : fromDownloadDate ? parse(downloaded)
                                          : m_today;
    const qint64 elapsed = StoredDate::DaysBetween(base, m_today);
    const int days = records.readInteger(r, RecordKey::DeleteDays, 30);
    if (days - elapsed > 0 || !records.readBool(r, RecordKey::Delete, false))
        return;
    if (Settings::ConfirmDelete())
        askAndDelete(records, place, fromDownloadDate);
    else if (deleteFile(place) && m_window)
        m_files.RefreshFileList(); // the record goes at a later start, once its file is seen gone
}

void FileEvents::askAndDelete(RecordFile& records, const Place& place, bool fromDownloadDate)
{
    const QString text = fromDownloadDate ? ScheduledText(place.record) : DueText(place.record);
    const int answer = Dialogs::message(text, kCaption, MB_YESNO, MB_ICONQUESTION);
    if (ending())
        return;
    if (answer == IDYES) {
        if (deleteFile(place)) {
            if (m_window) {
                m_files.RefreshFileList();
                m_files.AfterDelete();
            }
            records.eraseRecord(place.record);
        }
        return;
    }
    records.writeBool(place.record, RecordKey::Delete, false);
    if (m_window && m_files.SelectedFilePath() == place.path())
        m_files.ClearDeleteBox();
}

// True when the file is gone. One that stays on disk keeps its record and is
// named once, at the end of the walk.
bool FileEvents::deleteFile(const Place& place)
{
    TfrmAsker::DeleteFile(place.path(), Settings::DeleteType() == 0);
    if (!exists(place.path()))
        return true;
    m_undeleted << place.path();
    return false;
}

} // namespace flk
