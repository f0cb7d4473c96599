#pragma once
// Refusals of the catalogue store (bad or colliding names, a directory that
// cannot be made) and date conversion errors. Write failures of the INI files
// are EProfileError from Profile.h.

#include <QString>
#include <stdexcept>

namespace flk {

class ECatalogueError : public std::runtime_error {
public:
    explicit ECatalogueError(const QString& message);
    QString message() const;
};

// A stored date that does not parse: "'<text>' is not a valid date".
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message);
    QString message() const;
};

} // namespace flk
