#include "DirectoryListing.h"

#include "PieceState.h"

#include <QCollator>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <numeric>
#include <optional>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace flk {

namespace {

// How many entries are read between two looks at whether the reading is
// still wanted.
constexpr int kCheckEvery = 512;

qint64 ModifiedMs(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

// A closing handle for opendir.
struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Files only: what is (or points to) a directory is left out; links that
// point nowhere are listed with their own size.
bool StatFile(int dirFd, const char* name, struct stat& st)
{
    if (fstatat(dirFd, name, &st, 0) != 0 && fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return !S_ISDIR(st.st_mode);
}

// The list's order: by name as people read it, numbers by value, case
// aside. The bare "C" locale would sort by code point ("B" before "a", "10"
// before "2"): people read names in English order there.
QCollator NameCollator()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Puts the files in the list's order, then by the exact name, so that every
// reading of the same names agrees. `keys` are the files' collation keys.
void SortFiles(std::vector<TDirectoryListing::File>& files, const std::vector<QCollatorSortKey>& keys)
{
    std::vector<size_t> order(files.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int byKey = keys[a].compare(keys[b]);
        return byKey != 0 ? byKey < 0 : files[a].name < files[b].name;
    });
    std::vector<TDirectoryListing::File> sorted;
    sorted.reserve(files.size());
    for (size_t i : order) {
        sorted.push_back(std::move(files[i]));
        sorted.back().nameRank = int(sorted.size()) - 1;
    }
    files = std::move(sorted);
}

// Whether a name's type by name follows from its tail from the first dot
// (".tar.gz" of "x-1.tar.gz"): true unless a type's name pattern looks at the
// part before it ("README*", "Makefile.*", "core"). Patterns "*.<anything>"
// match at one of the name's dots, all within the tail; "*<text>" with no
// dot or wildcard in the text matches its last characters, also within it.
class TailRule {
public:
    TailRule()
    {
        QStringList stemPatterns;
        for (const QMimeType& type : QMimeDatabase().allMimeTypes())
            for (const QString& pattern : type.globPatterns()) {
                const QStringView rest = QStringView(pattern).mid(1);
                const bool byTail = pattern.startsWith(QLatin1String("*."))
                                    || (pattern.startsWith(QLatin1Char('*')) && !rest.contains(QLatin1Char('.'))
                                        && !rest.contains(QLatin1Char('*')) && !rest.contains(QLatin1Char('?'))
                                        && !rest.contains(QLatin1Char('[')));
                if (!byTail)
                    stemPatterns << QRegularExpression::wildcardToRegularExpression(
                        pattern, QRegularExpression::UnanchoredWildcardConversion);
            }
        m_stem.setPattern(QStringLiteral("^(?:%1)$").arg(stemPatterns.join(QLatin1Char('|'))));
        m_stem.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
        m_stem.optimize();
    }
    // The tail whose types are this name's, or empty when the name has none.
    QString Tail(const QString& name) const
    {
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        if (dot < 0 || !m_stem.isValid() || m_stem.match(name).hasMatch())
            return {};
        return name.mid(dot);
    }

private:
    QRegularExpression m_stem;
};

// The kinds of file of one reading: each described once, shared by its files.
class TypeCache {
public:
    std::shared_ptr<const TDirectoryListing::FileType> TypeOf(const QString& path, const QString& name)
    {
        // The name settles most files; only where it says nothing (or too
        // much) is the content looked at. Thousands of files share a few
        // tails (".zip"): each tail is looked up once.
        static const TailRule tails;
        const QString tail = tails.Tail(name);
        QList<QMimeType> byName;
        if (auto known = m_byTail.constFind(tail); !tail.isEmpty() && known != m_byTail.constEnd()) {
            byName = *known;
        } else {
            byName = m_database.mimeTypesForFileName(name);
            if (!tail.isEmpty())
                m_byTail.insert(tail, byName);
        }
        if (byName.size() == 1)
            return Described(byName.first());
        return Described(m_database.mimeTypeForFile(path));
    }

private:
    std::shared_ptr<const TDirectoryListing::FileType> Described(const QMimeType& mime)
    {
        auto known = m_byMime.constFind(mime.name());
        if (known != m_byMime.constEnd())
            return *known;
        auto type = std::make_shared<TDirectoryListing::FileType>();
        type->text = mime.comment().isEmpty() ? mime.name() : mime.comment();
        type->iconName = mime.iconName();
        type->genericIconName = mime.genericIconName();
        m_byMime.insert(mime.name(), type);
        return type;
    }

    QMimeDatabase m_database;
    QHash<QString, QList<QMimeType>> m_byTail;
    QHash<QString, std::shared_ptr<const TDirectoryListing::FileType>> m_byMime;
};

} // namespace

namespace {

// One name of the directory as described by a worker.
struct Described {
    TDirectoryListing::File file;
    std::optional<QCollatorSortKey> key; // empty: no file (gone, or a folder)
};

// Describes names [begin, end) into `out`: each one's size, time, type and
// sort key. Stops early once the reading is no longer wanted.
void Describe(int dirFd, const QString& prefix, const std::vector<QByteArray>& names, size_t begin, size_t end,
              std::vector<Described>& out, const std::atomic<int>& wanted, int generation)
{
    TypeCache types;
    const QCollator collator = NameCollator();
    for (size_t i = begin; i < end; ++i) {
        if ((i - begin) % kCheckEvery == kCheckEvery - 1 && wanted.load(std::memory_order_relaxed) != generation)
            return;
        struct stat st;
        if (!StatFile(dirFd, names[i].constData(), st))
            continue;
        TDirectoryListing::File& file = out[i].file;
        file.name = QFile::decodeName(names[i]);
        file.size = st.st_size;
        file.modifiedMs = ModifiedMs(st);
        file.type = types.TypeOf(prefix + file.name, file.name);
        out[i].key = collator.sortKey(file.name);
    }
}

// Below this many names one thread describes them all.
constexpr size_t kSplitFrom = 4096;

} // namespace

TDirectoryListing TDirectoryListing::Read(const QString& directory, const std::atomic<int>& wanted, int generation)
{
    TDirectoryListing listing;
    listing.directory = directory;
    const QByteArray encoded = QFile::encodeName(directory);
    // Without search permission the names could be read but not the files.
    if (access(encoded.constData(), R_OK | X_OK) != 0)
        return listing;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(encoded.constData()));
    if (!dir)
        return listing;
    const int dirFd = dirfd(dir.get());
    auto stop = [&] {
        if (wanted.load(std::memory_order_relaxed) == generation)
            return false;
        listing.stopped = true;
        return true;
    };
    // The names first (quick), then each file described: a large folder's
    // files by two threads, a half each.
    std::vector<QByteArray> names;
    int sinceCheck = 0;
    while (const dirent* entry = readdir(dir.get())) {
        if (++sinceCheck == kCheckEvery) {
            sinceCheck = 0;
            if (stop())
                return listing;
        }
        const char* raw = entry->d_name;
        if (entry->d_type == DT_DIR || (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0))))
            continue;
        // A download's record of its pieces is the download's, not a file of the folder.
        if (TPieceState::IsStateFile(raw))
            continue;
        names.emplace_back(raw);
    }
    const QString prefix = directory + QLatin1Char('/');
    std::vector<Described> described(names.size());
    const size_t half = names.size() >= kSplitFrom ? names.size() / 2 : names.size();
    std::thread other;
    if (half < names.size())
        other = std::thread(Describe, dirFd, std::cref(prefix), std::cref(names), half, names.size(),
                            std::ref(described), std::cref(wanted), generation);
    Describe(dirFd, prefix, names, 0, half, described, wanted, generation);
    if (other.joinable())
        other.join();
    if (stop())
        return listing;
    std::vector<QCollatorSortKey> keys;
    keys.reserve(described.size());
    listing.files.reserve(described.size());
    for (Described& d : described)
        if (d.key) {
            listing.files.push_back(std::move(d.file));
            keys.push_back(std::move(*d.key));
        }
    described.clear();
    SortFiles(listing.files, keys);
    // The list finds a row by its name: indexed here, not in the window.
    listing.rows.reserve(qsizetype(listing.files.size()));
    for (int row = 0; row < int(listing.files.size()); ++row)
        listing.rows.insert(listing.files[size_t(row)].name, row);
    listing.readable = true;
    return listing;
}

} // namespace flk
