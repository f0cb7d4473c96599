#pragma once
// One open of a folder file (program folder + section + "-" + folder +
// ".ini"): its download records, one INI section per catalogued file named
// after the file's bare name. Construct it for an operation and drop it; each
// write is on disk at once.

#include "Profile.h"

#include <QDate>

#include <QString>
#include <QStringList>

namespace flk {

// The keys of a download record.
namespace RecordKey {
inline constexpr auto Desc = "Desc";
inline constexpr auto Source = "Source";
inline constexpr auto Notes = "Notes";
inline constexpr auto OpenWhen = "OpenWhen";
inline constexpr auto Prompt = "Prompt";
inline constexpr auto PromptDays = "PromptDays";
inline constexpr auto Delete = "Delete";
inline constexpr auto DeleteDays = "DeleteDays";
inline constexpr auto DateDownloaded = "DateDownloaded";
inline constexpr auto ScanWhenDone = "ScanWhenDone";
inline constexpr auto LastOpened = "LastOpened";
inline constexpr auto LastScanned = "LastScanned";
inline constexpr auto AlterDeleteOn = "AlterDeleteOn";
inline constexpr auto OpenPrompt = "OpenPrompt";
} // namespace RecordKey

// Shown for an absent description, source or notes value.
inline constexpr auto kClickHereToEdit = "Click here to edit";
// Shown for an absent last-opened or last-scanned date.
inline constexpr auto kNever = "Never";

class RecordFile {
public:
    RecordFile(const QString& section, const QString& folder);
    // A folder file given by its full path.
    explicit RecordFile(const QString& path);

    QString fileName() const;

    // Every record name, in file order.
    QStringList recordNames() const;
    bool hasRecord(const QString& record) const;
    bool valueExists(const QString& record, const QString& key) const;

    // Writes held here and put on disk on a thread of their own: see
    // Profile::setDeferredWrites.
    void setDeferredWrites(std::function<void(const QString& message)> failed)
    {
        m_profile.setDeferredWrites(std::move(failed));
    }
    void flush() { m_profile.flush(); }

    // Reads of one record in a row, with no message run between them: see
    // Profile::beginReadRun.
    void beginReadRun() { m_profile.beginReadRun(); }
    void endReadRun() { m_profile.endReadRun(); }

    QString readString(const QString& record, const QString& key, const QString& def) const;
    int readInteger(const QString& record, const QString& key, int def) const;
    bool readBool(const QString& record, const QString& key, bool def) const;
    // Raises EConvertError when the stored text is not a date; `def` is
    // returned when the key is absent.
    QDate readDate(const QString& record, const QString& key, const QDate& def) const;

    // Writes for a record whose name could not be read back (see
    // Profile::NameProblem) do nothing.
    void writeString(const QString& record, const QString& key, const QString& value);
    void writeInteger(const QString& record, const QString& key, int value);
    void writeBool(const QString& record, const QString& key, bool value);
    void writeDate(const QString& record, const QString& key, const QDate& date);

    // Notes: decoded lines (absent: the single line "Click here to edit").
    QStringList readNotes(const QString& record) const;
    void writeNotes(const QString& record, const QStringList& lines);

    // Removes the whole record.
    void eraseRecord(const QString& record);

    // Bulk changes, each in one replace of the file.
    void writeStrings(const QList<Profile::Write>& writes);
    void eraseRecords(const QStringList& records) { m_profile.eraseSections(records); }
    // What a record carries when its file is moved or copied to another
    // folder, as writes into record `asRecord`: Desc, Source, Notes, Delete,
    // AlterDeleteOn, OpenWhen, DeleteDays, LastOpened, LastScanned,
    // DateDownloaded and OpenPrompt, each with its default when absent
    // (booleans as "1"/"0"). An empty `record` gives the defaults alone.
    QList<Profile::Write> carriedRecord(const QString& record, const QString& asRecord);
    void deleteKey(const QString& record, const QString& key);

private:
    Profile m_profile;
};

} // namespace flk
