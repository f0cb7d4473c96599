#include "ChromiumBookmarks.h"

#include "BookmarkTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <utility>
#include <vector>

namespace flk {

namespace {

QJsonObject ReadJson(const QString& path, bool& ok)
{
    ok = false;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    ok = error.error == QJsonParseError::NoError && doc.isObject();
    return doc.object();
}

// Adds a folder's children to `item`, level by level.
void AddChildren(const QJsonObject& folder, BookmarkTree& tree, int item)
{
    std::vector<std::pair<QJsonArray, int>> pending{{folder.value(QLatin1String("children")).toArray(), item}};
    while (!pending.empty()) {
        const auto [children, parent] = pending.back();
        pending.pop_back();
        for (const QJsonValue& value : children) {
            const QJsonObject node = value.toObject();
            const QString type = node.value(QLatin1String("type")).toString();
            const QString name = node.value(QLatin1String("name")).toString();
            if (type == QLatin1String("url")) {
                const QString url = node.value(QLatin1String("url")).toString();
                if (!url.isEmpty())
                    tree.AddLink(parent, BookmarkTree::Shorten(name.isEmpty() ? url : name), url);
            } else if (type == QLatin1String("folder")) {
                pending.emplace_back(node.value(QLatin1String("children")).toArray(),
                                     tree.AddFolder(parent, BookmarkTree::Shorten(name)));
            }
        }
    }
}

} // namespace

QList<TChromiumBookmarks::UserProfile> TChromiumBookmarks::Profiles(const QString& configDir)
{
    QList<UserProfile> profiles;
    const QDir dir(configDir);
    if (!dir.exists())
        return profiles;
    bool ok = false;
    const QJsonObject names = ReadJson(dir.filePath(QStringLiteral("Local State")), ok)
                                  .value(QLatin1String("profile"))
                                  .toObject()
                                  .value(QLatin1String("info_cache"))
                                  .toObject();
    for (const QString& folder : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString file = dir.filePath(folder + QStringLiteral("/Bookmarks"));
        if (!QFileInfo(file).isFile())
            continue;
        const QString name = names.value(folder).toObject().value(QLatin1String("name")).toString();
        profiles.append({name.isEmpty() ? folder : name, file});
    }
    return profiles;
}

bool TChromiumBookmarks::Read(const QString& bookmarksFile, BookmarkTree& tree, int parent, const QString& caption)
{
    bool ok = false;
    const QJsonObject roots = ReadJson(bookmarksFile, ok).value(QLatin1String("roots")).toObject();
    if (!ok)
        return false;
    const int item = tree.AddFolder(parent, caption);
    for (const char* key : {"bookmark_bar", "other", "synced"}) {
        const QJsonObject root = roots.value(QLatin1String(key)).toObject();
        if (root.value(QLatin1String("children")).toArray().isEmpty())
            continue;
        AddChildren(root, tree, tree.AddFolder(item, BookmarkTree::Shorten(root.value(QLatin1String("name")).toString())));
    }
    return true;
}

} // namespace flk
