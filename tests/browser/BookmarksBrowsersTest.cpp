// The bookmarks of Firefox profiles and of Chromium and Chrome profiles.
#include "BookmarksFixture.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace flk::test {
namespace {

// A places.sqlite with Firefox's tables and roots, and `rows` of
// (id, type, url or "", parent, position, title) under them.
struct Place {
    int id, type;
    const char* url;
    int parent, position;
    const char* title;
};

void MakePlaces(const QString& path, std::initializer_list<Place> rows, QSqlDatabase* keepOpen = nullptr)
{
    const QString name = QStringLiteral("make-") + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT)"));
        ASSERT_TRUE(q.exec("CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, "
                           "parent INTEGER, position INTEGER, title TEXT, guid TEXT)"));
        const char* roots[][3] = {{"1", "0", "root________"}, {"2", "1", "menu________"}, {"3", "1", "toolbar_____"},
                                  {"4", "1", "tags________"}, {"5", "1", "unfiled_____"}, {"6", "1", "mobile______"}};
        for (auto& r : roots)
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO moz_bookmarks VALUES (%1, 2, NULL, %2, %1, '', '%3')")
                                   .arg(r[0], r[1], r[2])));
        for (const Place& p : rows) {
            q.prepare("INSERT INTO moz_places VALUES (?, ?)");
            q.addBindValue(p.id);
            q.addBindValue(QString::fromUtf8(p.url));
            ASSERT_TRUE(q.exec());
            q.prepare("INSERT INTO moz_bookmarks VALUES (?, ?, ?, ?, ?, ?, ?)");
            for (const QVariant& v : {QVariant(p.id), QVariant(p.type), QVariant(p.id), QVariant(p.parent),
                                      QVariant(p.position), QVariant(QString::fromUtf8(p.title)),
                                      QVariant(QStringLiteral("g%1").arg(p.id))})
                q.addBindValue(v);
            ASSERT_TRUE(q.exec());
        }
        if (keepOpen) {
            // Firefox holds the file with an exclusive lock while it runs.
            ASSERT_TRUE(q.exec("PRAGMA locking_mode=EXCLUSIVE"));
            ASSERT_TRUE(q.exec("BEGIN EXCLUSIVE"));
            *keepOpen = db;
            return;
        }
    }
    QSqlDatabase::removeDatabase(name);
}

TEST_F(BookmarksTest, FirefoxProfilesAreReadFromACopyOfTheirPlacesDatabase)
{
    Write(QStringLiteral(".mozilla/firefox/profiles.ini"),
          "[Install4F96D1932A9F858E]\nDefault=abcd.default-esr\n\n"
          "[Profile1]\nName=work\nIsRelative=1\nPath=work.w\n\n"
          "[Profile0]\nName=default-esr\nIsRelative=1\nPath=abcd.default-esr\nDefault=1\n\n"
          "[Profile2]\nName=broken\nIsRelative=0\nPath=" + (home.home() + "elsewhere").toUtf8() + "\n\n"
          "[General]\nStartWithLastProfile=1\n");
    Write(QStringLiteral("elsewhere/places.sqlite"), "SQLite format 3\0 but not really a database");
    QDir().mkpath(home.home() + ".mozilla/firefox/abcd.default-esr");
    QDir().mkpath(home.home() + ".mozilla/firefox/work.w");
    MakePlaces(home.home() + ".mozilla/firefox/work.w/places.sqlite", {{10, 1, "http://work.example/", 3, 0, "Work"}});
    QSqlDatabase locked;
    MakePlaces(home.home() + ".mozilla/firefox/abcd.default-esr/places.sqlite",
               {{20, 2, "", 2, 1, "Downloads"},
                {21, 1, "https://dl.example/a.iso", 20, 0, "An image"},
                {22, 1, "http://menu.example/", 2, 0, ""},
                {23, 3, "", 2, 2, ""},
                {24, 1, "place:sort=8&maxResults=10", 2, 3, "Most Visited"},
                {25, 1, "ftp://other.example/b", 5, 0, "Other one"},
                {26, 1, "http://tagged.example/", 4, 0, "tag entry"}},
               &locked);
    // A fresh Firefox keeps its profiles under the configuration folder.
    Write(QStringLiteral(".config/mozilla/firefox/profiles.ini"),
          "[Profile0]\nName=fresh\nIsRelative=1\nPath=xyz.default-release\nDefault=1\n");
    QDir().mkpath(home.home() + ".config/mozilla/firefox/xyz.default-release");
    MakePlaces(home.home() + ".config/mozilla/firefox/xyz.default-release/places.sqlite",
               {{10, 1, "http://fresh.example/", 3, 0, "Fresh"}});

    EXPECT_EQ(Build(), QStringList({
        "Firefox Bookmarks/",
        "Firefox Bookmarks/work/",
        "Firefox Bookmarks/work/Bookmarks Toolbar/",
        "Firefox Bookmarks/work/Bookmarks Toolbar/Work <http://work.example/>",
        "Firefox Bookmarks/default-esr/",
        "Firefox Bookmarks/default-esr/Bookmarks Menu/",
        "Firefox Bookmarks/default-esr/Bookmarks Menu/http://menu.example/ <http://menu.example/>",
        "Firefox Bookmarks/default-esr/Bookmarks Menu/Downloads/",
        "Firefox Bookmarks/default-esr/Bookmarks Menu/Downloads/An image <https://dl.example/a.iso>",
        "Firefox Bookmarks/default-esr/Bookmarks Menu/-",
        "Firefox Bookmarks/default-esr/Other Bookmarks/",
        "Firefox Bookmarks/default-esr/Other Bookmarks/Other one <ftp://other.example/b>",
        "Firefox Bookmarks/fresh/",
        "Firefox Bookmarks/fresh/Bookmarks Toolbar/",
        "Firefox Bookmarks/fresh/Bookmarks Toolbar/Fresh <http://fresh.example/>",
    }));
    locked.close();
}

TEST_F(BookmarksTest, ChromiumAndChromeProfilesShowAndABrokenFileIsSkipped)
{
    Write(QStringLiteral(".config/chromium/Local State"),
          R"J({"profile":{"info_cache":{"Profile 1":{"name":"Holidays"}}}})J");
    Write(QStringLiteral(".config/chromium/Default/Bookmarks"), R"J({"roots":{
        "bookmark_bar":{"type":"folder","name":"Bookmarks bar","children":[
            {"type":"url","name":"Debian","url":"https://www.debian.org/CD/"},
            {"type":"folder","name":"Isos","children":[
                {"type":"url","name":"","url":"https://cdimage.example/x.iso"},
                {"type":"url","name":"Bookmarklet","url":"javascript:go()"}]}]},
        "other":{"type":"folder","name":"Other bookmarks","children":[]},
        "synced":{"type":"folder","name":"Mobile bookmarks","children":[
            {"type":"url","name":"Phone","url":"http://phone.example/"}]}}})J");
    Write(QStringLiteral(".config/chromium/Profile 1/Bookmarks"), "{\"roots\": {\"bookmark_bar\": {\"children\": [");
    Write(QStringLiteral(".config/chromium/Profile 2/Preferences"), "{}");
    Write(QStringLiteral(".config/google-chrome/Default/Bookmarks"),
          R"J({"roots":{"other":{"name":"Other bookmarks","children":[{"type":"url","name":"G","url":"http://g/"}]}}})J");

    EXPECT_EQ(Build(), QStringList({
        "Chromium Bookmarks/",
        "Chromium Bookmarks/Default/",
        "Chromium Bookmarks/Default/Bookmarks bar/",
        "Chromium Bookmarks/Default/Bookmarks bar/Debian <https://www.debian.org/CD/>",
        "Chromium Bookmarks/Default/Bookmarks bar/Isos/",
        "Chromium Bookmarks/Default/Bookmarks bar/Isos/https://cdimage.example/x.iso <https://cdimage.example/x.iso>",
        "Chromium Bookmarks/Default/Mobile bookmarks/",
        "Chromium Bookmarks/Default/Mobile bookmarks/Phone <http://phone.example/>",
        "Google Chrome Bookmarks/",
        "Google Chrome Bookmarks/Default/",
        "Google Chrome Bookmarks/Default/Other bookmarks/",
        "Google Chrome Bookmarks/Default/Other bookmarks/G <http://g/>",
    }));
}

} // namespace
} // namespace flk::test
