// The manager window's toolbar over a real settings file: its buttons and
// their order, which are shown and how they are separated, labels and the
// four edges with their sizes, the stored choices and their re-application,
// the launchers, and what the options' OK does to it.

#include "Catalogue.h"
#include "FolderList.h"
#include "LookOut.h"
#include "Manager.h"
#include "ManagerHost.h"
#include "ProgramWindows.h"
#include "RecordingShell.h"
#include "ScanWindow.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "TempHome.h"
#include "TopLevel.h"
#include "QtPrint.h"
#include "preferences.h"

#include <QLayout>
#include <QLabel>
#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace flk;
using namespace flk::test;

namespace {

class ToolBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Catalogue::BuildDefaultCatalogue();
        Settings::SetFirstRun(false);
        Settings::SetSpeed(28800);
    }
    // The window as the user first sees it: created, then shown.
    TfrmManager& shown()
    {
        if (!m)
            m = std::make_unique<TfrmManager>();
        windows.Add(m.get());
        m->show();
        return *m;
    }
    QWidget* button(QAction* a) const { return m->ToolBar1->widgetForAction(a); }
    // Every shown button lies whole across the bar (nothing cut at its edge).
    bool buttonsFit() const
    {
        m->layout()->activate();
        m->ToolBar1->layout()->activate();
        const bool vertical = m->ToolBarEdge() == Qt::LeftToolBarArea || m->ToolBarEdge() == Qt::RightToolBarArea;
        for (QAction* a : m->ToolBar1->actions()) {
            const QWidget* w = button(a);
            if (!w || !a->isVisible() || a->isSeparator())
                continue;
            const QRect g = w->geometry();
            if (vertical ? g.left() < 0 || g.right() >= m->ToolBar1->width() : g.top() < 0 || g.bottom() >= m->ToolBar1->height())
                return false;
        }
        return true;
    }
    QStringList visible() const
    {
        QStringList names;
        for (QAction* a : m->ToolBar1->actions())
            if (a->isVisible())
                names << (a->isSeparator() ? (a == m->s2 ? "s2" : "s3") : a->text());
        return names;
    }
    void only(std::initializer_list<const char*> keys)
    {
        for (const char* key : {"New", "Delete", "Props", "Style", "Report", "Browser", "Virus", "Options", "Help"})
            Settings::writeBool("ToolBar", key, false);
        for (const char* key : keys)
            Settings::writeBool("ToolBar", key, true);
    }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    TfrmPreferences preferences;
    ProgramWindows windows{&preferences};
    std::unique_ptr<TfrmManager> m;
};

} // namespace

TEST_F(ToolBarTest, FreshSettingsShowSevenLabelledButtonsAtTheTop)
{
    shown();
    QStringList all, hints;
    for (QAction* a : m->ToolBar1->actions()) {
        all << (a->isSeparator() ? "-" : a->text());
        if (!a->isSeparator())
            hints << a->toolTip();
    }
    EXPECT_EQ(all, QStringList({"New", "Delete", "File Info", "View Style", "Report", "-", "Browser", "Scanner", "-",
                                "Options", "Help"}));
    EXPECT_EQ(hints, QStringList({"Create a new section or folder", "Delete a section or folder",
                                  "Get selected file's properties", "Change file view style",
                                  "Print or save download folder information", "Launch your web browser",
                                  "Launch your virus scanner", "View or modify options and preferences", "Get help"}));
    EXPECT_EQ(visible(), QStringList({"New", "Delete", "File Info", "View Style", "Report", "s2", "Options", "Help"}));
    EXPECT_TRUE(m->ToolBarShown());
    EXPECT_EQ(m->ToolBarEdge(), Qt::TopToolBarArea);
    EXPECT_GE(m->ToolBar1->height(), 39) << "or higher where its margins need it";
    EXPECT_TRUE(buttonsFit());
    EXPECT_EQ(m->ToolButtonSize(), QSize(56, 36));
    EXPECT_EQ(button(m->s2)->width(), 8);
    EXPECT_EQ(m->ToolBar1->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_TRUE(m->mnuShowLabels->isChecked());
    EXPECT_TRUE(m->mnuTop->isChecked());

    // Both image lists hold the nine pictures; at rest and under the pointer differ.
    ASSERT_EQ(m->ilDisabledTool.size(), 9);
    ASSERT_EQ(m->ilActiveTool.size(), 9);
    const QIcon icon = m->tbOptions->icon();
    EXPECT_NE(icon.pixmap(20, QIcon::Normal).toImage(), icon.pixmap(20, QIcon::Active).toImage());
    EXPECT_NE(m->ilDisabledTool[2].pixmap(32).toImage(), m->ilDisabledTool[4].pixmap(32).toImage());

    QStringList drops;
    for (QAction* a : m->pmNew->actions() + m->pmDelete->actions() + m->pmViewStyle->actions() + m->pmPrint->actions())
        drops << a->text();
    EXPECT_EQ(drops, QStringList({"New &Section", "New &Folder", "Delete &Section", "&Delete Folder", "&Large Icons",
                                  "&Small Icons", "&List", "&Details", "&Print a Report", "&Save a Report"}));
    QStringList bar;
    for (QAction* a : m->pmToolBar->actions())
        bar << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(bar, QStringList({"&Buttons...", "-", "Align...", "-", "Text Labels"}));
}

TEST_F(ToolBarTest, SeparatorsStandOnlyBetweenGroupsThatAreBothShown)
{
    const struct {
        std::initializer_list<const char*> keys;
        QStringList shown;
    } cases[] = {
        {{"New"}, {"New"}},
        {{"Report", "Options"}, {"Report", "s2", "Options"}},
        {{"Delete", "Browser"}, {"Delete", "s2", "Browser"}},
        {{"Virus", "Help"}, {"Scanner", "s3", "Help"}},
        {{"Props", "Browser", "Virus", "Options"}, {"File Info", "s2", "Browser", "Scanner", "s3", "Options"}},
    };
    for (const auto& c : cases) {
        only(c.keys);
        shown();
        EXPECT_EQ(visible(), c.shown);
        EXPECT_TRUE(m->ToolBarShown());
        m->hide();
    }
    only({});
    shown();
    EXPECT_FALSE(m->ToolBarShown());
}

TEST_F(ToolBarTest, AVerticalBarIsAsWideAsTheWidestVisibleCaption)
{
    const struct {
        std::initializer_list<const char*> keys;
        int width;
    } cases[] = {
        {{"New"}, 29},       {{"Help", "New"}, 29}, {{"New", "Delete", "Report"}, 39}, {{"Help", "Browser"}, 45},
        {{"Virus", "Options"}, 47}, {{"Style", "New"}, 56},
    };
    for (const auto& c : cases) {
        only(c.keys);
        Settings::SetToolAlign(1);
        shown();
        EXPECT_EQ(m->ToolBarEdge(), Qt::LeftToolBarArea);
        EXPECT_EQ(m->GetProperWidth(), c.width);
        EXPECT_GE(m->ToolBar1->width(), c.width) << "or wider where the font needs it";
        m->hide();
    }
}

TEST_F(ToolBarTest, LabelsAndEdgesSizeTheBarAndAreStoredAtOnce)
{
    shown();
    m->mnuShowLabels->trigger(); // off at the top
    EXPECT_GE(m->ToolBar1->height(), 29);
    EXPECT_EQ(m->ToolButtonSize(), QSize(30, 26));
    EXPECT_TRUE(buttonsFit()) << "26-pixel buttons in a bar with margins";
    EXPECT_EQ(m->ToolBar1->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(Settings::readString("Main", "ShowToolLabels", ""), "0");

    m->mnuLeft->trigger();
    EXPECT_EQ(m->ToolBarEdge(), Qt::LeftToolBarArea);
    EXPECT_GE(m->ToolBar1->width(), 30);
    EXPECT_TRUE(buttonsFit()) << "a menu's arrow needs more than the icon";
    EXPECT_EQ(Settings::ToolAlign(), 1);
    m->mnuShowLabels->trigger(); // on at the left
    EXPECT_EQ(m->GetProperWidth(), 56);
    EXPECT_GE(m->ToolBar1->width(), 56);
    EXPECT_EQ(m->ToolButtonSize().height(), 36);
    EXPECT_TRUE(m->mnuShowLabels->isChecked());
    EXPECT_EQ(Settings::readString("Main", "ShowToolLabels", ""), "1");
    EXPECT_TRUE(buttonsFit());
    m->mnuShowLabels->trigger(); // off at the left
    EXPECT_GE(m->ToolBar1->width(), 32);
    EXPECT_GE(m->ToolButtonSize().width(), 32);
    EXPECT_EQ(m->ToolButtonSize().height(), 26);
    EXPECT_TRUE(buttonsFit());

    m->mnuRight->trigger();
    EXPECT_EQ(m->ToolBarEdge(), Qt::RightToolBarArea);
    EXPECT_TRUE(m->mnuRight->isChecked());
    EXPECT_FALSE(m->mnuLeft->isChecked());
    EXPECT_EQ(Settings::ToolAlign(), 2);
    EXPECT_TRUE(buttonsFit());
    m->mnuBottom->trigger();
    EXPECT_EQ(m->ToolBarEdge(), Qt::BottomToolBarArea);
    EXPECT_GE(m->ToolBar1->height(), 26);
    EXPECT_TRUE(buttonsFit());
    EXPECT_EQ(button(m->s2)->width(), 8);
    EXPECT_EQ(Settings::ToolAlign(), 4);
    EXPECT_EQ(Settings::readString("Main", "ShowToolLabels", ""), "0");
    m->mnuTop->trigger();
    EXPECT_EQ(m->ToolBarEdge(), Qt::TopToolBarArea);
    EXPECT_EQ(Settings::ToolAlign(), 3);
}

TEST_F(ToolBarTest, StoredChoicesComeBackAtEveryShowingAndUnknownEdgesKeepTheTop)
{
    Settings::SetToolAlign(2);
    Settings::SetShowToolLabels(false);
    shown();
    EXPECT_EQ(m->ToolBarEdge(), Qt::RightToolBarArea);
    EXPECT_GE(m->ToolBar1->width(), 30);
    EXPECT_TRUE(buttonsFit());
    EXPECT_FALSE(m->mnuShowLabels->isChecked());
    m->hide();
    shown(); // a second showing keeps the labels off
    EXPECT_FALSE(m->mnuShowLabels->isChecked());
    EXPECT_EQ(Settings::readString("Main", "ShowToolLabels", ""), "0");
    m->hide();

    Settings::SetToolAlign(7);
    m.reset();
    shown();
    EXPECT_EQ(m->ToolBarEdge(), Qt::TopToolBarArea);
    EXPECT_EQ(Settings::ToolAlign(), 7);
}

TEST_F(ToolBarTest, LaunchersStartTheirProgramWithoutAShellOrSayWhyNot)
{
    const QString browser = home.path() + "My Browser/browse";
    QDir().mkpath(home.path() + "My Browser");
    WriteAll(browser, "#!/bin/sh\n");
    QFile::setPermissions(browser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Settings::SetBrowserCL(browser);
    // The scanner's command line keeps its own words; what is scanned comes last.
    const QString scanner = home.path() + "Scanner/scan";
    QDir().mkpath(home.path() + "Scanner");
    WriteAll(scanner, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args\"\necho \"$HOME\"\n");
    QFile::setPermissions(scanner, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Settings::SetVirusCL(scanner + " \"--log=$HOME; rm -rf /tmp/x\"");
    shown();
    m->Nav->Page(0)->Button(0)->Press();
    const QString folder = m->FEDownloads->Directory();
    ASSERT_FALSE(folder.isEmpty());
    WriteAll(folder + "a b.zip", "a");
    m->FEDownloads->Refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m->FEDownloads->FileNames().contains("a b.zip"); }, 5000));
    auto scanned = [&] {
        (void)QTest::qWaitFor([] { return !TopLevel<TfrmScan>().isEmpty()
                                    && TopLevel<TfrmScan>()[0]->Run()->Result() != ScannerRun::Verdict::Running; },
                        20000);
        const QList<TfrmScan*> scans = TopLevel<TfrmScan>();
        const QString shown = scans.size() == 1 ? scans[0]->lblVerdict->text() : QString();
        DeleteTopLevel<TfrmScan>();
        return std::pair{QString::fromUtf8(ReadAll(scanner + ".args")).split('\n', Qt::SkipEmptyParts), shown};
    };

    m->tbBrowser->trigger();
    m->tbScanner->trigger();
    ASSERT_EQ(shell.started.size(), 1);
    EXPECT_EQ(shell.started[0].program, browser);
    EXPECT_TRUE(shell.started[0].arguments.isEmpty());
    const QString folderPath = folder.chopped(1);
    EXPECT_EQ(scanned(), std::pair(QStringList({"--log=$HOME; rm -rf /tmp/x", folderPath}),
                                   "No virus was found in \"" + folderPath + "\"."))
        << "nothing selected: the folder shown";
    m->FEDownloads->SelectFiles({"a b.zip"});
    m->tbScanner->trigger();
    EXPECT_EQ(scanned().first, QStringList({"--log=$HOME; rm -rf /tmp/x", folder + "a b.zip"})) << "the one selected file";
    EXPECT_TRUE(dialogs.boxes().isEmpty());

    Settings::SetBrowserCL(home.path() + "gone/firefox");
    Settings::SetVirusCL("");
    m->tbBrowser->trigger();
    m->tbScanner->trigger();
    EXPECT_EQ(shell.started.size(), 1);
    EXPECT_TRUE(TopLevel<TfrmScan>().isEmpty());
    EXPECT_EQ(dialogs.texts(),
              QStringList({"The web browser \"" + home.path() + "gone/firefox\" cannot be found or is not a program.",
                           "No virus scanner is set for this button. Choose one under Options, Toolbar."}));
}

TEST_F(ToolBarTest, TabReachesEveryShownButtonAndSpacePressesIt)
{
    only({"New", "Delete", "Props", "Style", "Report", "Browser", "Virus", "Options", "Help"});
    shown();
    m->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == m.get(); }));
    // Every shown button is in the Tab chain under its caption.
    QStringList chain;
    QWidget* w = m.get();
    do {
        w = w->nextInFocusChain();
        if (auto* b = qobject_cast<QToolButton*>(w); b && b->parentWidget() == m->ToolBar1 && b->isVisible()
                                                      && (b->focusPolicy() & Qt::TabFocus))
            chain << b->accessibleName();
    } while (w != m.get());
    EXPECT_EQ(chain, QStringList({"New", "Delete", "File Info", "View Style", "Report", "Browser", "Scanner", "Options",
                                  "Help"}));

    // Tab walks from one button to the next; Space presses it.
    button(m->tbReport)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), button(m->tbBrowser));
    Settings::SetBrowserCL("/bin/true");
    QTest::keyClick(button(m->tbBrowser), Qt::Key_Space);
    ASSERT_EQ(shell.started.size(), 1);
    EXPECT_EQ(shell.started[0].program, "/bin/true");
    // A click on a button leaves the focus where it was.
    m->FEDownloads->View()->setFocus();
    QTest::mouseClick(button(m->tbHelp), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(m->FEDownloads->View()));
}

// At twice the scale the pictures come from their 64-pixel images, not
// enlarged; on a dark desktop the grey pictures at rest turn light.
TEST_F(ToolBarTest, PicturesAreSharpAtTwiceTheScaleAndShowOnADarkDesktop)
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    shown();
    QApplication::setPalette(light);
    for (QAction* a : {m->tbNew, m->tbStyle, m->tbHelp})
        EXPECT_TRUE(a->icon().availableSizes(QIcon::Normal).contains(QSize(64, 64))) << qPrintable(a->text());
    ASSERT_FALSE(m->ilIcons.isEmpty());
    EXPECT_TRUE(m->ilIcons[0].availableSizes().contains(QSize(64, 64))) << "the folder icons too";
    // The strongest pixel of a picture at rest is the light text colour; under the pointer it stays blue.
    auto strongest = [](const QImage& image) {
        QColor best(Qt::transparent);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const QColor c = image.pixelColor(x, y); c.alpha() > best.alpha())
                    best = c;
        return best;
    };
    const QColor rest = strongest(m->tbHelp->icon().pixmap(QSize(64, 64), 1.0, QIcon::Normal).toImage());
    const QColor hot = strongest(m->tbHelp->icon().pixmap(QSize(64, 64), 1.0, QIcon::Active).toImage());
    EXPECT_GT(rest.lightness(), 200);
    EXPECT_GT(hot.blue(), hot.red() + 100);
}

TEST_F(ToolBarTest, OptionsHelpButtonsAndDoubleClickOpenWhatTheySay)
{
    shown();
    m->tbHelp->trigger();
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened[0].endsWith("flk.html"));
    m->tbOptions->trigger();
    EXPECT_EQ(dialogs.modals(), QStringList{"flk::TfrmPreferences"});

    preferences.PageControl1->setCurrentIndex(0);
    m->mnuToolButtons->trigger();
    EXPECT_EQ(preferences.PageControl1->currentWidget(), preferences.tsMisc);
    preferences.PageControl1->setCurrentIndex(0);
    QTest::mouseDClick(m->ToolBar1, Qt::LeftButton, {}, QPoint(m->ToolBar1->width() - 3, 3));
    EXPECT_EQ(preferences.PageControl1->currentWidget(), preferences.tsMisc);
    EXPECT_EQ(dialogs.modals().size(), 3);

    // No file in the list: File Info does nothing.
    m->tbProps->trigger();
    EXPECT_TRUE(shell.properties.isEmpty());
}

TEST_F(ToolBarTest, TheOptionsOkHidesOrRebuildsTheBarOnlyWhenItsBoxesWereClicked)
{
    shown();
    auto ok = [this](const std::function<void()>& change) {
        preferences.hide();
        preferences.show();
        change();
        preferences.cmdOK->click();
    };
    ok([this] {
        for (QCheckBox* box : {preferences.cbTBNew, preferences.cbTBDelete, preferences.cbTBOptions,
                               preferences.cbTBReport, preferences.cbTBProps, preferences.cbTBStyle,
                               preferences.cbTBHelp})
            box->click();
    });
    EXPECT_FALSE(m->ToolBarShown());

    ok([this] {
        preferences.cbTBVirus->click();
        preferences.cmbAlign->setCurrentIndex(3);
        preferences.cbShowText->click();
    });
    EXPECT_TRUE(m->ToolBarShown());
    EXPECT_EQ(visible(), QStringList{"Scanner"});
    EXPECT_EQ(m->ToolBarEdge(), Qt::BottomToolBarArea);
    EXPECT_FALSE(m->mnuShowLabels->isChecked());
    EXPECT_GE(m->ToolBar1->height(), 26);
    EXPECT_TRUE(buttonsFit());

    m->mnuTop->trigger();
    ok([this] { preferences.cmbAlign->setCurrentIndex(0); }); // only the alignment: applied at once
    EXPECT_EQ(m->ToolBarEdge(), Qt::LeftToolBarArea);
    EXPECT_EQ(Settings::ToolAlign(), 1);
    EXPECT_TRUE(buttonsFit());
    ok([this] { preferences.cbTBHelp->click(); }); // the alignment untouched: the bar stays where it is
    EXPECT_EQ(m->ToolBarEdge(), Qt::LeftToolBarArea);
}

TEST_F(ToolBarTest, TheOptionsOkSwitchesTheFileMenuAndTheScanItemAndViewStylesCheckInBothMenus)
{
    Settings::SetCommandLine("/usr/bin/clamscan");
    shown();
    preferences.hide();
    preferences.show();
    preferences.cbShowMenu->click();
    preferences.edtCommandLine->clear();
    preferences.cmdOK->click();
    EXPECT_TRUE(m->FEDownloads->ShellMenu());
    EXPECT_FALSE(m->mnuScan->isEnabled());

    m->mnuTBLargeIcons->trigger();
    EXPECT_TRUE(m->mnuFELargeIcons->isChecked());
    EXPECT_FALSE(m->mnuTBDetails->isChecked());
    EXPECT_EQ(Settings::ViewStyle(), 1);
}
