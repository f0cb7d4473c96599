#pragma once
// The folder icon library. On this platform it is a PNG strip of 32 x 32
// icons, left to right, icon i at x = 32 * i ("icons.png" beside the
// program); a strip of the same icons at 16 x 16 may lie beside it, named
// after it with "-16" before the extension ("icons-16.png"), and one at
// 64 x 64 for screens at twice the scale ("icons-64.png"). A missing or
// unreadable library, or an index the strip does not hold, gives a blank
// icon of the same size: never an error.

#include <QIcon>
#include <QList>
#include <QString>

namespace flk {

class IconLibrary {
public:
    static constexpr int kLarge = 32;
    static constexpr int kSmall = 16;
    static constexpr int kHuge = 64;

    // The library named `iconFile` (the IconFile setting): as it is when
    // absolute, else in the program folder, else beside the program.
    static QString Path(const QString& iconFile);

    // Icons 0 .. count-1 of the library at `path` (count is bounded by
    // kMaxIcons: a huge count never builds a huge list).
    static QList<QIcon> Load(const QString& path, int count);

    static constexpr int kMaxIcons = 4096;
};

} // namespace flk
