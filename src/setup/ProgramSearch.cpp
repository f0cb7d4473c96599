#include "ProgramSearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace flk {

const QList<KnownProgram>& KnownPrograms()
{
    // Within a browser row the later name wins when several are found, so
    // the distribution's own package comes last.
    static const QList<KnownProgram> table = {
        {QStringLiteral("google-chrome-stable"), ProgramKind::Chromium, {}},
        {QStringLiteral("google-chrome"), ProgramKind::Chromium, {}},
        {QStringLiteral("com.google.Chrome"), ProgramKind::Chromium, {}},
        {QStringLiteral("chromium-browser"), ProgramKind::Chromium, {}},
        {QStringLiteral("org.chromium.Chromium"), ProgramKind::Chromium, {}},
        {QStringLiteral("chromium"), ProgramKind::Chromium, {}},
        {QStringLiteral("org.mozilla.firefox"), ProgramKind::Firefox, {}},
        {QStringLiteral("firefox-esr"), ProgramKind::Firefox, {}},
        {QStringLiteral("firefox"), ProgramKind::Firefox, {}},
        {QStringLiteral("clamscan"), ProgramKind::Scanner, QStringLiteral("ClamAV for Linux - clamscan")},
        {QStringLiteral("clamdscan"), ProgramKind::Scanner, QStringLiteral("ClamAV daemon for Linux - clamdscan")},
        {QStringLiteral("uvscan"), ProgramKind::Scanner, QStringLiteral("McAfee VirusScan for Linux - uvscan")},
        {QStringLiteral("savscan"), ProgramKind::Scanner, QStringLiteral("Sophos Anti-Virus for Linux - savscan")},
        {QStringLiteral("esets_scan"), ProgramKind::Scanner, QStringLiteral("ESET NOD32 for Linux - esets_scan")},
        {QStringLiteral("drweb-ctl"), ProgramKind::Scanner, QStringLiteral("Dr.Web for Linux - drweb-ctl")},
    };
    return table;
}

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

QString Slashed(QString folder)
{
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

// One walk: the state shared by the walks from every starting place.
class Walk {
public:
    Walk(const QStringList& names, const std::atomic<bool>& cancel, const std::vector<std::string>& skipped)
        : m_cancel(cancel), m_skipped(skipped), m_found(size_t(names.size()), false)
    {
        for (int i = 0; i < names.size(); ++i) {
            const std::string key = Lower(QFile::encodeName(names.at(i)).toStdString());
            m_index.emplace(key, i);
            m_minLength = std::min(m_minLength, key.size());
            m_maxLength = std::max(m_maxLength, key.size());
        }
        m_left = m_index.size();
    }

    bool Done() const { return m_left == 0 || m_cancel.load(std::memory_order_relaxed); }

    // Walks the tree below `start` (a folder path ending with "/"), staying
    // on the start's file system. The start itself may be a link.
    void From(const std::string& start)
    {
        const int fd = ::open(start.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st {};
        const bool ok = ::fstat(fd, &st) == 0;
        ::close(fd);
        if (!ok)
            return;
        m_device = st.st_dev;
        std::vector<std::string> pending{start};
        while (!pending.empty() && !Done()) {
            std::string folder = std::move(pending.back());
            pending.pop_back();
            Read(folder, pending, folder == start);
        }
    }

    QList<ProgramHit> Hits() const
    {
        QList<ProgramHit> hits = m_hits;
        std::sort(hits.begin(), hits.end(), [](const ProgramHit& a, const ProgramHit& b) { return a.index < b.index; });
        return hits;
    }

    int foldersRead = 0;

private:
    // Lists one folder: hands its matches to Hit(), then queues its
    // subfolders so that they are visited in listing order.
    void Read(const std::string& folder, std::vector<std::string>& pending, bool isStart)
    {
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isStart ? 0 : O_NOFOLLOW);
        const int fd = ::open(folder.c_str(), flags);
        if (fd < 0)
            return; // unreadable, vanished, replaced by a link, or a path too long
        struct stat st {};
        if (::fstat(fd, &st) != 0 || st.st_dev != m_device || !m_visited.emplace(st.st_dev, st.st_ino).second) {
            ::close(fd);
            return;
        }
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return;
        }
        ++foldersRead;
        std::vector<std::string> subfolders;
        while (const dirent* e = ::readdir(dir)) {
            const char* name = e->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            unsigned char type = e->d_type;
            if (type == DT_UNKNOWN)
                type = TypeOf(fd, name);
            if (type == DT_DIR) {
                std::string sub = folder + name + '/';
                if (!Skipped(sub))
                    subfolders.push_back(std::move(sub));
            } else {
                Match(fd, folder, name);
            }
        }
        ::closedir(dir);
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            pending.push_back(std::move(*it));
    }

    static unsigned char TypeOf(int fd, const char* name)
    {
        struct stat st {};
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return DT_UNKNOWN;
        return S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }

    bool Skipped(const std::string& folder) const
    {
        return std::find(m_skipped.begin(), m_skipped.end(), folder) != m_skipped.end();
    }

    void Match(int fd, const std::string& folder, const char* name)
    {
        const size_t length = std::strlen(name);
        if (length < m_minLength || length > m_maxLength)
            return;
        const auto it = m_index.find(Lower(name));
        if (it == m_index.end() || m_found[size_t(it->second)])
            return;
        struct stat st {};
        if (::fstatat(fd, name, &st, 0) != 0 || !S_ISREG(st.st_mode) || !(st.st_mode & 0111))
            return; // a folder, a dangling link, or not a program
        m_found[size_t(it->second)] = true;
        --m_left;
        m_hits.append({it->second, QFile::decodeName(folder.c_str()), QFile::decodeName(name)});
    }

    const std::atomic<bool>& m_cancel;
    const std::vector<std::string>& m_skipped;
    std::unordered_map<std::string, int> m_index;
    size_t m_minLength = std::string::npos;
    size_t m_maxLength = 0;
    size_t m_left = 0;
    std::vector<bool> m_found;
    QList<ProgramHit> m_hits;
    dev_t m_device = 0;
    std::set<std::pair<dev_t, ino_t>> m_visited;
};

} // namespace

ProgramSearch::ProgramSearch(const QString& root, const QStringList& names) : m_root(Slashed(root)), m_names(names)
{
}

QStringList ProgramSearch::StartPlaces() const
{
    QStringList candidates;
    for (const QString& folder : qEnvironmentVariable("PATH").split(':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            candidates << Slashed(QDir::cleanPath(folder));
    // PATH names real folders; the others are read below the root.
    QStringList places;
    for (const QString& folder : candidates)
        if (folder.startsWith(m_root))
            places << folder;
    for (const char* sub : {"usr/", "opt/", "var/lib/flatpak/exports/bin/", "snap/bin/"})
        places << m_root + QLatin1String(sub);
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/"))
        places << Slashed(QDir::cleanPath(home)) + QStringLiteral(".local/");
    places << m_root;
    QStringList present;
    for (const QString& place : places)
        if (place.startsWith(m_root) && !present.contains(place) && QFileInfo(place).isDir())
            present << place;
    return present;
}

QList<ProgramHit> ProgramSearch::Run(const std::atomic<bool>& cancel) const
{
    std::vector<std::string> skipped;
    for (const char* sub : {"proc/", "sys/", "dev/"})
        skipped.push_back(QFile::encodeName(m_root + QLatin1String(sub)).toStdString());
    Walk walk(m_names, cancel, skipped);
    for (const QString& place : StartPlaces()) {
        if (walk.Done())
            break;
        walk.From(QFile::encodeName(place).toStdString());
    }
    m_foldersRead = walk.foldersRead;
    return walk.Hits();
}

} // namespace flk
