// The INI reader and writer. The input is an INI file: it is read whole,
// one key is written, and it is read again: no section or value other than
// the one written may change.
#include "FuzzTarget.h"

#include "Profile.h"

#include <QList>
#include <QPair>

using namespace flk;

namespace {

// Every section's keys and values, in file order (enough of them to cover
// any file the fuzzer makes in a reasonable time).
QList<QPair<QString, QStringList>> ReadAll(const Profile& ini, QList<QString>* values)
{
    QList<QPair<QString, QStringList>> all;
    for (const QString& section : ini.readSections().mid(0, 64)) {
        const QStringList keys = ini.readSection(section).mid(0, 64);
        for (const QString& key : keys) {
            values->append(ini.readString(section, key, QStringLiteral("\x01")));
            ini.readInteger(section, key, -1);
        }
        all.append({section, keys});
    }
    return all;
}

} // namespace

FLK_FUZZ_TARGET(profile)
{
    fuzz::EnsureApp();
    const QString path = fuzz::ScratchFile(QStringLiteral("fuzz.ini"), fuzz::Bytes(data, size));
    QList<QString> before;
    QList<QPair<QString, QStringList>> sections;
    {
        const Profile ini(path);
        sections = ReadAll(ini, &before);
    }
    const QString written = sections.isEmpty() ? QStringLiteral("Fuzz") : sections.first().first;
    if (!Profile::NameProblem(written).isEmpty())
        return 0; // a name that cannot be written back as it stands
    {
        Profile ini(path);
        ini.writeString(written, QStringLiteral("FuzzKey"), QStringLiteral("written"));
    }
    const Profile ini(path);
    FUZZ_CHECK(ini.readString(written, QStringLiteral("FuzzKey"), QString()) == QStringLiteral("written"));
    qsizetype at = 0;
    for (const auto& [section, keys] : sections) {
        FUZZ_CHECK(ini.sectionExists(section));
        for (const QString& key : keys) {
            const QString value = before.at(at++);
            if (key.compare(QStringLiteral("FuzzKey"), Qt::CaseInsensitive) != 0
                || section.compare(written, Qt::CaseInsensitive) != 0)
                FUZZ_CHECK(ini.readString(section, key, QStringLiteral("\x01")) == value);
        }
    }
    return 0;
}
