#include "FirefoxPlaces.h"

#include "BookmarkTree.h"
#include "Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <vector>

namespace flk {

namespace {

// One row of moz_bookmarks with its address.
struct Row {
    qint64 id = 0;
    int type = 0; // 1 bookmark, 2 folder, 3 separator
    QString title;
    QString url;
    QString guid;
};

using Children = QHash<qint64, std::vector<Row>>;

// Reads every bookmark row of the database copy at `path`, grouped by parent
// in position order. False when it is not a readable places database.
bool ReadRows(const QString& path, Children& children, qint64& root)
{
    const QString connection = QStringLiteral("fetchlark-places-%1").arg(quintptr(&children));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            ok = query.exec(QStringLiteral(
                "SELECT b.id, b.parent, b.type, b.title, p.url, b.guid FROM moz_bookmarks b "
                "LEFT JOIN moz_places p ON p.id = b.fk ORDER BY b.parent, b.position, b.id"));
            root = -1;
            while (ok && query.next()) {
                Row row{query.value(0).toLongLong(), query.value(2).toInt(), query.value(3).toString(),
                        query.value(4).toString(), query.value(5).toString()};
                const qint64 parent = query.value(1).toLongLong();
                if (row.guid == QLatin1String("root________") || (parent == 0 && root < 0))
                    root = row.id;
                children[parent].push_back(std::move(row));
            }
            ok = ok && query.lastError().type() == QSqlError::NoError && root >= 0;
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

// Firefox's names for its root folders; the tags are not bookmarks.
QString RootCaption(const Row& row)
{
    static const QHash<QString, QString> names{{QStringLiteral("menu________"), QStringLiteral("Bookmarks Menu")},
                                               {QStringLiteral("toolbar_____"), QStringLiteral("Bookmarks Toolbar")},
                                               {QStringLiteral("unfiled_____"), QStringLiteral("Other Bookmarks")},
                                               {QStringLiteral("mobile______"), QStringLiteral("Mobile Bookmarks")}};
    if (row.guid == QLatin1String("tags________"))
        return QString();
    return names.value(row.guid, row.title);
}

// Adds the rows under `from` to `item`, level by level; a folder met twice
// (a damaged database can hold cycles) is added once.
void AddRows(const Children& children, qint64 from, BookmarkTree& tree, int item)
{
    std::vector<std::pair<qint64, int>> pending{{from, item}};
    QSet<qint64> seen{from};
    while (!pending.empty()) {
        const auto [folder, parent] = pending.back();
        pending.pop_back();
        const auto it = children.constFind(folder);
        if (it == children.constEnd())
            continue;
        for (const Row& row : *it) {
            if (row.type == 3)
                tree.AddSeparator(parent);
            else if (row.type == 1 && !row.url.isEmpty())
                tree.AddLink(parent, BookmarkTree::Shorten(row.title.isEmpty() ? row.url : row.title), row.url);
            else if (row.type == 2 && !seen.contains(row.id)) {
                seen.insert(row.id);
                pending.emplace_back(row.id, tree.AddFolder(parent, BookmarkTree::Shorten(row.title)));
            }
        }
    }
}

} // namespace

QList<TFirefoxPlaces::UserProfile> TFirefoxPlaces::Profiles(const QString& firefoxDir)
{
    QList<UserProfile> profiles;
    const QString ini = firefoxDir + QStringLiteral("/profiles.ini");
    if (!QFileInfo(ini).isFile())
        return profiles;
    const Profile file(ini);
    for (const QString& section : file.readSections()) {
        if (!section.startsWith(QLatin1String("Profile"), Qt::CaseInsensitive))
            continue;
        const QString path = file.readString(section, QStringLiteral("Path"), QString());
        if (path.isEmpty())
            continue;
        const bool relative = file.readBool(section, QStringLiteral("IsRelative"), true);
        const QString name = file.readString(section, QStringLiteral("Name"), path);
        profiles.append({name, relative ? firefoxDir + QLatin1Char('/') + path : path});
    }
    return profiles;
}

bool TFirefoxPlaces::Read(const QString& placesFile, BookmarkTree& tree, int parent, const QString& caption)
{
    if (!QFileInfo(placesFile).isFile())
        return false;
    QTemporaryDir copy;
    const QString target = copy.filePath(QStringLiteral("places.sqlite"));
    if (!copy.isValid() || !QFile::copy(placesFile, target))
        return false;
    if (QFileInfo::exists(placesFile + QStringLiteral("-wal")))
        QFile::copy(placesFile + QStringLiteral("-wal"), target + QStringLiteral("-wal"));

    Children children;
    qint64 root = -1;
    if (!ReadRows(target, children, root))
        return false;
    const int item = tree.AddFolder(parent, caption);
    for (const Row& top : children.value(root)) {
        const QString name = RootCaption(top);
        if (top.type != 2 || name.isEmpty() || !children.contains(top.id))
            continue;
        AddRows(children, top.id, tree, tree.AddFolder(item, name));
    }
    return true;
}

} // namespace flk
