#include "Profile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QVector>

#include <climits>
#include <sys/stat.h>

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

} // namespace

struct Profile::Impl {
    QString path;
    Stamp stamp;
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
        if (!stamp.exists) {
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
    // `eol`), so that every line left alone keeps its bytes.
    void save(const QList<QByteArray>& newLines, const QList<QByteArray>& newEnds)
    {
        QByteArray content;
        for (int i = 0; i < newLines.size(); ++i) {
            content += newLines[i];
            const bool last = i == newLines.size() - 1;
            content += newEnds[i].isEmpty() && !last ? eol : newEnds[i];
        }
        // Unbuffered, so that a short write is seen here and the old file
        // is kept instead of being replaced by a cut one.
        QSaveFile f(path);
        const bool written = f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                             && f.write(content) == content.size() && f.error() == QFileDevice::NoError;
        if (!written) {
            f.cancelWriting();
            f.commit(); // discards the temporary file
            throw EProfileError(QStringLiteral("Unable to write to %1").arg(path));
        }
        if (!f.commit())
            throw EProfileError(QStringLiteral("Unable to write to %1").arg(path));
        parse(content);
        stamp = stampOf(path);
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
    d->refreshForWrite();
    QList<QByteArray> lines = d->lines;
    QList<QByteArray> ends = d->ends;
    const QByteArray v = oneLine(encode(value));
    const int line = d->keyLine(section, key);
    if (line >= 0) {
        QByteArray k;
        Impl::splitEntry(lines[line], &k, nullptr);
        lines[line] = k + '=' + v;
    } else if (const Section* s = d->section(section)) {
        const int after = s->keyLines.isEmpty() ? s->headerLine : s->keyLines.last();
        lines.insert(after + 1, oneLine(encode(key)) + '=' + v);
        ends.insert(after + 1, d->eol);
    } else {
        lines << '[' + oneLine(encode(section)) + ']' << oneLine(encode(key)) + '=' + v;
        ends << d->eol << d->eol;
    }
    d->save(lines, ends);
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
    QHash<int, Added> after;   // new keys of existing sections, by the line they follow
    QList<Added> appended;     // new sections, in order
    QStringList appendedNames; // their folded names
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
            after[s->keyLines.isEmpty() ? s->headerLine : s->keyLines.last()].put(w.key, key, value);
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
    QList<QByteArray> newLines, newEnds;
    newLines.reserve(lines.size() + writes.size() + appended.size());
    newEnds.reserve(newLines.capacity());
    for (int i = 0; i < lines.size(); ++i) {
        newLines << lines[i];
        newEnds << d->ends[i];
        const auto added = after.constFind(i);
        if (added == after.constEnd())
            continue;
        for (const QByteArray& l : added->lines) {
            newLines << l;
            newEnds << d->eol;
        }
    }
    for (int i = 0; i < appended.size(); ++i) {
        newLines << '[' + oneLine(encode(appendedHeaders[i])) + ']';
        newEnds << d->eol;
        for (const QByteArray& l : appended[i].lines) {
            newLines << l;
            newEnds << d->eol;
        }
    }
    d->save(newLines, newEnds);
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
