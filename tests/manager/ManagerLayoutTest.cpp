// The manager window on a real desktop's terms: long names never widen it,
// a full bar never shows one section's files under another's header, and
// the bar tells the eye and screen readers where the user is.

#include "ElidedLabel.h"
#include "LookOutPage.h"
#include "ManagerFixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QDir>
#include <QHelpEvent>
#include <QSplitter>
#include <QToolTip>
#include <QWheelEvent>

using namespace flk;
using namespace flk::test;

namespace {

class ManagerLayoutTest : public ManagerFixture {};

TEST_F(ManagerLayoutTest, LongNamesAreCutInTheHeadingNeverWideningTheWindow)
{
    const QString longFile = QString(76, QLatin1Char('f')) + ".zip";
    TfrmManager& w = open({longFile});
    w.resize(TfrmManager::kDefaultWidth, TfrmManager::kDefaultHeight);
    ProcessMessages();
    const int navWidth = w.Nav->width();
    w.FEDownloads->SelectFile(longFile);
    w.UpdateInfo();
    ProcessMessages();
    const QString whole = "Games - " + longFile;
    ASSERT_EQ(w.pnlCategory->text(), whole);
    EXPECT_EQ(w.width(), TfrmManager::kDefaultWidth);
    EXPECT_EQ(w.Nav->width(), navWidth) << "the bar keeps its width";

    auto* heading = qobject_cast<TElidedLabel*>(w.pnlCategory);
    ASSERT_NE(heading, nullptr);
    EXPECT_TRUE(heading->Elided());
    EXPECT_TRUE(heading->ShownText().endsWith(QChar(0x2026)));
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(heading);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Description), whole);
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), heading->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(heading, &hover);
    EXPECT_EQ(QToolTip::text(), whole);

    // A folder name near the file system's limit: the window stays as wide.
    const QString longFolder = QString(240, QLatin1Char('g'));
    w.NewButton(longFolder, "Programs", 0, 0);
    w.Nav->Page(0)->Button(4)->Press();
    ProcessMessages();
    EXPECT_EQ(w.pnlCategory->text(), longFolder);
    EXPECT_EQ(w.width(), TfrmManager::kDefaultWidth);
    EXPECT_LE(w.minimumSizeHint().width(), TfrmManager::kDefaultWidth);
}

} // namespace

namespace {

// Thirteen sections in a window made as short as it goes: every header can
// be reached and opening it shows that section's folders and files under it.
TEST_F(ManagerLayoutTest, AFullBarOpensEverySectionItShowsAndNothingElse)
{
    for (int i = 4; i <= 13; ++i) {
        const QString name = QStringLiteral("Section %1").arg(i);
        Catalogue::AddSection(name, home.path() + name + "/");
        Catalogue::AddFolder("Inbox", name, 0, i - 1);
        QDir().mkpath(home.path() + name + "/Inbox");
        WriteAll(home.path() + name + "/Inbox/" + name + ".txt", "x");
    }
    TfrmManager& w = open({});
    w.resize(TfrmManager::kDefaultWidth, 1); // the window's least height
    ProcessMessages();
    ASSERT_EQ(w.Nav->PageCount(), 13);
    EXPECT_GT(w.height(), 1);
    for (int i = 12; i >= 0; --i) {
        TLookOutPage* page = w.Nav->Page(i);
        EXPECT_TRUE(w.Nav->contentsRect().contains(page->geometry().topLeft() + page->HeaderRect().bottomRight()))
            << "header " << i << " out of reach";
        page->Press();
        ProcessMessages();
        EXPECT_EQ(w.Nav->ActivePage(), page) << "page " << i;
        EXPECT_EQ(w.GetClickedPage(), page);
        EXPECT_TRUE(w.FEDownloads->Directory().startsWith(Catalogue::SectionLocation(i + 1)))
            << w.FEDownloads->Directory().toStdString() << " under " << page->Caption().toStdString();
    }
}

} // namespace

namespace {

// The current folder looks selected and says so to screen readers; a folder
// made later sits like the first ones and is scrolled into sight; the wheel
// scrolls the page's buttons.
TEST_F(ManagerLayoutTest, TheBarShowsTheCurrentFolderAndBringsItIntoSight)
{
    TfrmManager& w = open({});
    TLookOutPage* programs = w.Nav->Page(0);
    TLookOutButton* games = programs->Button(1);
    TLookOutButton* utilities = programs->Button(2);
    auto selected = [](TLookOutButton* b) {
        return QAccessible::queryAccessibleInterface(b)->state().selected;
    };
    EXPECT_TRUE(games->Selected());
    EXPECT_TRUE(selected(games));
    EXPECT_FALSE(selected(utilities));
    utilities->Press();
    EXPECT_TRUE(selected(utilities));
    EXPECT_FALSE(selected(games));
    EXPECT_FALSE(games->Selected());

    for (int i = 1; i <= 6; ++i)
        w.NewButton(QStringLiteral("More %1").arg(i), "Programs", 0, 0);
    TLookOutButton* last = programs->Button(programs->ButtonCount() - 1);
    EXPECT_EQ(last->width(), programs->Button(0)->width());
    EXPECT_EQ(last->x(), programs->Button(0)->x()) << "a later button sits where the first ones do";
    // As the new-folder dialog does after creating it.
    w.LookOutButtonMouseDown(last);
    w.CatClick();
    ProcessMessages();
    EXPECT_TRUE(programs->rect().contains(last->geometry())) << "the new folder is in sight";
    EXPECT_GT(programs->ScrollOffset(), 0);

    const int offset = programs->ScrollOffset();
    QWheelEvent up(QPointF(10, 40), programs->mapToGlobal(QPointF(10, 40)), {}, QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(programs, &up);
    EXPECT_EQ(programs->ScrollOffset(), offset - 1);
    QWheelEvent down(QPointF(10, 40), programs->mapToGlobal(QPointF(10, 40)), {}, QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(programs, &down);
    EXPECT_EQ(programs->ScrollOffset(), offset) ;
}

} // namespace

namespace {

// Reordering and moving folders by key and menu; the rename box is where a
// screen reader looks for it; the toolbar's Browser and Scanner by menu.
TEST_F(ManagerLayoutTest, TheKeyboardReordersAndMovesFoldersAndReachesTheRenameBox)
{
    TfrmManager& w = open({"save.dat"});
    TLookOutPage* programs = w.Nav->Page(0);
    ASSERT_EQ(w.GetClickedButton(), programs->Button(1));
    QApplication::setActiveWindow(&w);
    w.FEDownloads->setFocus();
    QTest::keyClick(w.FEDownloads->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(programs->Button(2)->Caption(), "Games");
    EXPECT_EQ(Catalogue::FolderNames("Programs"), QStringList({"Productivity", "Utilities", "Games", "Applications"}));
    EXPECT_EQ(w.GetClickedButton(), programs->Button(2)) << "the folder moved stays current";
    w.mnuMoveFolderUp->trigger();
    w.mnuMoveFolderUp->trigger();
    EXPECT_EQ(Catalogue::FolderNames("Programs"), QStringList({"Games", "Productivity", "Utilities", "Applications"}));
    emit w.mnuEdit->aboutToShow();
    EXPECT_FALSE(w.mnuMoveFolderUp->isEnabled()) << "the first folder goes no higher";
    emit w.mnuEdit->aboutToHide();

    // To another section, as a drop on its page does.
    emit w.mnuMoveFolderTo->aboutToShow();
    QStringList targets;
    for (QAction* a : w.mnuMoveFolderTo->actions())
        targets << a->text();
    ASSERT_EQ(targets, QStringList({"Research", "Internet"}));
    w.mnuMoveFolderTo->actions()[0]->trigger();
    ProcessMessages();
    EXPECT_EQ(Catalogue::FolderNames("Research"), QStringList({"School", "Office", "Home", "Games"}));
    EXPECT_TRUE(QFile::exists(home.path() + "Research/Games/save.dat"));

    // The rename box is a child of the bar's item it renames.
    w.mnuRenCat->trigger();
    ASSERT_TRUE(w.RenameEdit && w.RenameEdit->isVisible());
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(w.RenameEdit.data());
    ASSERT_NE(box, nullptr);
    QAccessibleInterface* holder = box->parent();
    ASSERT_NE(holder, nullptr);
    EXPECT_GE(holder->indexOfChild(box), 0);
    EXPECT_EQ(holder->child(holder->indexOfChild(box))->object(), w.RenameEdit.data());
    EXPECT_EQ(holder->parent()->object(), w.Nav) << "reached from the bar down";
    QTest::keyClick(w.RenameEdit.data(), Qt::Key_Escape);

    // Browser and Scanner without a mouse: the View menu starts what the buttons start.
    Settings::writeString("Toolbar", "BrowserCL", "/usr/bin/true");
    w.mnuLaunchBrowser->trigger();
    ASSERT_FALSE(shell.started.isEmpty());
    EXPECT_EQ(shell.started.last().program, "/usr/bin/true");
}

} // namespace
