#include "IconLibrary.h"

#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>

namespace flk {
namespace {

// The strip of another size beside `path`: "icons.png" -> "icons-16.png".
QString SizedStripPath(const QString& path, int size)
{
    const QFileInfo info(path);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-%1.").arg(size)
        + info.suffix();
}

// A readable strip of `size`-pixel icons, or a null image.
QImage ReadStrip(const QString& path, int size)
{
    QImageReader reader(path);
    const QImage strip = reader.read();
    if (strip.isNull() || strip.height() < size)
        return {};
    return strip;
}

QPixmap Blank(int size)
{
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    return p;
}

QPixmap Cell(const QImage& strip, int index, int size)
{
    if (strip.isNull() || (index + 1) * size > strip.width())
        return Blank(size);
    return QPixmap::fromImage(strip.copy(index * size, 0, size, size));
}

} // namespace

QString IconLibrary::Path(const QString& iconFile)
{
    if (QDir::isAbsolutePath(iconFile))
        return iconFile;
    const QString inProgramFolder = ProgramFolder() + iconFile;
    if (QFileInfo::exists(inProgramFolder))
        return inProgramFolder;
    return InstallFolder() + iconFile;
}

QList<QIcon> IconLibrary::Load(const QString& path, int count)
{
    count = std::clamp(count, 0, kMaxIcons);
    const QImage large = ReadStrip(path, kLarge);
    const QImage small = large.isNull() ? QImage() : ReadStrip(SizedStripPath(path, kSmall), kSmall);
    const QImage huge = large.isNull() ? QImage() : ReadStrip(SizedStripPath(path, kHuge), kHuge);
    QList<QIcon> icons;
    icons.reserve(count);
    for (int i = 0; i < count; ++i) {
        QIcon icon(Cell(large, i, kLarge));
        if (!small.isNull())
            icon.addPixmap(Cell(small, i, kSmall));
        if (!huge.isNull())
            icon.addPixmap(Cell(huge, i, kHuge));
        icons << icon;
    }
    return icons;
}

} // namespace flk
