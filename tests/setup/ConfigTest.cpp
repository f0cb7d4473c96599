#include "Config.h"
#include "ConnectionSpeedBox.h"

#include "Autostart.h"
#include "ConfigWizard.h"
#include "ProgramTree.h"
#include "ProgramWindows.h"
#include "Progress.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "TempHome.h"
#include "TopLevel.h"
#include "preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace flk;
using namespace flk::test;

namespace {

const QString kGap(38, ' ');

class ConfigTest : public ::testing::Test {
protected:
    // A wizard shown over the prepared tree.
    std::unique_ptr<TfrmConfig> open()
    {
        auto frm = std::make_unique<TfrmConfig>();
        frm->SearchRoot = tree.root();
        frm->show();
        return frm;
    }
    // Shows the wizard and moves on to the browser page, which searches.
    std::unique_ptr<TfrmConfig> searched()
    {
        auto frm = open();
        frm->EPWizard1->cmdNext->click();
        return frm;
    }
    static QStringList items(QComboBox* box)
    {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }
    static void choose(TfrmConfig& frm, int scanner)
    {
        frm.cbScanner->setCurrentIndex(scanner);
        frm.cbScannerChange();
    }
    QByteArray settings() const { return ReadAll(Settings::FileName()); }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    ProgramTree tree;
};

} // namespace

TEST_F(ConfigTest, PagesControlsAndDefaults)
{
    auto frm = open();
    EXPECT_EQ(frm->windowTitle(), "Fetchlark Configuration Wizard");
    QStringList titles;
    for (int i = 0; i < frm->EPWizard1->PageCount(); ++i)
        titles << frm->EPWizard1->Page(i)->Title();
    EXPECT_EQ(titles, QStringList({"Welcome to Fetchlark", "Browser Setup", "Virus Scanner Setup",
                                   "Miscellaneous Options", "Type of Internet Connection"}));
    EXPECT_EQ(frm->EPWizard1->ActivePage(), frm->EPWizardPage1);
    EXPECT_FALSE(frm->EPWizard1->cmdBack->isEnabled());
    EXPECT_TRUE(frm->EPWizard1->cmdNext->isDefault());
    EXPECT_FALSE(frm->EPWizard1->cmdFinish->isEnabled());
    EXPECT_FALSE(frm->EPWizardPage3->Image->pixmap().isNull()) << "every page shows the picture";

    for (QCheckBox* browser : {frm->optNetscape, frm->optIE}) {
        EXPECT_FALSE(browser->isEnabled());
        EXPECT_FALSE(browser->isChecked());
    }
    EXPECT_EQ(frm->optNetscape->text(), "&Firefox");
    EXPECT_EQ(frm->edtNSLoc->text(), "Not Found");
    EXPECT_EQ(frm->edtIELoc->text(), "Not Found");
    EXPECT_TRUE(frm->edtIELoc->isReadOnly());
    EXPECT_FALSE(frm->cbAutoScan->isEnabled());
    EXPECT_TRUE(frm->edtScanLine->isHidden());
    EXPECT_TRUE(frm->cmdsBrowse->isHidden());

    EXPECT_EQ(items(frm->cbOpenWhen), QStringList({"I'll open them manually", "Open them automatically"}));
    EXPECT_EQ(frm->cbOpenWhen->currentIndex(), 0);
    EXPECT_TRUE(frm->cbAutoStart->isChecked());

    EXPECT_TRUE(frm->SpeedBox->optModem->isChecked());
    EXPECT_EQ(frm->SpeedBox->cbModem->currentText(), "28.8 kbps");
    EXPECT_EQ(frm->SpeedBox->cbT1->currentText(), "128 kbps");
    EXPECT_FALSE(frm->SpeedBox->cbT1->isEnabled());
    EXPECT_FALSE(frm->SpeedBox->edtOther->isEnabled());
    EXPECT_TRUE(frm->SpeedBox->optkbps->isChecked());
    EXPECT_FALSE(frm->SpeedBox->optmbps->isEnabled());

    frm->SpeedBox->optOther->click();
    EXPECT_FALSE(frm->SpeedBox->cbModem->isEnabled());
    EXPECT_TRUE(frm->SpeedBox->edtOther->isEnabled());
    EXPECT_TRUE(frm->SpeedBox->optmbps->isEnabled());
    frm->SpeedBox->optT1->click();
    EXPECT_TRUE(frm->SpeedBox->cbT1->isEnabled());
    EXPECT_FALSE(frm->SpeedBox->edtOther->isEnabled());
}

TEST_F(ConfigTest, ScannerListForNoneOneAndThreeScannersFound)
{
    auto none = searched();
    EXPECT_EQ(items(none->cbScanner), QStringList({TfrmConfig::kNoScanner, TfrmConfig::kOwnScanner}));
    EXPECT_EQ(none->cbScanner->currentIndex(), 1);
    EXPECT_EQ(none->edtPath->text(), TfrmConfig::kOwnScanner) << "an entry without a path is copied whole";
    EXPECT_EQ(none->edtNSLoc->text(), "Not Found");
    for (TfrmProgress* progress : TopLevel<TfrmProgress>())
        EXPECT_FALSE(progress->isVisible()) << "the search window closes when the search is done";
    none.reset();

    const QString clamscan = tree.program("usr/bin/clamscan");
    auto one = searched();
    EXPECT_EQ(items(one->cbScanner), QStringList({TfrmConfig::kNoScanner, TfrmConfig::kOwnScanner,
                                                 "ClamAV for Linux - clamscan" + kGap + clamscan}));
    EXPECT_EQ(one->cbScanner->currentIndex(), 2);
    EXPECT_EQ(one->edtPath->text(), clamscan);
    EXPECT_TRUE(one->cbAutoScan->isEnabled());
    one.reset();

    const QString uvscan = tree.program("opt/mcafee/uvscan");
    const QString clamdscan = tree.program("usr/sbin/clamdscan");
    auto three = searched();
    EXPECT_EQ(items(three->cbScanner).mid(2),
              QStringList({"ClamAV for Linux - clamscan" + kGap + clamscan,
                           "ClamAV daemon for Linux - clamdscan" + kGap + clamdscan,
                           "McAfee VirusScan for Linux - uvscan" + kGap + uvscan}));
    EXPECT_EQ(three->edtPath->text(), clamscan);
}

TEST_F(ConfigTest, FoundBrowsersFillTheirRowsAndTheSearchRunsOnce)
{
    const QString firefox = tree.program("usr/bin/firefox-esr");
    const QString chrome = tree.program("opt/google/chrome/google-chrome");
    const QString chromium = tree.program("usr/bin/chromium");
    auto frm = searched();
    EXPECT_TRUE(frm->optNetscape->isEnabled() && frm->optNetscape->isChecked());
    EXPECT_EQ(frm->edtNSLoc->text(), firefox);
    EXPECT_TRUE(frm->optIE->isChecked());
    EXPECT_EQ(frm->edtIELoc->text(), chromium) << "Chromium comes after Chrome in the table";
    EXPECT_NE(chrome, chromium);

    tree.program("usr/bin/clamscan");
    frm->EPWizard1->cmdBack->click();
    frm->EPWizard1->cmdNext->click();
    EXPECT_EQ(frm->cbScanner->count(), 2) << "no second search";
}

TEST_F(ConfigTest, ScannerChoiceShowsAndEnablesPerIndex)
{
    tree.program("usr/bin/clamscan");
    auto frm = searched();

    choose(*frm, 0);
    EXPECT_TRUE(frm->edtPath->isHidden());
    EXPECT_TRUE(frm->lblScanner->isHidden());
    EXPECT_TRUE(frm->pnlvOptions->isHidden());
    EXPECT_FALSE(frm->cbAutoScan->isEnabled());

    choose(*frm, 1);
    EXPECT_FALSE(frm->lblScanner->isHidden());
    EXPECT_FALSE(frm->edtScanLine->isHidden());
    EXPECT_FALSE(frm->cmdsBrowse->isHidden());
    EXPECT_TRUE(frm->edtPath->isHidden());
    EXPECT_TRUE(frm->lblPath->isHidden());
    EXPECT_FALSE(frm->pnlvOptions->isHidden());
    EXPECT_FALSE(frm->cbAutoScan->isEnabled()) << "no scanner chosen yet";

    choose(*frm, 2);
    EXPECT_TRUE(frm->cmdsBrowse->isHidden());
    EXPECT_FALSE(frm->edtPath->isHidden());
    EXPECT_EQ(frm->edtPath->text(), tree.root() + "usr/bin/clamscan");
    EXPECT_TRUE(frm->cbAutoScan->isEnabled());
}

TEST_F(ConfigTest, BrowseTakesOnlyAProgram)
{
    auto frm = searched();
    choose(*frm, 1);
    dialogs.answerFile(tree.program("notes.txt", false));
    frm->cmdsBrowse->click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains("is not a program"));
    EXPECT_EQ(frm->edtScanLine->text(), "");
    EXPECT_FALSE(frm->cbAutoScan->isEnabled());

    const QString scanner = tree.program("home/me/bin/myscan");
    dialogs.answerFile(scanner);
    frm->cmdsBrowse->click();
    EXPECT_EQ(frm->edtScanLine->text(), scanner);
    EXPECT_TRUE(frm->cbAutoScan->isEnabled());

    const QString firefox = tree.program("opt/firefox/firefox");
    dialogs.answerFile(firefox);
    frm->cmdChangeNS->click();
    EXPECT_EQ(frm->edtNSLoc->text(), firefox);
    EXPECT_TRUE(frm->optNetscape->isEnabled() && frm->optNetscape->isChecked());
}

TEST_F(ConfigTest, FinishWithNothingFoundWritesTheChoicesOnly)
{
    auto frm = searched();
    ASSERT_TRUE(frm->cbAutoScan->isEnabled()) << "the fixed entry's text counts as a path";
    frm->cbAutoScan->setChecked(true); // but there is no scanner to scan with
    frm->EPWizard1->SetActivePage(4);
    frm->EPWizard1->cmdFinish->click();
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(frm->result(), QDialog::Accepted);
    const QByteArray ini = settings();
    for (const char* absent : {"IEPath", "NSPath", "BrowserCL", "CommandLine", "VirusCL", "Parameters"})
        EXPECT_FALSE(ini.contains(absent)) << absent;
    EXPECT_FALSE(Settings::DetectIE());
    EXPECT_FALSE(Settings::DetectNS());
    EXPECT_FALSE(Settings::ScanWhenDone());
    EXPECT_EQ(Settings::Speed(), 28800);
    EXPECT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened.value(0).endsWith("#Getting_Started_For_The_First_Time"));
}

TEST_F(ConfigTest, FinishWritesEveryAnswerInOrder)
{
    const QString chromium = tree.program("usr/bin/chromium");
    const QString firefox = tree.program("usr/bin/firefox");
    const QString clamscan = tree.program("usr/bin/clamscan");
    auto frm = searched();
    frm->optIE->setChecked(false); // found, but not wanted for the hand-off
    frm->edtParameters->setText("--infected");
    frm->cbAutoScan->setChecked(true);
    frm->cbOpenWhen->setCurrentIndex(1);
    frm->cbAutoStart->setChecked(false);
    frm->SpeedBox->optT1->click();
    frm->SpeedBox->cbT1->setCurrentIndex(4);
    frm->EPWizard1FinishClick();

    EXPECT_EQ(settings().toStdString(), QString("[Main]\nIEPath=%1\nNSPath=%2\n"
                                  "[ToolBar]\nBrowserCL=%2\nBrowser=1\nVirusCL=%3\nVirus=1\n"
                                  "[General]\nDetectIE=0\nDetectNS=1\nAutoStart=0\n"
                                  "[VirusScanner]\nCommandLine=%3\nParameters=--infected\nScanWhenDone=1\n"
                                  "[Download]\nOpenWhen=1\nSpeed=1500000\n")
                              .arg(chromium, firefox, clamscan).toStdString());
}

TEST_F(ConfigTest, OtherSpeedInKbpsOrMbpsAndRefusedWhenNotANumber)
{
    auto frm = searched();
    frm->SpeedBox->optOther->click();
    frm->SpeedBox->edtOther->setText("fast");
    frm->EPWizard1FinishClick();
    EXPECT_EQ(dialogs.texts(), QStringList{"Please specify a valid numeric value."});
    EXPECT_TRUE(frm->isVisible());
    EXPECT_TRUE(settings().isEmpty()) << "nothing written";

    frm->SpeedBox->edtOther->setText("0");
    frm->EPWizard1FinishClick();
    EXPECT_EQ(dialogs.boxes().size(), 2) << "a speed of 0 would divide the statistics";

    frm->SpeedBox->edtOther->setText("1.5");
    frm->SpeedBox->optmbps->click();
    frm->EPWizard1FinishClick();
    EXPECT_EQ(Settings::Speed(), 1500000);

    auto kbps = searched();
    kbps->SpeedBox->optOther->click();
    kbps->SpeedBox->edtOther->setText("57.6");
    kbps->EPWizard1FinishClick();
    EXPECT_EQ(Settings::Speed(), 57600);
}

// Enter always presses the focused or default button: on the last page the
// focus that Next had must go to Finish, not fall through to Cancel.
TEST_F(ConfigTest, EnterOnEveryPageWalksThroughAndFinishes)
{
    auto frm = open();
    QApplication::setActiveWindow(frm.get());
    frm->EPWizard1->cmdNext->setFocus();
    for (int page = 0; page < 5 && frm->isVisible(); ++page) {
        QWidget* focused = frm->focusWidget();
        ASSERT_NE(focused, nullptr) << "page " << page;
        QTest::keyClick(focused, Qt::Key_Return);
    }
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << "Enter asked: " << dialogs.boxes().value(0).caption.toStdString();
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(frm->result(), QDialog::Accepted);
    EXPECT_EQ(Settings::Speed(), 28800);
}

// Moving on with the mouse gives Next the focus; on the last page the user
// then types a speed and presses Enter, which must finish, not press the grey Next.
TEST_F(ConfigTest, EnterAfterTypingASpeedOnTheLastPageFinishes)
{
    auto frm = open();
    for (int page = 0; page < 4; ++page) {
        QApplication::setActiveWindow(frm.get()); // the search's progress window had it
        QTest::mouseClick(frm->EPWizard1->cmdNext, Qt::LeftButton);
    }
    ASSERT_EQ(frm->EPWizard1->ActivePage(), frm->EPWizardPage5);
    ASSERT_TRUE(frm->EPWizard1->cmdFinish->hasFocus());
    QTest::mouseClick(frm->SpeedBox->optOther, Qt::LeftButton);
    QTest::mouseClick(frm->SpeedBox->edtOther, Qt::LeftButton);
    ASSERT_TRUE(frm->SpeedBox->edtOther->hasFocus());
    QTest::keyClicks(frm->SpeedBox->edtOther, "640");
    QTest::keyClick(frm->SpeedBox->edtOther, Qt::Key_Return);
    EXPECT_FALSE(frm->isVisible()) << "Enter did nothing";
    EXPECT_EQ(frm->result(), QDialog::Accepted);
    EXPECT_EQ(Settings::Speed(), 640000);
}

TEST_F(ConfigTest, CancelAsksAndWritesNothing)
{
    auto frm = searched();
    dialogs.answer(IDNO);
    frm->EPWizard1->cmdCancel->click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes().first().caption, "Confirm Exit");
    EXPECT_EQ(dialogs.boxes().first().text,
              "The Configuration Wizard has not finshed setting up Fetchlark.  If you quit, some functions in "
              "Fetchlark may not operate correctly.  Are you sure you want to exit?");
    EXPECT_EQ(dialogs.boxes().first().buttons, MB_YESNO);
    EXPECT_TRUE(frm->isVisible());

    dialogs.answer(IDYES);
    QTest::keyClick(frm.get(), Qt::Key_Escape); // Escape asks the same
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(frm->result(), QDialog::Rejected);
    EXPECT_TRUE(settings().isEmpty());
    EXPECT_EQ(shell.opened.size(), 1);
}

TEST_F(ConfigTest, EveryConnectionChoiceHasANameOfItsOwn)
{
    TfrmConfig frm;
    QStringList names;
    for (QRadioButton* b : frm.EPWizardPage5->findChildren<QRadioButton*>())
        names << QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name).trimmed();
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size()) << names.join(" | ").toStdString();
}

TEST_F(ConfigTest, F1OpensTheHelp)
{
    auto frm = searched();
    QTest::keyClick(frm->edtParameters, Qt::Key_F1);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened.first().endsWith("flk.html"));
}

TEST_F(ConfigTest, StartingAtLoginMakesTheEntryThroughTheOptionsWindowOrRemovesIt)
{
    TfrmPreferences frmPreferences;
    ProgramWindows windows{&frmPreferences};
    auto frm = searched();
    frm->EPWizard1FinishClick();
    EXPECT_TRUE(QFileInfo::exists(Autostart::EntryPath()));
    EXPECT_TRUE(frmPreferences.cbAutoStart->isChecked());
    EXPECT_TRUE(settings().contains("AutoStart=1"));

    auto again = searched();
    again->cbAutoStart->setChecked(false);
    again->EPWizard1FinishClick();
    EXPECT_FALSE(QFileInfo::exists(Autostart::EntryPath()));
    EXPECT_TRUE(settings().contains("AutoStart=0"));
}
