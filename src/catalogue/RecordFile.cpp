#include "RecordFile.h"

#include "Catalogue.h"
#include "Notes.h"
#include "StoredDate.h"

#include <QScopeGuard>

namespace flk {

namespace {

// A record named after a file whose name would not come back from the file
// (a leading or trailing blank, quotes, a control character) is never
// written: it could not be read again, and every write would add another
// copy of it to the file.
bool Storable(const QString& record)
{
    return Profile::NameProblem(record).isEmpty();
}

} // namespace

RecordFile::RecordFile(const QString& section, const QString& folder)
    : m_profile(Catalogue::FolderFile(section, folder))
{
}

RecordFile::RecordFile(const QString& path) : m_profile(path) {}

QString RecordFile::fileName() const
{
    return m_profile.fileName();
}

QStringList RecordFile::recordNames() const
{
    return m_profile.readSections();
}

bool RecordFile::hasRecord(const QString& record) const
{
    return m_profile.sectionExists(record);
}

bool RecordFile::valueExists(const QString& record, const QString& key) const
{
    return m_profile.valueExists(record, key);
}

QString RecordFile::readString(const QString& record, const QString& key, const QString& def) const
{
    return m_profile.readString(record, key, def);
}

int RecordFile::readInteger(const QString& record, const QString& key, int def) const
{
    return m_profile.readInteger(record, key, def);
}

bool RecordFile::readBool(const QString& record, const QString& key, bool def) const
{
    return m_profile.readBool(record, key, def);
}

QDate RecordFile::readDate(const QString& record, const QString& key, const QDate& def) const
{
    if (!m_profile.valueExists(record, key))
        return def;
    return StoredDate::Parse(m_profile.readString(record, key, QString()));
}

void RecordFile::writeString(const QString& record, const QString& key, const QString& value)
{
    if (Storable(record))
        m_profile.writeString(record, key, value);
}

void RecordFile::writeInteger(const QString& record, const QString& key, int value)
{
    if (Storable(record))
        m_profile.writeInteger(record, key, value);
}

void RecordFile::writeBool(const QString& record, const QString& key, bool value)
{
    if (Storable(record))
        m_profile.writeBool(record, key, value);
}

void RecordFile::writeDate(const QString& record, const QString& key, const QDate& date)
{
    if (Storable(record))
        m_profile.writeString(record, key, StoredDate::ToText(date));
}

QStringList RecordFile::readNotes(const QString& record) const
{
    return Notes::Decode(m_profile.readString(record, QString::fromLatin1(RecordKey::Notes),
                                              QString::fromLatin1(kClickHereToEdit)));
}

void RecordFile::writeNotes(const QString& record, const QStringList& lines)
{
    if (Storable(record))
        m_profile.writeString(record, QString::fromLatin1(RecordKey::Notes), Notes::Encode(lines));
}

void RecordFile::writeStrings(const QList<Profile::Write>& writes)
{
    QList<Profile::Write> storable;
    for (const Profile::Write& w : writes)
        if (Storable(w.section))
            storable.append(w);
    if (!storable.isEmpty())
        m_profile.writeStrings(storable);
}

void RecordFile::eraseRecord(const QString& record)
{
    m_profile.eraseSection(record);
}

QList<Profile::Write> RecordFile::carriedRecord(const QString& record, const QString& asRecord)
{
    using namespace RecordKey;
    const QString edit = QString::fromLatin1(kClickHereToEdit);
    const QString never = QString::fromLatin1(kNever);
    // No record name: the defaults alone.
    auto text = [&](const char* key, const QString& def) {
        const QString k = QString::fromLatin1(key);
        return Profile::Write{asRecord, k, record.isEmpty() ? def : readString(record, k, def)};
    };
    auto flag = [&](const char* key, bool def) {
        const bool on = record.isEmpty() ? def : readBool(record, QString::fromLatin1(key), def);
        return Profile::Write{asRecord, QString::fromLatin1(key), on ? QStringLiteral("1") : QStringLiteral("0")};
    };
    beginReadRun(); // one look at the disk for the whole record
    const auto end = qScopeGuard([this] { endReadRun(); });
    return {text(Desc, edit),        text(Source, edit),          text(RecordKey::Notes, edit),
            flag(Delete, false),     text(AlterDeleteOn, {}),     text(OpenWhen, QStringLiteral("0")),
            text(DeleteDays, QStringLiteral("30")), text(LastOpened, never), text(LastScanned, never),
            text(DateDownloaded, {}), flag(OpenPrompt, true)};
}

void RecordFile::deleteKey(const QString& record, const QString& key)
{
    m_profile.deleteKey(record, key);
}

} // namespace flk
