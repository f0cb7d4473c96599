// The manager window on a real desktop's terms: long names never widen it,
// a full bar never shows one section's files under another's header, and
// the bar tells the eye and screen readers where the user is.

#include "ElidedLabel.h"
#include "LookOutPage.h"
#include "ManagerFixture.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QSplitter>
#include <QToolTip>

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
