#include "Profile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QVector>

#include <sys/stat.h>

namespace flk {

EProfileError::EProfileError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString EProfileError::message() const
{
    return QString::fromStdString(what());
}

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
    QList<QByteArray> lines;
    QByteArray eol = "\n";
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
        sections.clear();
        sectionIndex.clear();
        lastIndex = -1;
        eol = content.contains("\r\n") ? "\r\n" : "\n";
        lines = content.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast(); // the final line break
        Section* current = nullptr;
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray& line = lines[i];
            if (line.endsWith('\r'))
                line.chop(1);
            QByteArrayView t = QByteArrayView(line).trimmed();
            if (i == 0 && t.startsWith("\xEF\xBB\xBF"))
                t = t.sliced(3).trimmed(); // a UTF-8 byte order mark left by an editor
            if (t.startsWith('[')) {
                const qsizetype close = t.indexOf(']');
                const QString name = decode(t.sliced(1, close < 0 ? t.size() - 1 : close - 1).trimmed().toByteArray());
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

    void save(const QList<QByteArray>& newLines)
    {
        QByteArray content;
        for (const QByteArray& l : newLines) {
            content += l;
            content += eol;
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
    if (value.size() > kMaxValueLength)
        value.truncate(kMaxValueLength);
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
    const QByteArray v = oneLine(encode(value));
    const int line = d->keyLine(section, key);
    if (line >= 0) {
        QByteArray k;
        Impl::splitEntry(lines[line], &k, nullptr);
        lines[line] = k + '=' + v;
    } else if (const Section* s = d->section(section)) {
        const int after = s->keyLines.isEmpty() ? s->headerLine : s->keyLines.last();
        lines.insert(after + 1, oneLine(encode(key)) + '=' + v);
    } else {
        lines << '[' + oneLine(encode(section)) + ']' << oneLine(encode(key)) + '=' + v;
    }
    d->save(lines);
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
    d->refreshForWrite();
    if (!d->section(section))
        return;
    // Drop every header of that name with the lines up to the next header.
    const QString wanted = Impl::fold(section);
    QList<QByteArray> kept;
    bool dropping = false;
    for (const QByteArray& l : d->lines) {
        const QByteArray t = l.trimmed();
        if (t.startsWith('[')) {
            int close = t.indexOf(']');
            dropping = Impl::fold(decode(t.mid(1, close < 0 ? -1 : close - 1).trimmed())) == wanted;
        }
        if (!dropping)
            kept << l;
    }
    d->save(kept);
}

void Profile::deleteKey(const QString& section, const QString& key)
{
    d->refreshForWrite();
    const int line = d->keyLine(section, key);
    if (line < 0)
        return;
    QList<QByteArray> lines = d->lines;
    lines.removeAt(line);
    d->save(lines);
}

} // namespace flk
