#pragma once
// TPieceState: the small text file beside a download fetched over several
// connections ("<file>.flkparts"), so a stopped or crashed download resumes
// every piece. It names the address, the version of the file (its validator)
// and its length, and the byte ranges already in the file:
//
//   Fetchlark pieces 1
//   url http://host/file.bin
//   validator "5f2-1a3b"
//   length 50331648
//   done 0-1048576
//   done 12582912-14680064
//
// (ranges are [first, end)). It is written before the file is sized to its
// full length, so a file that reached its length only by being sized is never
// taken for a complete one, and removed once the file is complete.

#include "PieceMap.h"

#include <QString>

#include <cstring>

namespace flk {

struct TPieceStateData {
    QString Url;
    QString Validator;
    qint64 Length = -1;
    QList<TPieceMap::Range> Done;
};

class TPieceState {
public:
    // The state file's name ends so; the manager does not list it as a file.
    static constexpr char kSuffix[] = ".flkparts";
    static QString PathFor(const QString& file) { return file + QLatin1String(kSuffix); }
    static bool IsStateFile(const char* name)
    {
        const size_t n = std::strlen(name), k = sizeof kSuffix - 1;
        return n > k && std::memcmp(name + n - k, kSuffix, k) == 0;
    }

    explicit TPieceState(const QString& file) : m_path(PathFor(file)) {}

    bool Exists() const;
    // False when there is none or it cannot be read as one.
    bool Read(TPieceStateData& data) const;
    // Replaces it as a whole (never half written); false when that fails.
    bool Write(const TPieceStateData& data) const;
    void Remove() const;
    QString Path() const { return m_path; }

private:
    QString m_path;
};

} // namespace flk
