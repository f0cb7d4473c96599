#include "Catalogue.h"

#include "CatalogueError.h"
#include "Profile.h"
#include "ProgramFolder.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace flk {

namespace {

const QString kMain = QStringLiteral("Main");
const QString kNumHeads = QStringLiteral("NumHeads");
const QString kNumCats = QStringLiteral("NumCats");
const QString kName = QStringLiteral("Name");
const QString kLocation = QStringLiteral("Location");
const QString kIcon = QStringLiteral("Icon");

QString headerSection(int n)
{
    return QStringLiteral("Header%1").arg(n);
}

QString catSection(int m)
{
    return QStringLiteral("Cat%1").arg(m);
}

QString fold(const QString& s)
{
    return s.toCaseFolded();
}

// The count of numbered entries (prefix 1 .. count) bounded by the entries
// actually in the file: a garbled count of millions walks only what is there.
int boundedCount(const Profile& p, const QString& countKey, const QString& prefix)
{
    const int count = p.readInteger(kMain, countKey, 0);
    int highest = 0;
    for (const QString& name : p.readSections()) {
        if (name.size() <= prefix.size() || !name.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int n = QStringView(name).sliced(prefix.size()).toInt(&ok);
        if (ok && n > highest)
            highest = n;
    }
    return std::clamp(count, 0, highest);
}

struct SectionEntry {
    QString name;
    QString location;
    QStringList folders;
};

// The whole catalogue as it stands on disk, for the name checks.
QList<SectionEntry> readAll()
{
    QList<SectionEntry> all;
    const Profile headers(Catalogue::HeadersFile());
    const int count = boundedCount(headers, kNumHeads, QStringLiteral("Header"));
    for (int n = 1; n <= count; ++n) {
        SectionEntry e;
        e.name = headers.readString(headerSection(n), kName, QString());
        e.location = headers.readString(headerSection(n), kLocation, QString());
        if (!e.name.isEmpty())
            e.folders = Catalogue::FolderNames(e.name);
        all << e;
    }
    return all;
}

// Folded base names of every INI file in use, except those of the section
// (and, when given, only that folder of it) being renamed.
QSet<QString> fileBases(const QList<SectionEntry>& all, const QString& skipSection = QString(),
                        const QString& skipFolder = QString())
{
    QSet<QString> bases{QStringLiteral("dlmain"), QStringLiteral("headers")};
    for (const SectionEntry& e : all) {
        const bool ownSection = !skipSection.isNull() && e.name == skipSection;
        if (!ownSection || !skipFolder.isNull())
            bases.insert(fold(e.name));
        for (const QString& f : e.folders) {
            if (ownSection && (skipFolder.isNull() || f == skipFolder))
                continue;
            bases.insert(fold(e.name + '-' + f));
        }
    }
    return bases;
}

QString cleanDir(const QString& dir)
{
    return fold(WithSlash(QDir::cleanPath(dir)));
}

// Folded directories in use: section locations and folder directories.
QSet<QString> directories(const QList<SectionEntry>& all)
{
    QSet<QString> dirs;
    for (const SectionEntry& e : all) {
        if (e.location.isEmpty())
            continue;
        dirs.insert(cleanDir(e.location));
        for (const QString& f : e.folders)
            dirs.insert(cleanDir(Catalogue::FolderDirectory(e.location, f)));
    }
    return dirs;
}

void checkCharacters(const QString& name, const QString& kind, const QString& emptyMessage = QString())
{
    if (Catalogue::HasForbiddenCharacter(name))
        throw ECatalogueError(QStringLiteral("%1 names cannot contain any of the following characters: %2")
                                  .arg(kind, Catalogue::ForbiddenCharacters()));
    if (name.trimmed().isEmpty())
        throw ECatalogueError(emptyMessage.isEmpty()
                                  ? QStringLiteral("Please specify a name for the new %1.").arg(kind.toLower())
                                  : emptyMessage);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        throw ECatalogueError(QStringLiteral("\"%1\" cannot be used as a %2 name.").arg(name, kind.toLower()));
    // The name is stored as a value and read back: it must come back whole.
    const QString problem = Profile::NameProblem(name);
    if (!problem.isEmpty())
        throw ECatalogueError(QStringLiteral("The %1 name \"%2\" cannot be used: it %3.").arg(kind.toLower(), name, problem));
}

// Refuses a name whose INI files ("<base>.ini") would be longer than the file
// system allows.
void checkFileLength(const QString& name, const QString& kind, const QStringList& bases)
{
    for (const QString& base : bases)
        if (!Profile::FitsFileName(base + QStringLiteral(".ini")))
            throw ECatalogueError(QStringLiteral("The %1 name \"%2\" is too long: the file %3.ini would be longer "
                                                 "than the file system allows.").arg(kind.toLower(), name, base));
}


void makeDirectory(const QString& dir)
{
    if (dir.isEmpty() || !QDir().mkpath(dir))
        throw ECatalogueError(QStringLiteral("Unable to create directory"));
}

void removeFile(const QString& path)
{
    const QString actual = Profile::resolveCase(path);
    Profile::waitForWrites(actual); // a write on its way would bring it back
    if (QFileInfo(actual).isFile())
        QFile::remove(actual);
}

void renameFile(const QString& from, const QString& to)
{
    const QString actual = Profile::resolveCase(from);
    Profile::waitForWrites(actual); // a write on its way would bring the old name back
    if (!QFileInfo(actual).isFile())
        return;
    if (!QFile::rename(actual, to))
        throw ECatalogueError(QStringLiteral("Unable to rename %1 to %2").arg(actual, to));
}

void renameDirectory(const QString& from, const QString& to)
{
    if (!QFileInfo(from).isDir() || QDir::cleanPath(from) == QDir::cleanPath(to))
        return;
    if (QFileInfo::exists(to) && fold(QDir::cleanPath(from)) != fold(QDir::cleanPath(to)))
        throw ECatalogueError(QStringLiteral("Unable to rename %1: %2 already exists").arg(from, to));
    if (!QDir().rename(from, to))
        throw ECatalogueError(QStringLiteral("Unable to rename %1 to %2").arg(from, to));
}

// Moves entries k+1 .. N down by one, erases entry N and writes N-1.
void closeGap(Profile& p, const QString& countKey, QString (*entry)(int), const QStringList& keys, int k)
{
    const int count = boundedCount(p, countKey, entry(0).chopped(1));
    if (k < 1 || k > count)
        return;
    for (int i = k; i < count; ++i)
        for (const QString& key : keys)
            p.writeString(entry(i), key, p.readString(entry(i + 1), key, QString()));
    p.eraseSection(entry(count));
    p.writeInteger(kMain, countKey, count - 1);
}

} // namespace

// --- Paths -------------------------------------------------------------------

QString Catalogue::HeadersFile()
{
    return ProgramFolder() + QStringLiteral("headers.ini");
}

QString Catalogue::SectionFile(const QString& section)
{
    return ProgramFolder() + section + QStringLiteral(".ini");
}

QString Catalogue::FolderFile(const QString& section, const QString& folder)
{
    return ProgramFolder() + section + '-' + folder + QStringLiteral(".ini");
}

QString Catalogue::FolderDirectory(const QString& location, const QString& folder)
{
    return WithSlash(location) + folder + '/';
}

QString Catalogue::FilePath(const QString& location, const QString& folder, const QString& fileName)
{
    return FolderDirectory(location, folder) + fileName;
}

// --- Sections ------------------------------------------------------------------

int Catalogue::SectionCount()
{
    return Profile(HeadersFile()).readInteger(kMain, kNumHeads, 0);
}

QString Catalogue::SectionName(int n)
{
    return Profile(HeadersFile()).readString(headerSection(n), kName, QString());
}

QString Catalogue::SectionLocation(int n)
{
    return Profile(HeadersFile()).readString(headerSection(n), kLocation, QString());
}

QStringList Catalogue::SectionNames()
{
    const Profile p(HeadersFile());
    QStringList names;
    const int count = boundedCount(p, kNumHeads, QStringLiteral("Header"));
    for (int n = 1; n <= count; ++n)
        names << p.readString(headerSection(n), kName, QString());
    return names;
}

int Catalogue::SectionNumber(const QString& name)
{
    return SectionNames().indexOf(name) + 1;
}

int Catalogue::AddSection(const QString& name, const QString& location)
{
    CheckNewSectionName(name, location);
    makeDirectory(location);
    const QString stored = WithSlash(location);
    Profile p(HeadersFile());
    p.writeInteger(kMain, kNumHeads, p.readInteger(kMain, kNumHeads, 0) + 1);
    p.writeString(headerSection(p.readInteger(kMain, kNumHeads, 0)), kName, name);
    p.writeString(headerSection(p.readInteger(kMain, kNumHeads, 0)), kLocation, stored);
    return p.readInteger(kMain, kNumHeads, 0);
}

void Catalogue::DeleteSection(int n)
{
    Profile p(HeadersFile());
    closeGap(p, kNumHeads, headerSection, {kName, kLocation}, n);
}

// --- Folders -------------------------------------------------------------------

int Catalogue::FolderCount(const QString& section)
{
    return Profile(SectionFile(section)).readInteger(kMain, kNumCats, 0);
}

QString Catalogue::FolderName(const QString& section, int m)
{
    return Profile(SectionFile(section)).readString(catSection(m), kName, QString());
}

int Catalogue::FolderIcon(const QString& section, int m)
{
    return Profile(SectionFile(section)).readInteger(catSection(m), kIcon, 0);
}

void Catalogue::SetFolderIcon(const QString& section, int m, int icon)
{
    Profile(SectionFile(section)).writeInteger(catSection(m), kIcon, icon);
}

QStringList Catalogue::FolderNames(const QString& section)
{
    const Profile p(SectionFile(section));
    QStringList names;
    const int count = boundedCount(p, kNumCats, QStringLiteral("Cat"));
    for (int m = 1; m <= count; ++m)
        names << p.readString(catSection(m), kName, QString());
    return names;
}

int Catalogue::FolderNumber(const QString& section, const QString& folder)
{
    return FolderNames(section).indexOf(folder) + 1;
}

int Catalogue::AddFolder(const QString& folder, const QString& section, int icon, int sectionPosition)
{
    CheckNewFolderName(section, folder);
    const QString location = SectionLocation(sectionPosition + 1);
    makeDirectory(location.isEmpty() ? QString() : FolderDirectory(location, folder));
    Profile p(SectionFile(section));
    const int m = p.readInteger(kMain, kNumCats, 0) + 1;
    p.writeInteger(kMain, kNumCats, m);
    p.writeString(catSection(m), kName, folder);
    p.writeInteger(catSection(m), kIcon, icon);
    return m;
}

void Catalogue::DeleteFolder(const QString& section, int m)
{
    Profile p(SectionFile(section));
    closeGap(p, kNumCats, catSection, {kName, kIcon}, m);
}

// --- Removing files ---------------------------------------------------------------

void Catalogue::DeleteFolderFiles(const QString& section)
{
    const QList<SectionEntry> all = readAll();
    for (const QString& f : FolderNames(section))
        removeFile(FolderFile(section, f));
    // Stray "<section>-*.ini" files of folders no longer listed go too, but
    // never a file that another section or folder owns.
    const QSet<QString> others = fileBases(all, section);
    const QString prefix = fold(section + '-');
    const QDir dir(ProgramFolder());
    Profile::waitForWrites(QString());
    for (const QString& file : dir.entryList(QDir::Files)) {
        const QString folded = fold(file);
        if (!folded.startsWith(prefix) || !folded.endsWith(QLatin1String(".ini")))
            continue;
        if (others.contains(folded.chopped(4)))
            continue;
        QFile::remove(dir.filePath(file));
    }
}

void Catalogue::DeleteFolderFile(const QString& section, const QString& folder)
{
    removeFile(FolderFile(section, folder));
}

void Catalogue::DeleteSectionFile(const QString& section)
{
    removeFile(SectionFile(section));
}

// --- Renames ------------------------------------------------------------------------

void Catalogue::RenameSection(int n, const QString& newName)
{
    const QString oldName = SectionName(n);
    if (n < 1 || n > SectionCount() || oldName.isEmpty())
        throw ECatalogueError(QStringLiteral("There is no section number %1.").arg(n));
    if (newName == oldName)
        return;
    checkCharacters(newName, QStringLiteral("Section"));
    const QList<SectionEntry> all = readAll();
    for (int i = 0; i < all.size(); ++i) {
        if (i + 1 != n && fold(all[i].name) == fold(newName))
            throw ECatalogueError(QStringLiteral("That section already exists, please choose another name."));
    }
    const QStringList folders = all[n - 1].folders;
    const QSet<QString> bases = fileBases(all, oldName);
    QStringList wanted{newName};
    for (const QString& f : folders)
        wanted << newName + '-' + f;
    checkFileLength(newName, QStringLiteral("Section"), wanted);
    for (const QString& base : wanted)
        if (bases.contains(fold(base)))
            throw ECatalogueError(QStringLiteral("The name \"%1\" would share the file %2.ini with another "
                                                 "section or folder.").arg(newName, base));

    // The directory follows the name when it is named after the section;
    // a location named otherwise is kept as it is.
    QString location = all[n - 1].location;
    const QString cleaned = QDir::cleanPath(location);
    if (!location.isEmpty() && QFileInfo(cleaned).fileName() == oldName) {
        const QString newLocation = WithSlash(QFileInfo(cleaned).path()) + newName + '/';
        if (QFileInfo::exists(newLocation) && fold(newName) != fold(oldName))
            throw ECatalogueError(QStringLiteral("That section already exists, please choose another name."));
        renameDirectory(cleaned, QDir::cleanPath(newLocation));
        location = newLocation;
    }
    for (const QString& f : folders)
        renameFile(FolderFile(oldName, f), FolderFile(newName, f));
    renameFile(SectionFile(oldName), SectionFile(newName));
    Profile p(HeadersFile());
    p.writeString(headerSection(n), kName, newName);
    p.writeString(headerSection(n), kLocation, location);
}

void Catalogue::RenameFolder(const QString& section, int m, const QString& newName)
{
    const QStringList folders = FolderNames(section);
    if (m < 1 || m > folders.size())
        throw ECatalogueError(QStringLiteral("There is no folder number %1.").arg(m));
    const QString oldName = folders[m - 1];
    if (newName == oldName)
        return;
    checkCharacters(newName, QStringLiteral("Folder"), QStringLiteral("Please specify a name for this folder."));
    checkFileLength(newName, QStringLiteral("Folder"), {section + '-' + newName});
    const QString exists = QStringLiteral("That folder already exists, please choose another name.");
    for (int i = 0; i < folders.size(); ++i)
        if (i + 1 != m && fold(folders[i]) == fold(newName))
            throw ECatalogueError(exists);
    const QList<SectionEntry> all = readAll();
    if (fileBases(all, section, oldName).contains(fold(section + '-' + newName)))
        throw ECatalogueError(QStringLiteral("The folder \"%1\" would share the file %2-%1.ini with another "
                                             "section or folder.").arg(newName, section));
    QString location;
    for (const SectionEntry& e : all)
        if (e.name == section)
            location = e.location;
    if (!location.isEmpty() && fold(newName) != fold(oldName)
        && QFileInfo::exists(FolderDirectory(location, newName)))
        throw ECatalogueError(exists);
    if (!location.isEmpty())
        renameDirectory(QDir::cleanPath(FolderDirectory(location, oldName)),
                        QDir::cleanPath(FolderDirectory(location, newName)));
    renameFile(FolderFile(section, oldName), FolderFile(section, newName));
    Profile(SectionFile(section)).writeString(catSection(m), kName, newName);
}

// --- Name rules ------------------------------------------------------------------------

QString Catalogue::ForbiddenCharacters()
{
    return QStringLiteral("\\/:*?\"<>|");
}

bool Catalogue::HasForbiddenCharacter(const QString& name)
{
    const QString forbidden = ForbiddenCharacters();
    for (const QChar c : name)
        if (forbidden.contains(c))
            return true;
    return false;
}

void Catalogue::CheckNewSectionName(const QString& name, const QString& location)
{
    checkCharacters(name, QStringLiteral("Section"));
    checkFileLength(name, QStringLiteral("Section"), {name});
    const QList<SectionEntry> all = readAll();
    for (const SectionEntry& e : all) {
        if (e.name == name)
            throw ECatalogueError(QStringLiteral("That section already exists, please choose another name."));
        if (fold(e.name) == fold(name))
            throw ECatalogueError(QStringLiteral("The section \"%1\" already exists; section names may not "
                                                 "differ only in case.").arg(e.name));
    }
    if (fileBases(all).contains(fold(name)))
        throw ECatalogueError(QStringLiteral("The name \"%1\" would share the file %1.ini with another section "
                                             "or folder.").arg(name));
    if (!location.isEmpty() && directories(all).contains(cleanDir(location)))
        throw ECatalogueError(QStringLiteral("The location %1 is already used by another section or folder.")
                                  .arg(WithSlash(location)));
}

void Catalogue::CheckNewFolderName(const QString& section, const QString& folder)
{
    checkCharacters(folder, QStringLiteral("Folder"));
    checkFileLength(folder, QStringLiteral("Folder"), {section + '-' + folder});
    const QList<SectionEntry> all = readAll();
    QString location;
    for (const SectionEntry& e : all) {
        if (e.name != section)
            continue;
        location = e.location;
        for (const QString& f : e.folders) {
            if (f == folder)
                throw ECatalogueError(
                    QStringLiteral("That folder already exists under that section, please choose another name."));
            if (fold(f) == fold(folder))
                throw ECatalogueError(QStringLiteral("The folder \"%1\" already exists under that section; folder "
                                                     "names may not differ only in case.").arg(f));
        }
    }
    if (fileBases(all).contains(fold(section + '-' + folder)))
        throw ECatalogueError(QStringLiteral("The folder \"%1\" would share the file %2-%1.ini with another "
                                             "section or folder.").arg(folder, section));
    if (!location.isEmpty() && directories(all).contains(cleanDir(FolderDirectory(location, folder))))
        throw ECatalogueError(QStringLiteral("The directory %1 is already used by another section or folder.")
                                  .arg(FolderDirectory(location, folder)));
}

// --- First start ---------------------------------------------------------------------------

void Catalogue::BuildDefaultCatalogue()
{
    struct Folder {
        const char* name;
        int icon;
    };
    struct Section {
        const char* name;
        QList<Folder> folders;
    };
    const QList<Section> catalogue = {
        {"Programs", {{"Productivity", 39}, {"Games", 46}, {"Utilities", 1}, {"Applications", 21}}},
        {"Research", {{"School", 15}, {"Office", 30}, {"Home", 32}}},
        {"Internet", {{"FTP Files", 3}, {"E-Mail Files", 44}, {"Web Files", 43}}},
    };
    const QString root = WithSlash(Settings::MainDefaultRoot());
    for (const Section& s : catalogue) {
        const QString name = QString::fromLatin1(s.name);
        // A build cut short earlier is completed, not duplicated.
        int n = SectionNumber(name);
        if (n == 0)
            n = AddSection(name, root + name + '/');
        for (const Folder& f : s.folders) {
            const QString folder = QString::fromLatin1(f.name);
            if (FolderNumber(name, folder) == 0)
                AddFolder(folder, name, f.icon, n - 1);
        }
    }
}

} // namespace flk
