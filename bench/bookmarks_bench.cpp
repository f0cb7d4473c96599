// The bookmarks menu for 20,000 bookmarks across the sources: a Navigator
// bookmark file, a Firefox profile and a Chromium profile (offscreen, in a
// throw-away home). Prints the median time of a rebuild (what the first click
// on "Bookmarks" costs) and of opening every folder of the menu afterwards;
// then the same 20,000 in one Navigator folder, popped up with its first part.
#include "Bookmarks.h"
#include "Median.h"
#include "Registry.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

using namespace flk;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// `count` links in folders of 100.
void MakeNetscape(const QString& path, int count)
{
    QByteArray text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (int i = 0; i < count; ++i) {
        if (i % 100 == 0)
            text += (i ? "</DL><p>\n" : "") + QByteArray("<DT><H3>Folder ") + QByteArray::number(i / 100) + "</H3>\n<DL><p>\n";
        text += "<DT><A HREF=\"http://files.example/n/" + QByteArray::number(i) + ".zip\" ADD_DATE=\"1\">Netscape file "
            + QByteArray::number(i) + "</A>\n";
    }
    text += "</DL><p>\n</DL>\n";
    WriteFile(path, text);
}

void MakePlaces(const QString& path, int count)
{
    QDir().mkpath(QFileInfo(path).path());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec("CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT)");
        q.exec("CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, parent INTEGER, "
               "position INTEGER, title TEXT, guid TEXT)");
        q.exec("INSERT INTO moz_bookmarks VALUES (1, 2, NULL, 0, 0, '', 'root________')");
        q.exec("INSERT INTO moz_bookmarks VALUES (2, 2, NULL, 1, 0, 'menu', 'menu________')");
        db.transaction();
        int id = 10;
        for (int i = 0; i < count; ++i) {
            if (i % 100 == 0) {
                q.exec(QStringLiteral("INSERT INTO moz_bookmarks VALUES (%1, 2, NULL, 2, %2, 'Folder %2', 'f%1')")
                           .arg(id).arg(i / 100));
                ++id;
            }
            const int folder = id - 1 - (i % 100);
            q.exec(QStringLiteral("INSERT INTO moz_places VALUES (%1, 'https://files.example/f/%1.iso')").arg(id));
            q.exec(QStringLiteral("INSERT INTO moz_bookmarks VALUES (%1, 1, %1, %2, %3, 'Firefox file %1', 'b%1')")
                       .arg(id).arg(folder).arg(i % 100));
            ++id;
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
}

void MakeChromium(const QString& path, int count)
{
    QByteArray text = R"({"roots":{"bookmark_bar":{"type":"folder","name":"Bookmarks bar","children":[)";
    for (int i = 0; i < count; ++i) {
        if (i % 100 == 0)
            text += QByteArray(i ? "]}," : "") + R"({"type":"folder","name":"Folder )" + QByteArray::number(i / 100)
                + R"(","children":[)";
        else
            text += ",";
        text += R"({"type":"url","name":"Chromium file )" + QByteArray::number(i) + R"(","url":"http://files.example/c/)"
            + QByteArray::number(i) + R"(.tar.xz"})";
    }
    text += "]}]}}}";
    WriteFile(path, text);
}

int OpenAll(QMenu* menu)
{
    emit menu->aboutToShow();
    int links = 0;
    for (QAction* a : menu->actions())
        links += a->menu() ? OpenAll(a->menu()) : !a->isSeparator();
    return links;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    qputenv("FETCHLARK_HOME", home.path().toUtf8());

    const int each = 20000 / 3;
    MakeNetscape(home.path() + "/nav/bookmarks.html", 20000 - 2 * each);
    Registry reg(RootKey::CurrentUser);
    reg.OpenKey(QStringLiteral("Software\\Netscape\\Netscape Navigator\\Bookmark List"), true);
    reg.WriteString(QStringLiteral("File Location"), home.path() + "/nav/bookmarks.html");
    WriteFile(home.path() + "/.mozilla/firefox/profiles.ini", "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
    MakePlaces(home.path() + "/.mozilla/firefox/p.default/places.sqlite", each);
    MakeChromium(home.path() + "/.config/chromium/Default/Bookmarks", each);

    std::vector<double> build, open;
    int links = 0;
    for (int run = 0; run < 11; ++run) {
        QMenu menu;
        TBookmarks bookmarks;
        bookmarks.setMenu(&menu);
        QElapsedTimer t;
        t.start();
        bookmarks.setEnabled(true);
        build.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        links = OpenAll(&menu);
        open.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("bookmarks: %d links across 3 sources\n", links);
    std::printf("rebuild (first click): median %.1f ms\n", bench::Median(build));
    std::printf("every folder opened:   median %.1f ms\n", bench::Median(open));

    // One flat folder: the Navigator file alone, 20,000 links at one level.
    QByteArray flat = "<DL><p>\n";
    for (int i = 0; i < 20000; ++i)
        flat += "<DT><A HREF=\"http://files.example/f/" + QByteArray::number(i) + ".zip\">Flat file "
            + QByteArray::number(i) + "</A>\n";
    WriteFile(home.path() + "/nav/bookmarks.html", flat + "</DL>\n");
    QDir(home.path() + "/.mozilla").removeRecursively();
    QDir(home.path() + "/.config").removeRecursively();
    std::vector<double> shown;
    for (int run = 0; run < 5; ++run) {
        QMenu menu;
        TBookmarks bookmarks;
        bookmarks.setMenu(&menu);
        QElapsedTimer t;
        t.start();
        bookmarks.setEnabled(true);
        QMenu* folder = menu.actions().value(0)->menu();
        folder->popup(QPoint(0, 0));
        QApplication::processEvents();
        QMenu* part = folder->actions().value(0)->menu(); // its first 1,000
        part->popup(QPoint(100, 0));
        QApplication::processEvents();
        shown.push_back(t.nsecsElapsed() / 1e6);
        part->hide();
        folder->hide();
    }
    std::printf("one folder of 20,000, rebuilt, shown, first part shown: median %.1f ms\n", bench::Median(shown));
    return 0;
}
