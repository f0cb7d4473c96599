// One scan in its window: the verdict by exit status (ClamAV's three, any
// other scanner's zero or not), a scanner that cannot start, the output as
// it comes, and a window that keyboard and screen-reader users can read
// and close.
#include "ScanWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace flk::test {
namespace {

using Verdict = ScannerRun::Verdict;

TEST(ScannerRunTest, ClamAVsStatusesAreItsOwnAndAnyOtherScannerIsCleanOnlyOnZero)
{
    for (const char* clam : {"/usr/bin/clamscan", "clamdscan"}) {
        EXPECT_EQ(ScannerRun::Judge(clam, 0), Verdict::Clean);
        EXPECT_EQ(ScannerRun::Judge(clam, 1), Verdict::Found);
        EXPECT_EQ(ScannerRun::Judge(clam, 2), Verdict::Failed);
    }
    EXPECT_EQ(ScannerRun::Judge("/opt/av/uvscan", 0), Verdict::Clean);
    EXPECT_EQ(ScannerRun::Judge("/opt/av/uvscan", 1), Verdict::NotClean);
    EXPECT_EQ(ScannerRun::Judge("/opt/av/uvscan", 13), Verdict::NotClean);
}

Verdict Ended(TfrmScan* scan)
{
    (void)QTest::qWaitFor([scan] { return scan->Run()->Result() != Verdict::Running; }, 20000);
    return scan->Run()->Result();
}

TEST(ScanWindowTest, TheOutputAndVerdictShowAndTheWindowClosesWithEscape)
{
    // Output on both channels, in two pieces, then a crash of its own.
    auto* scan = new TfrmScan("/bin/sh", {"-c", "echo one; echo two >&2; sleep 0.1; echo three; kill -SEGV $$", "x"},
                              "/srv/file <b>.zip");
    const QPointer<TfrmScan> alive(scan);
    scan->Start();
    EXPECT_TRUE(scan->isVisible());
    EXPECT_EQ(scan->lblVerdict->text(), "Scanning \"/srv/file <b>.zip\"...");
    EXPECT_EQ(Ended(scan), Verdict::Failed);
    EXPECT_EQ(scan->mmoOutput->toPlainText(), "one\ntwo\nthree\n");
    EXPECT_EQ(scan->lblVerdict->text(),
              "The virus scan of \"/srv/file <b>.zip\" did not complete: the scanner stopped unexpectedly.");
    EXPECT_EQ(scan->lblVerdict->textFormat(), Qt::PlainText);
    for (QWidget* w : {static_cast<QWidget*>(scan->lblVerdict), static_cast<QWidget*>(scan->mmoOutput)})
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty());
    EXPECT_TRUE(scan->cmdClose->isDefault());
    QTest::keyClick(scan, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull()) << "closed, it goes";
}

TEST(ScanWindowTest, AScannerThatCannotStartSaysSo)
{
    auto* scan = new TfrmScan("/nonexistent/clamscan", {"/srv/a.zip"}, "/srv/a.zip");
    int finished = 0;
    QObject::connect(scan->Run(), &ScannerRun::Finished, [&finished] { ++finished; });
    scan->Start();
    EXPECT_EQ(Ended(scan), Verdict::Failed);
    EXPECT_TRUE(scan->lblVerdict->text().startsWith(
        "The virus scan of \"/srv/a.zip\" did not complete: the scanner could not be started ("))
        << scan->lblVerdict->text().toStdString();
    QTest::qWait(50);
    EXPECT_EQ(finished, 1);
    delete scan;
}

} // namespace
} // namespace flk::test
