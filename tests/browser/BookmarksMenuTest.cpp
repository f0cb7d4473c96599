// The menu as a whole: the order of its sources, when it is built, and a
// chosen bookmark reaching the download dialog.
#include "BookmarksFixture.h"

#include "Asker.h"
#include "AskerHost.h"
#include "ProgramWindows.h"
#include "RateLimit.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>

namespace flk::test {
namespace {

const QByteArray kOneLink = "<DL><p>\n<DT><A HREF=\"http://one.example/f.zip\">One</A>\n</DL>\n";

TEST_F(BookmarksTest, SourcesComeInTheirOrderAndOnlyWhileEnabled)
{
    SetValue(RootKey::CurrentUser, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
             QStringLiteral("Favorites"), QFileInfo(Write(QStringLiteral("Fav/One.url"), "[InternetShortcut]\nURL=http://one/\n")).path());
    SetNavigatorFile(Write(QStringLiteral("nav.htm"), kOneLink));
    SetValue(RootKey::LocalMachine, QStringLiteral("Software\\Netscape\\Netscape Navigator\\Users\\ann"),
             QStringLiteral("DirRoot"), QFileInfo(Write(QStringLiteral("ann/bookmark.htm"), kOneLink)).path());
    Write(QStringLiteral(".mozilla/firefox/profiles.ini"), "[Profile0]\nName=none\nPath=missing\n");
    const QByteArray json = R"J({"roots":{"bookmark_bar":{"name":"Bar","children":[{"type":"url","name":"C","url":"http://c/"}]}}})J";
    Write(QStringLiteral(".config/chromium/Default/Bookmarks"), json);
    Write(QStringLiteral(".config/google-chrome/Default/Bookmarks"), json);
    menu = std::make_unique<QMenu>();
    bookmarks.setMenu(menu.get());
    EXPECT_TRUE(menu->actions().isEmpty()); // not enabled yet
    bookmarks.setEnabled(true);
    QStringList top;
    for (QAction* a : menu->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"Favorites", "Navigator Bookmarks", "Communicator Users Bookmarks",
                                "Firefox Bookmarks", "Chromium Bookmarks", "Google Chrome Bookmarks"}));
    // Folder and source items carry no hint.
    for (QAction* a : menu->actions())
        EXPECT_TRUE(a->statusTip().isEmpty());

    // A rebuild replaces the items; disabling keeps them.
    QFile::remove(home.home() + QStringLiteral("nav.htm"));
    bookmarks.setEnabled(false);
    EXPECT_EQ(menu->actions().size(), 6);
    bookmarks.setEnabled(true);
    EXPECT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 5);
}

TEST_F(BookmarksTest, ChoosingABookmarkPutsItsAddressIntoTheDialogsSourceBox)
{
    Write(QStringLiteral("nav.htm"), kOneLink);
    SetNavigatorFile(home.home() + QStringLiteral("nav.htm"));
    auto* asker = new TfrmAsker;
    asker->SourceUrl = QStringLiteral("http://start.example/a.bin");
    asker->edtSource->setEditText(asker->SourceUrl);
    asker->show();
    QApplication::setActiveWindow(asker);

    asker->cmdBookMarks->click();
    QMenu* web = asker->Bookmarks1->menu();
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(Lines(web), QStringList({"Navigator Bookmarks/", "Navigator Bookmarks/One <http://one.example/f.zip>"}));
    asker->pmBookMarks->hide();
    QAction* one = web->actions().value(0)->menu()->actions().value(0);
    ASSERT_NE(one, nullptr);
    one->trigger();

    EXPECT_EQ(asker->edtSource->currentText(), "http://one.example/f.zip");
    EXPECT_TRUE(asker->edtSource->hasFocus());
    // The bookmark is what gets downloaded.
    EXPECT_EQ(asker->SourceUrl, "http://one.example/f.zip");
    EXPECT_EQ(asker->RemoteFileName, "f.zip");
    // A second click keeps the dialog's menu.
    asker->cmdBookMarks->click();
    EXPECT_EQ(asker->Bookmarks1->menu(), web);
    asker->pmBookMarks->hide();
    delete asker;
}

} // namespace
} // namespace flk::test
