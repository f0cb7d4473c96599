// Netscape-format bookmark files, the favourites folder and the registered
// Communicator users.
#include "BookmarksFixture.h"

#include <QMenu>
#include <functional>

#include <QFile>

namespace flk::test {
namespace {

TEST_F(BookmarksTest, ANavigatorFileGivesFoldersLinksAndSeparatorsWithShortCaptionsAndHints)
{
    SetNavigatorFile(Write(QStringLiteral("nav/bookmark.htm"),
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
        "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
        "    <DT><H3 ADD_DATE=\"1\">Tools &amp; Things</H3>\r\n    <DL><p>\r\n"
        "        <DT><A HREF=\"http://a.example/x.zip?a=1&amp;b=2\" ADD_DATE=\"2\">Archive</A>\r\n"
        "        <DT><A HREF='ftp://b.example/y.tar'>Single quoted</A>\r\n"
        "        <HR>\r\n"
        "        <DT><A HREF=\"http://c.example/my file.zip\">Blank</A>\r\n"
        "    </DL><p>\r\n"
        "    <DT><A HREF=\"http://d.example/\">12345678901234567890ABCDEFGH12345678901234567890</A>\r\n"
        "    <DT><A HREF=\"javascript:alert(1)\">Script</A>\r\n"
        "    <DT><A HREF=\"place:sort=8\">Query</A>\r\n"
        "    <DT><A HREF=http://e.example/z.exe>Unquoted</A>\r\n"
        "    <DT><H3>Unclosed</H3>\r\n    <DL><p>\r\n"
        "        <DT><A HREF=\"http://f.example/\">Inside</A>\r\n"
        "    <DT><A HREF=\"http://g.example/\">Still inside</A>\r\n"));

    EXPECT_EQ(Build(), QStringList({
        "Navigator Bookmarks/",
        "Navigator Bookmarks/Tools && Things/",
        "Navigator Bookmarks/Tools && Things/Archive <http://a.example/x.zip?a=1&b=2>",
        "Navigator Bookmarks/Tools && Things/Single quoted <ftp://b.example/y.tar>",
        "Navigator Bookmarks/Tools && Things/-",
        "Navigator Bookmarks/Tools && Things/Blank <http://c.example/my>",
        "Navigator Bookmarks/12345678901234567890A...H12345678901234567890 <http://d.example/>",
        "Navigator Bookmarks/Unquoted <http://e.example/z.exe>",
        "Navigator Bookmarks/Unclosed/",
        "Navigator Bookmarks/Unclosed/Inside <http://f.example/>",
        "Navigator Bookmarks/Unclosed/Still inside <http://g.example/>",
    }));
}

TEST_F(BookmarksTest, BadBookmarkFilesNeverStopTheMenu)
{
    // Truncated in the middle of a link, then binary noise, then a missing file.
    SetNavigatorFile(Write(QStringLiteral("cut.htm"), "<DL><p>\n<DT><A HREF=\"http://a.example/\">A</A>\n<DT><A HREF=\"http://b.ex"));
    EXPECT_EQ(Build(), QStringList({"Navigator Bookmarks/", "Navigator Bookmarks/A <http://a.example/>"}));

    QByteArray noise;
    for (int i = 0; i < 100000; ++i)
        noise += char((i * 7919) % 256);
    SetNavigatorFile(Write(QStringLiteral("noise.htm"), noise));
    EXPECT_EQ(Build().value(0), "Navigator Bookmarks/");

    SetNavigatorFile(home.home() + QStringLiteral("missing.htm"));
    EXPECT_EQ(Build(), QStringList());

    // 100 folders deep, each with a link; the deepest link is reached.
    QByteArray deep = "<DL><p>\n";
    for (int i = 0; i < 100; ++i)
        deep += "<DT><H3>F" + QByteArray::number(i) + "</H3>\n<DL><p>\n<DT><A HREF=\"http://x/" + QByteArray::number(i) + "\">L</A>\n";
    SetNavigatorFile(Write(QStringLiteral("deep.htm"), deep));
    const QStringList lines = Build();
    EXPECT_EQ(lines.size(), 1 + 200);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("F99/L <http://x/99>")));

    // 20,000 entries in one folder: parts that fit the screen's height, parts
    // of parts where there are more parts than rows; no menu needs a second
    // column (a "1 - 1000" part used to open 22 columns wide).
    QByteArray many = "<DL><p>\n";
    for (int i = 0; i < 20000; ++i)
        many += "<DT><A HREF=\"http://m.example/" + QByteArray::number(i) + "\">M" + QByteArray::number(i) + "</A>\n";
    SetNavigatorFile(Write(QStringLiteral("many.htm"), many));
    const QStringList all = Build();
    const size_t rows = TBookmarks::RowsThatFit(menu.get());
    ASSERT_LT(rows, size_t(200)); // the test screen is not 200 rows high
    const size_t part = TBookmarks::PartSize(20000, rows);
    EXPECT_EQ(part, rows * rows); // 20,000 needs two levels of parts at this height
    EXPECT_EQ(all.filter(" <http://m.example/").size(), 20000);
    EXPECT_EQ(all.value(1), QStringLiteral("Navigator Bookmarks/1 - %1/").arg(part));
    EXPECT_EQ(all.value(3), QStringLiteral("Navigator Bookmarks/1 - %1/1 - %2/M0 <http://m.example/0>").arg(part).arg(rows));
    EXPECT_TRUE(all.last().endsWith("/M19999 <http://m.example/19999>"));
    std::function<void(QMenu*)> fits = [&](QMenu* m) {
        EXPECT_LE(size_t(m->actions().size()), rows) << qPrintable(m->title());
        for (QAction* a : m->actions())
            if (a->menu())
                fits(a->menu());
    };
    fits(menu.get());
}

TEST_F(BookmarksTest, AFavoritesFolderListsSubFoldersThenShortcuts)
{
    Write(QStringLiteral("Fav/b.URL"), "[InternetShortcut]\r\nURL=http://b.example/\r\n");
    Write(QStringLiteral("Fav/Example.url"), "[InternetShortcut]\nURL=http://example.com/file.zip\n");
    Write(QStringLiteral("Fav/NoAddress.url"), "[InternetShortcut]\n");
    Write(QStringLiteral("Fav/Script.url"), "[InternetShortcut]\nURL=javascript:void(0)\n");
    Write(QStringLiteral("Fav/notes.txt"), "not a shortcut");
    Write(QStringLiteral("Fav/Zeta/Inner.url"), "[InternetShortcut]\nURL=ftp://inner.example/\n");
    Write(QStringLiteral("Fav/.hidden/Secret.url"), "[InternetShortcut]\nURL=http://secret/\n");
    // A link back to the folder itself is read once.
    QFile::link(home.home() + QStringLiteral("Fav"), home.home() + QStringLiteral("Fav/Zeta/Loop"));
    SetValue(RootKey::CurrentUser, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
             QStringLiteral("Favorites"), home.home() + QStringLiteral("Fav"));

    EXPECT_EQ(Build(), QStringList({
        "Favorites/",
        "Favorites/Zeta/",
        "Favorites/Zeta/Loop/",
        "Favorites/Zeta/Inner <ftp://inner.example/>",
        "Favorites/b <http://b.example/>",
        "Favorites/Example <http://example.com/file.zip>",
        "Favorites/NoAddress <N/A>",
    }));
}

TEST_F(BookmarksTest, CommunicatorUsersWithoutABookmarkFileContributeNothing)
{
    const QString users = QStringLiteral("Software\\Netscape\\Netscape Navigator\\Users");
    Write(QStringLiteral("ann/bookmark.htm"), "<DL><p>\n<DT><A HREF=\"http://ann.example/\">Ann's</A>\n</DL>\n");
    SetValue(RootKey::LocalMachine, users + QStringLiteral("\\ann"), QStringLiteral("DirRoot"), home.home() + "ann");
    SetValue(RootKey::LocalMachine, users + QStringLiteral("\\bob"), QStringLiteral("DirRoot"), home.home() + "bob");

    EXPECT_EQ(Build(), QStringList({"Communicator Users Bookmarks/", "Communicator Users Bookmarks/ann/",
                                    "Communicator Users Bookmarks/ann/Ann's <http://ann.example/>"}));
}

} // namespace
} // namespace flk::test
