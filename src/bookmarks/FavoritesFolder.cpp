#include "FavoritesFolder.h"

#include "BookmarkTree.h"
#include "Profile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <utility>
#include <vector>

namespace flk {

void TFavoritesFolder::Walk(const QString& directory, BookmarkTree& tree, int parent)
{
    // Folders waiting to be read, with their items; a folder reached twice
    // through a link is read once, so a link to a parent cannot loop.
    std::vector<std::pair<QString, int>> pending{{directory, parent}};
    QSet<QString> seen;
    while (!pending.empty()) {
        const auto [path, item] = pending.back();
        pending.pop_back();
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen.insert(canonical);

        const QDir dir(path);
        const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
        const QFileInfoList folders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, order);
        std::vector<std::pair<QString, int>> inner;
        for (const QFileInfo& info : folders) {
            if (info.fileName().startsWith(QLatin1Char('.')))
                continue;
            inner.emplace_back(info.filePath(), tree.AddFolder(item, BookmarkTree::Shorten(info.fileName())));
        }
        // Read in menu order: the first sub-folder is taken next.
        pending.insert(pending.end(), inner.rbegin(), inner.rend());

        const QFileInfoList shortcuts =
            dir.entryInfoList({QStringLiteral("*.url")}, QDir::Files | QDir::Hidden, order);
        for (const QFileInfo& info : shortcuts) {
            const QString url = Profile(info.filePath())
                                    .readString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"),
                                                QStringLiteral("N/A"));
            tree.AddLink(item, BookmarkTree::Shorten(info.fileName().chopped(4)), url);
        }
    }
}

} // namespace flk
