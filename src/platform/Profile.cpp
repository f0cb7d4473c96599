#include "Profile.h"

#include "BackgroundWork.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSaveFile>
#include <QSet>
#include <QVector>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace flk {

namespace {

// Text <-> bytes: UTF-8, except that the byte 0xFF (never part of valid
// UTF-8) stands for the character U+00FF, the notes line separator.
QString decode(const QByteArray& bytes)
{
    if (!bytes.contains('\xFF'))
        return QString::fromUtf8(bytes);
    const QList<QByteArray> pieces = bytes.split('\xFF');
    QString out;
    for (int i = 0; i < pieces.size(); ++i) {
        if (i)
            out += QChar(0xFF);
        out += QString::fromUtf8(pieces[i]);
    }
    return out;
}

QByteArray encode(const QString& text)
{
    if (!text.contains(QChar(0xFF)))
        return text.toUtf8();
    QByteArray out;
    const QStringList pieces = text.split(QChar(0xFF));
    for (int i = 0; i < pieces.size(); ++i) {
        if (i)
            out += '\xFF';
        out += pieces[i].toUtf8();
    }
    return out;
}

// A line break inside a value would start a new key or section.
QByteArray oneLine(QByteArray value)
{
    value.replace('\r', ' ');
    value.replace('\n', ' ');
    return value;
}

// The name of a header line "[name]" (already trimmed): everything up to the
// last "]" on the line, so that names holding "]" come back whole.
QByteArray headerName(QByteArrayView t)
{
    const qsizetype close = t.lastIndexOf(']');
    return t.sliced(1, close < 1 ? t.size() - 1 : close - 1).trimmed().toByteArray();
}

struct Stamp {
    bool exists = false;
    qint64 size = 0;
    qint64 mtimeSec = 0;
    qint64 mtimeNsec = 0;
    quint64 inode = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const QString& path)
{
    Stamp s;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        s.exists = true;
        s.size = st.st_size;
        s.mtimeSec = st.st_mtim.tv_sec;
        s.mtimeNsec = st.st_mtim.tv_nsec;
        s.inode = st.st_ino;
    }
    return s;
}

struct Section {
    QString name;
    int headerLine = -1;              // -1: not in the file
    QVector<int> keyLines;            // lines of its key=value entries, in order
};

QByteArray joinLines(const QList<QByteArray>& lines, const QList<QByteArray>& ends)
{
    QByteArray content;
    qsizetype size = 0;
    for (int i = 0; i < lines.size(); ++i)
        size += lines[i].size() + ends[i].size();
    content.reserve(size);
    for (int i = 0; i < lines.size(); ++i) {
        content += lines[i];
        content += ends[i];
    }
    return content;
}

// Replaces the file whole: a temporary file renamed over it, so a crash
// leaves the old file or the new one, never a cut one. Unbuffered, so that
// a short write is seen here and the old file is kept.
bool replaceFile(const QString& path, const QByteArray& content)
{
    QSaveFile f(path);
    const bool written = f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && f.write(content) == content.size()
                         && f.error() == QFileDevice::NoError;
    if (!written) {
        f.cancelWriting();
        f.commit(); // discards the temporary file
        return false;
    }
    return f.commit();
}

// What refuses a replace before anything is written: a directory that takes
// no new file, or a file that may not be replaced (immutable, append-only).
bool replaceRefused(const QString& path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::access(dir.constData(), W_OK | X_OK) != 0)
        return true;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false; // no file yet
    int flags = 0;
    const bool locked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
    ::close(fd);
    return locked;
}

// Writes one file's contents on a thread of its own, newest first: a write
// posted while another runs replaces any still waiting (it holds it whole).
struct Writer {
    QString path;
    std::function<void(const QString&)> failed;

    std::mutex m;
    std::condition_variable idle;
    QList<QByteArray> lines, ends; // the content waiting
    bool waiting = false;
    bool running = false;
    quint64 posted = 0;   // generations: each post is one more
    quint64 written = 0;  // the newest on disk
    Stamp stamp;          // the file as that write left it
    bool refused = false; // a write failed since the owner last looked
    std::thread thread;

    ~Writer()
    {
        wait();
        if (thread.joinable())
            thread.join();
    }

    void post(QList<QByteArray> newLines, QList<QByteArray> newEnds)
    {
        std::unique_lock lock(m);
        lines = std::move(newLines);
        ends = std::move(newEnds);
        waiting = true;
        ++posted;
        if (running)
            return;
        running = true;
        if (thread.joinable())
            thread.join(); // it has ended: `running` was clear
        thread = std::thread([this] {
            RunBehindTheWindow(); // a large record file's write must not take the window's processor
            run();
        });
    }

    void run()
    {
        std::unique_lock lock(m);
        while (waiting) {
            const QList<QByteArray> l = std::move(lines), e = std::move(ends);
            const quint64 generation = posted;
            waiting = false;
            lock.unlock();
            const bool ok = replaceFile(path, joinLines(l, e));
            const Stamp now = stampOf(path);
            lock.lock();
            if (ok) {
                written = generation;
                stamp = now;
            } else {
                refused = true;
                if (failed) {
                    lock.unlock();
                    failed(QStringLiteral("Unable to write to %1").arg(path));
                    lock.lock();
                }
            }
        }
        running = false;
        idle.notify_all();
    }

    void wait()
    {
        std::unique_lock lock(m);
        idle.wait(lock, [this] { return !running; });
    }
};

// The files with writes on their way, so that another open of the same file
// reads it (or writes it) only once they are on disk.
class PendingWrites {
public:
    static PendingWrites& instance()
    {
        static PendingWrites pending;
        return pending;
    }
    void add(const std::shared_ptr<Writer>& writer)
    {
        std::lock_guard lock(m_mutex);
        m_writers.insert(writer->path, writer);
        m_count = m_writers.size();
    }
    void remove(const QString& path)
    {
        std::lock_guard lock(m_mutex);
        m_writers.remove(path);
        m_count = m_writers.size();
    }
    // An empty path: every file.
    void waitFor(const QString& path)
    {
        if (m_count.load(std::memory_order_relaxed) == 0)
            return;
        std::vector<std::shared_ptr<Writer>> writers;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_writers.constBegin(); it != m_writers.constEnd(); ++it)
                if (path.isEmpty() || it.key() == path)
                    if (auto writer = it.value().lock())
                        writers.push_back(std::move(writer));
        }
        for (const auto& writer : writers)
            writer->wait();
    }

private:
    std::mutex m_mutex;
    QHash<QString, std::weak_ptr<Writer>> m_writers;
    std::atomic<qsizetype> m_count{0};
};

} // namespace

struct Profile::Impl {
    ~Impl()
    {
        if (writer) {
            writer->wait(); // nothing stored is lost with the open
            PendingWrites::instance().remove(writer->path);
        }
    }

    QString path;
    Stamp stamp;
    // Set for writes made on a thread of their own (setDeferredWrites).
    std::shared_ptr<Writer> writer;
    quint64 adopted = 0; // the writer's generation whose stamp `stamp` holds
    bool loaded = false;
    QList<QByteArray> lines;         // without their line breaks
    QList<QByteArray> ends;          // each line's own break: "\r\n", "\n", or none at the end
    QByteArray eol = "\n";           // the break of lines a write adds
    QVector<Section> sections;
    QHash<QString, int> sectionIndex; // folded name -> index in sections (first occurrence)

    static QString fold(const QString& s) { return s.toCaseFolded(); }

    static bool splitEntry(const QByteArray& line, QByteArray* key, QByteArray* value)
    {
        const int eq = line.indexOf('=');
        if (eq < 0)
            return false;
        *key = line.left(eq).trimmed();
        if (value)
            *value = line.mid(eq + 1);
        return !key->isEmpty();
    }

    // The key of an entry line, trimmed, or an empty view when the line is
    // no entry. No copies: parsing a large folder file stays cheap.
    static QByteArrayView entryKey(const QByteArray& line)
    {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            return {};
        return QByteArrayView(line.constData(), eq).trimmed();
    }

    static bool sameKey(QByteArrayView stored, const QByteArray& wantedUtf8, const QString& wanted)
    {
        if (stored.size() == wantedUtf8.size() && qstrnicmp(stored.data(), stored.size(), wantedUtf8.constData(),
                                                            wantedUtf8.size()) == 0)
            return true;
        // Names beyond ASCII fold by Unicode rules.
        for (char c : stored)
            if (static_cast<unsigned char>(c) >= 0x80)
                return fold(decode(stored.toByteArray())) == fold(wanted);
        return false;
    }

    void parse(const QByteArray& content)
    {
        lines.clear();
        ends.clear();
        sections.clear();
        sectionIndex.clear();
        lastIndex = -1;
        eol = content.contains("\r\n") ? "\r\n" : "\n";
        lines = content.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast(); // the final line break
        ends.reserve(lines.size());
        Section* current = nullptr;
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray& line = lines[i];
            const bool last = i == lines.size() - 1 && !content.endsWith('\n');
            if (line.endsWith('\r') && !last) {
                line.chop(1);
                ends << QByteArray("\r\n");
            } else {
                ends << (last ? QByteArray() : QByteArray("\n"));
            }
            QByteArrayView t = QByteArrayView(line).trimmed();
            if (i == 0 && t.startsWith("\xEF\xBB\xBF"))
                t = t.sliced(3).trimmed(); // a UTF-8 byte order mark left by an editor
            if (t.startsWith('[')) {
                const QString name = decode(headerName(t));
                const QString key = fold(name);
                const auto found = sectionIndex.constFind(key);
                if (found != sectionIndex.constEnd()) {
                    current = &sections[*found]; // merged into the first one
                    continue;
                }
                sections.push_back(Section{name, i, {}});
                sectionIndex.insert(key, sections.size() - 1);
                current = &sections.last();
                continue;
            }
            if (!current || t.isEmpty() || t.startsWith(';') || entryKey(line).isEmpty())
                continue;
            current->keyLines.push_back(i);
        }
    }

    // Within a run of reads only the first one looks at the disk.
    bool inReadRun = false;
    bool runLooked = false;

    void refresh()
    {
        if (inReadRun && runLooked && loaded)
            return;
        runLooked = inReadRun;
        if (writer) {
            std::lock_guard lock(writer->m);
            if (loaded && (writer->running || writer->waiting))
                return; // what is held is newer than the disk
            if (writer->refused) {
                writer->refused = false;
                loaded = false; // a refused write: the disk says what is stored
            } else if (writer->written != adopted && writer->written == writer->posted) {
                adopted = writer->written;
                stamp = writer->stamp; // our own write is no change on disk
            }
        } else {
            PendingWrites::instance().waitFor(path);
        }
        if (!stamp.exists && !writer) {
            // While there is no file, one may appear under another case.
            path = Profile::resolveCase(path);
        }
        const Stamp now = stampOf(path);
        if (loaded && now == stamp)
            return;
        QByteArray content;
        if (now.exists) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                content = f.readAll();
        }
        parse(content);
        stamp = now;
        loaded = true;
    }

    // A write always starts from the file as it is on disk.
    void refreshForWrite()
    {
        runLooked = false;
        refresh();
    }

    // The last section asked for: a walk reads several keys of one record in
    // a row. Reset by every parse.
    mutable QString lastName;
    mutable int lastIndex = -1;

    const Section* section(const QString& name) const
    {
        if (lastIndex >= 0 && name == lastName)
            return &sections[lastIndex];
        auto it = sectionIndex.constFind(fold(name));
        if (it == sectionIndex.constEnd())
            return nullptr;
        lastName = name;
        lastIndex = *it;
        return &sections[*it];
    }

    int keyLine(const QString& sectionName, const QString& key) const
    {
        const Section* s = section(sectionName);
        if (!s)
            return -1;
        const QByteArray wanted = encode(key);
        for (int line : s->keyLines)
            if (sameKey(entryKey(lines[line]), wanted, key))
                return line; // the first of duplicate keys wins
        return -1;
    }

    // Writes the lines, each with its own break (lines the write added carry
    // `eol`), so that every line left alone keeps its bytes, and holds them
    // as the file's content. `reindexed`: the sections already describe the
    // new lines, so the content is not parsed again.
    void save(const QList<QByteArray>& newLines, QList<QByteArray> newEnds, bool reindexed = false)
    {
        for (int i = 0; i < newEnds.size() - 1; ++i) // const reads: no copy of a shared list
            if (std::as_const(newEnds).at(i).isEmpty())
                newEnds[i] = eol;
        if (writer) {
            if (replaceRefused(path))
                throw EProfileError(QStringLiteral("Unable to write to %1").arg(path));
            writer->post(newLines, newEnds);
        } else {
            if (!replaceFile(path, joinLines(newLines, newEnds)))
                throw EProfileError(QStringLiteral("Unable to write to %1").arg(path));
        }
        if (reindexed) {
            lines = newLines;
            ends = newEnds;
        } else {
            parse(joinLines(newLines, newEnds));
        }
        if (!writer)
            stamp = stampOf(path);
    }

    // A line added by a write that parse() would read as the same entry.
    static bool plainEntry(const QByteArray& line)
    {
        const QByteArrayView t = QByteArrayView(line).trimmed();
        return !t.startsWith('[') && !t.startsWith(';') && !entryKey(line).isEmpty();
    }
};

Profile::Profile(const QString& path) : d(std::make_unique<Impl>())
{
    d->path = resolveCase(path);
}

Profile::~Profile() = default;
Profile::Profile(Profile&&) noexcept = default;
Profile& Profile::operator=(Profile&&) noexcept = default;

QString Profile::fileName() const
{
    return d->path;
}

QString Profile::resolveCase(const QString& path)
{
    QFileInfo info(path);
    if (info.exists())
        return path;
    QDir dir = info.dir();
    const QString wanted = info.fileName().toCaseFolded();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& e : entries)
        if (e.toCaseFolded() == wanted)
            return dir.filePath(e);
    return path;
}

void Profile::setDeferredWrites(std::function<void(const QString& message)> failed)
{
    if (d->writer)
        return;
    d->writer = std::make_shared<Writer>();
    d->writer->path = d->path;
    d->writer->failed = std::move(failed);
    PendingWrites::instance().add(d->writer);
}

void Profile::waitForWrites(const QString& path)
{
    PendingWrites::instance().waitFor(path);
}

void Profile::flush()
{
    if (d->writer)
        d->writer->wait();
}

void Profile::beginReadRun()
{
    d->inReadRun = true;
    d->runLooked = false;
}

void Profile::endReadRun()
{
    d->inReadRun = false;
}

QString Profile::NameProblem(const QString& name)
{
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("holds a line break or another control character");
    const QByteArray bytes = encode(name);
    if (bytes.trimmed() != bytes || name.trimmed() != name)
        return QStringLiteral("begins or ends with a blank");
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
        return QStringLiteral("is enclosed in quotes");
    return QString();
}

bool Profile::FitsFileName(const QString& fileName)
{
    return QFile::encodeName(fileName).size() <= NAME_MAX;
}

QString Profile::readString(const QString& section, const QString& key, const QString& def) const
{
    d->refresh();
    const int line = d->keyLine(section, key);
    if (line < 0)
        return def;
    const QByteArray& entry = d->lines[line];
    QByteArrayView v = QByteArrayView(entry).sliced(entry.indexOf('=') + 1).trimmed();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    QString value = decode(v.toByteArray());
    if (value.size() > kMaxValueLength) {
        // Never half a character: a pair that would be split goes whole.
        value.truncate(value.at(kMaxValueLength - 1).isHighSurrogate() ? kMaxValueLength - 1 : kMaxValueLength);
    }
    return value;
}

int Profile::readInteger(const QString& section, const QString& key, int def) const
{
    const QString text = readString(section, key, QString());
    if (text.isEmpty())
        return def;
    bool ok = false;
    int value;
    if (text.size() > 2 && (text.startsWith("0x") || text.startsWith("0X")))
        value = static_cast<int>(text.mid(2).toUInt(&ok, 16));
    else
        value = text.toInt(&ok, 10);
    return ok ? value : def;
}

bool Profile::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

QStringList Profile::readSections() const
{
    d->refresh();
    QStringList names;
    for (const Section& s : d->sections)
        names << s.name;
    return names;
}

QStringList Profile::readSection(const QString& section) const
{
    d->refresh();
    QStringList names;
    if (const Section* s = d->section(section)) {
        for (int line : s->keyLines) {
            QByteArray k;
            Impl::splitEntry(d->lines[line], &k, nullptr);
            names << decode(k);
        }
    }
    return names;
}

bool Profile::sectionExists(const QString& section) const
{
    d->refresh();
    return d->section(section) != nullptr;
}

bool Profile::valueExists(const QString& section, const QString& key) const
{
    d->refresh();
    return d->keyLine(section, key) >= 0;
}

void Profile::writeString(const QString& section, const QString& key, const QString& value)
{
    writeStrings({{section, key, value}});
}

void Profile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void Profile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void Profile::eraseSection(const QString& section)
{
    eraseSections({section});
}

namespace {
// The lines a batch adds under one place (after an existing line, or as a
// new section at the end): a key written twice keeps its place, last value.
struct Added {
    QList<QByteArray> lines;
    QStringList keys; // folded
    void put(const QString& key, const QByteArray& keyBytes, const QByteArray& value)
    {
        const QString folded = key.toCaseFolded();
        const qsizetype at = keys.indexOf(folded);
        if (at >= 0) {
            lines[at] = lines[at].left(lines[at].indexOf('=') + 1) + value; // the first spelling stays
        } else {
            keys << folded;
            lines << keyBytes + '=' + value;
        }
    }
};
} // namespace

void Profile::writeStrings(const QList<Write>& writes)
{
    if (writes.isEmpty())
        return;
    d->refreshForWrite();
    QList<QByteArray> lines = d->lines;
    QMap<int, Added> after;     // new keys of existing sections, by the line they follow
    QHash<int, int> afterOwner; // ...and the section they go into
    QList<Added> appended;      // new sections, in order
    QStringList appendedNames;  // their folded names
    QStringList appendedHeaders;
    for (const Write& w : writes) {
        const QByteArray key = oneLine(encode(w.key));
        const QByteArray value = oneLine(encode(w.value));
        const int line = d->keyLine(w.section, w.key);
        if (line >= 0) {
            QByteArray k;
            Impl::splitEntry(lines[line], &k, nullptr);
            lines[line] = k + '=' + value;
        } else if (const Section* s = d->section(w.section)) {
            const int at = s->keyLines.isEmpty() ? s->headerLine : s->keyLines.last();
            after[at].put(w.key, key, value);
            afterOwner.insert(at, int(s - d->sections.constData()));
        } else {
            const QString folded = Impl::fold(w.section);
            qsizetype at = appendedNames.indexOf(folded);
            if (at < 0) {
                appendedNames << folded;
                appendedHeaders << w.section;
                appended << Added{};
                at = appended.size() - 1;
            }
            appended[at].put(w.key, key, value);
        }
    }
    if (after.isEmpty() && appended.isEmpty()) {
        d->save(lines, d->ends, true); // values replaced in place: the sections stay as they are
        return;
    }
    QList<QByteArray> newLines, newEnds;
    QVector<Section> sections = d->sections;
    QHash<QString, int> sectionIndex = d->sectionIndex;
    bool plain = true; // every added line parses back as the entry it is
    if (after.isEmpty()) {
        // New records only (the common store): the old lines stay where they are.
        newLines = lines;
        newEnds = d->ends;
    } else {
        newLines.reserve(lines.size() + writes.size() + appended.size());
        newEnds.reserve(newLines.capacity());
        // Where each old line goes: shifted by the lines added before it.
        QVector<int> shifted(lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            shifted[i] = newLines.size();
            newLines << lines[i];
            newEnds << d->ends[i];
            const auto added = after.constFind(i);
            if (added == after.constEnd())
                continue;
            for (const QByteArray& l : added->lines) {
                plain = plain && Impl::plainEntry(l);
                newLines << l;
                newEnds << d->eol;
            }
        }
        const int first = after.firstKey(); // lines up to it stay where they are
        for (Section& s : sections) {
            if (s.headerLine > first)
                s.headerLine = shifted[s.headerLine];
            if (!s.keyLines.isEmpty() && s.keyLines.last() > first)
                for (int& line : s.keyLines)
                    line = shifted[line];
        }
        for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
            Section& s = sections[afterOwner.value(it.key())];
            for (int n = 0; n < it->lines.size(); ++n)
                s.keyLines.push_back(shifted[it.key()] + 1 + n);
        }
    }
    for (int i = 0; i < appended.size(); ++i) {
        const QByteArray header = '[' + oneLine(encode(appendedHeaders[i])) + ']';
        const QString name = decode(headerName(QByteArrayView(header).trimmed()));
        // A header that reads back as another section's is merged by a parse.
        plain = plain && !sectionIndex.contains(Impl::fold(name));
        sectionIndex.insert(Impl::fold(name), sections.size());
        sections.push_back(Section{name, int(newLines.size()), {}});
        newLines << header;
        newEnds << d->eol;
        for (const QByteArray& l : appended[i].lines) {
            plain = plain && Impl::plainEntry(l);
            sections.last().keyLines.push_back(newLines.size());
            newLines << l;
            newEnds << d->eol;
        }
    }
    if (!plain) {
        d->save(newLines, newEnds); // parsed again, as a reader would
        return;
    }
    d->save(newLines, newEnds, true);
    d->sections = std::move(sections);
    d->sectionIndex = std::move(sectionIndex);
    d->lastIndex = -1;
}

void Profile::eraseSections(const QStringList& sections)
{
    d->refreshForWrite();
    QSet<QString> wanted;
    for (const QString& s : sections)
        if (d->section(s))
            wanted.insert(Impl::fold(s));
    if (wanted.isEmpty())
        return;
    QList<QByteArray> kept, keptEnds;
    bool dropping = false;
    for (int i = 0; i < d->lines.size(); ++i) {
        const QByteArray t = d->lines[i].trimmed();
        if (t.startsWith('['))
            dropping = wanted.contains(Impl::fold(decode(headerName(t))));
        if (!dropping) {
            kept << d->lines[i];
            keptEnds << d->ends[i];
        }
    }
    d->save(kept, keptEnds);
}

void Profile::deleteKey(const QString& section, const QString& key)
{
    d->refreshForWrite();
    const int line = d->keyLine(section, key);
    if (line < 0)
        return;
    QList<QByteArray> lines = d->lines;
    QList<QByteArray> ends = d->ends;
    lines.removeAt(line);
    ends.removeAt(line);
    d->save(lines, ends);
}

} // namespace flk
