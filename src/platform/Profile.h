#pragma once
// A private-profile (INI) file, read and written with the rules the catalogue
// relies on:
//  - section names, key names and the file name are matched without regard
//    to case (an existing file is found whatever the case of its name);
//  - values are trimmed, and lose one matching pair of enclosing single or
//    double quotes; at most 1023 characters come back;
//  - integers are decimal, or hexadecimal when longer than two characters and
//    starting with 0x/0X; text that is not an integer gives the default;
//  - booleans are written "1"/"0" and read as "any integer but 0";
//  - name lists (sections, keys) are read whole, in file order, however
//    long (a cut list would hide the later records of a large folder);
//  - bytes are kept as they are: text is UTF-8, and the byte 0xFF (the notes
//    line separator) maps to the character U+00FF and back;
//  - every write is on disk at once and atomic (the file is replaced whole),
//    and keeps the order of the other sections, keys and lines byte for byte.
//
// An object stands for one "open" of the file: construct it for an operation
// and drop it afterwards. It parses the file once and re-reads it only when
// the file on disk changed, so reading many keys does not re-parse the file.
// Each read looks at the disk first, except within a run of reads (below).

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include "Exception.h"

namespace flk {

// Raised when a write is refused: "Unable to write to <full path>".
class EProfileError : public Exception {
public:
    using Exception::Exception;
};

class Profile {
public:
    static constexpr int kMaxValueLength = 1023;

    explicit Profile(const QString& path);
    ~Profile();
    Profile(Profile&&) noexcept;
    Profile& operator=(Profile&&) noexcept;

    // The full path of the file in use (the existing file's own spelling).
    QString fileName() const;

    // From now on this open holds what it writes and puts it on disk on a
    // thread of its own (a large file's replace no longer waits on the
    // caller's thread). A write the file refuses outright (its directory
    // takes no file, the file may not be replaced) still raises
    // EProfileError at once; one that fails on the way calls `failed` with
    // "Unable to write to <full path>", on the writing thread, and the next
    // read shows the file as it is on disk. Other opens of the same file
    // wait for these writes before they read it; dropping this open waits
    // for them too.
    void setDeferredWrites(std::function<void(const QString& message)> failed);
    // Waits until every write made so far is on disk (or has failed).
    void flush();
    // Waits for the writes on their way to the file at `path` (to every file
    // when empty): before the file is renamed or removed behind Profile.
    static void waitForWrites(const QString& path);

    // A run of reads with no message run between them (a walk over many
    // records): until endReadRun() only the first read looks at the disk;
    // the others use what it saw. Writes always look first.
    void beginReadRun();
    void endReadRun();

    QString readString(const QString& section, const QString& key, const QString& def) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    QStringList readSections() const;                       // in file order
    QStringList readSection(const QString& section) const;  // key names, in file order
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    // Many writes in one replace of the file, with the same result as the
    // single writes in this order (a bulk operation would otherwise rewrite
    // a large file once per key).
    struct Write {
        QString section;
        QString key;
        QString value;
    };
    void writeStrings(const QList<Write>& writes);
    void eraseSections(const QStringList& sections);

    // Why `name` would not come back as written when stored as a value or a
    // section name: "begins or ends with a blank", "is enclosed in quotes",
    // "holds a line break or another control character"; empty when it would.
    static QString NameProblem(const QString& name);
    // True when `fileName` (one name, no directory) fits the file system.
    static bool FitsFileName(const QString& fileName);

    // The path of an existing file named like `path` whatever its case, or
    // `path` itself when there is none.
    static QString resolveCase(const QString& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace flk
