// Idle and Busy, the close rules, the keys and the two ways of opening.
#include "AskerFixture.h"

#include "AskerHost.h"
#include "TrayCaptionHost.h"
#include "Help.h"
#include "NewSection.h"
#include "Profile.h"
#include "ProgramWindows.h"
#include "RateLimit.h"
#include "RecordFile.h"
#include "category.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace flk::test {
namespace {

void ExpectIdle(TfrmAsker* a)
{
    EXPECT_EQ(a->cmdOK->text(), "&Download");
    EXPECT_EQ(a->cmdOK->icon().cacheKey(), a->imgDownload.cacheKey());
    EXPECT_TRUE(a->Button2->isEnabled());
    for (QWidget* w : {static_cast<QWidget*>(a->edtDesc), static_cast<QWidget*>(a->edtName),
                       static_cast<QWidget*>(a->edtSource), static_cast<QWidget*>(a->cmdBookMarks),
                       static_cast<QWidget*>(a->cbOpenWhen), static_cast<QWidget*>(a->cmdSection),
                       static_cast<QWidget*>(a->cbSection), static_cast<QWidget*>(a->cmdFolder),
                       static_cast<QWidget*>(a->cbCategory)})
        EXPECT_TRUE(w->isEnabled());
}

TEST_F(AskerTest, NewDialogIsIdle)
{
    ProgramWindows windows;
    Open();
    ExpectIdle(asker);
    EXPECT_EQ(asker->Button2->text(), "&Exit");
    EXPECT_TRUE(asker->cmdOK->isDefault());
    EXPECT_EQ(asker->lbldlbytes->text(), "0");
    EXPECT_EQ(asker->lblSpeed->text(), "?");
    EXPECT_EQ(Window<TfrmAsker>(), asker.data()) << "the newest dialog, for the manager's new-folder message";
}

TEST_F(AskerTest, DetailsStateSwitchesThePlaceControls)
{
    Open();
    asker->SetDetailsState(false);
    EXPECT_FALSE(asker->edtDesc->isEnabled());
    EXPECT_FALSE(asker->cbCategory->isEnabled());
    EXPECT_FALSE(asker->cmdFolder->isEnabled());
    EXPECT_TRUE(asker->cmdOK->isEnabled());
    asker->SetDetailsState(true);
    ExpectIdle(asker);
}

TEST_F(AskerTest, NoFolderIsBusyDuringTheMessageThenIdle)
{
    Open();
    asker->cbSection->setCurrentIndex(1); // "Empty": no folders
    asker->show();
    bool looked = false;
    dialogs.onBox = [&](const MessageRequest& box) {
        looked = true;
        EXPECT_EQ(box.text, "Please specify a folder to place this file in.  To create a new folder, type CTRL+N.");
        // Busy while the box is up: Abort caption and glyph, no Exit.
        EXPECT_EQ(asker->cmdOK->text(), "&Abort");
        EXPECT_EQ(asker->cmdOK->icon().cacheKey(), asker->imgAbort.cacheKey());
        EXPECT_FALSE(asker->Button2->isEnabled());
        // Escape does nothing while Exit is disabled; the title bar's close
        // is refused with the busy message.
        QTest::keyClick(asker->edtDesc, Qt::Key_Escape);
        EXPECT_TRUE(asker->isVisible());
        EXPECT_FALSE(asker->close());
        EXPECT_TRUE(asker->isVisible());
    };
    asker->cmdOK->click();
    ASSERT_TRUE(looked);
    ASSERT_EQ(dialogs.texts().size(), 2);
    EXPECT_EQ(dialogs.texts()[1],
              "Fetchlark is currently busy downloading a file.\r\rIf you would like to cancel the download and "
              "close this window you must first select the button labeled \"Abort\".");
    ExpectIdle(asker);
    EXPECT_TRUE(asker->Aborted);
    EXPECT_TRUE(asker->NoFollowUp);
    EXPECT_FALSE(QFile::exists(home.file("Empty-.ini")));
}

TEST_F(AskerTest, IdleDialogClosesAndFreesItself)
{
    ProgramWindows windows;
    Open();
    asker->cbDefault->setChecked(false);
    asker->show();
    asker->Button2->click();
    EXPECT_FALSE(asker->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(asker.isNull());
    EXPECT_EQ(Window<TfrmAsker>(), nullptr);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_FALSE(QFile::exists(FolderFile())); // no record without "save as default"
}

TEST_F(AskerTest, EscapeClosesAnIdleDialog)
{
    Open();
    asker->show();
    QTest::keyClick(asker->edtName, Qt::Key_Escape);
    EXPECT_FALSE(asker->isVisible());
}

TEST_F(AskerTest, ClosingWithSaveAsDefaultWritesRecordAndDefaults)
{
    Open(QStringLiteral("notes.txt"));
    asker->cbCategory->setCurrentIndex(1);
    asker->show();
    asker->close();
    const RecordFile record(Catalogue::FolderFile("Programs", "Games"));
    EXPECT_EQ(record.readString("notes.txt", "Desc", ""), "A setup program");
    EXPECT_EQ(Profile(home.file("dlmain.ini")).readString("Download", "DefaultCat", ""), "1");
}

TEST_F(AskerTest, EndDownloadShowsCompleteWhenGaugeIsFull)
{
    Open();
    asker->dg->SetMax(5000);
    asker->dg->SetValue(4000);
    asker->EndDownload();
    EXPECT_EQ(asker->lblETA->text(), "?");
    asker->dg->SetValue(5000);
    asker->RedirectPending = true;
    asker->EndDownload();
    EXPECT_EQ(asker->lblETA->text(), "Complete");
    EXPECT_FALSE(asker->RedirectPending);
    ExpectIdle(asker);
}

TEST_F(AskerTest, AbortKeepsRedirectOfFtpAndClearsItForHttp)
{
    Open();
    asker->Protocol = "ftp";
    asker->SourceUrl = "ftp://127.0.0.1:1/setup.zip";
    asker->RedirectPending = true;
    asker->AbortDownload();
    EXPECT_TRUE(asker->RedirectPending);
    asker->Protocol = "https";
    asker->SourceUrl = "https://127.0.0.1:1/setup.zip";
    asker->AbortDownload();
    EXPECT_FALSE(asker->RedirectPending);
}

TEST_F(AskerTest, LogScrollsWithItsContent)
{
    Open();
    for (int i = 0; i < 50; ++i)
        asker->AddLog(QString("line %1").arg(i));
    EXPECT_EQ(asker->ListBox1->count(), 50);
    // Lines that come together select their last one once they are all in.
    QCoreApplication::processEvents();
    EXPECT_EQ(asker->ListBox1->currentRow(), 49);
    asker->AddLog(QStringLiteral("one more"));
    QCoreApplication::processEvents();
    EXPECT_EQ(asker->ListBox1->currentRow(), 50);
}

// ---- Keys ---------------------------------------------------------------

TEST_F(AskerTest, CtrlShortcutsOpenTheCatalogueDialogs)
{
    TfrmCategory category;
    TfrmNewSection section;
    ProgramWindows windows{&category, &section};
    Open();
    asker->show();
    QTest::keyClick(asker->edtName, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(asker->edtName, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(dialogs.modals().isEmpty());
    QTest::keyClick(asker->edtName, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(asker->edtDesc, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.modals(), QStringList({"flk::TfrmCategory", "flk::TfrmNewSection"}));
    EXPECT_EQ(asker->edtName->text(), "setup.zip"); // the keys were consumed
}

TEST_F(AskerTest, NewSectionSelectsTheLastSection)
{
    TfrmNewSection section;
    ProgramWindows windows{&section};
    dialogs.onModal = [&](QDialog*) {
        Catalogue::AddSection(QStringLiteral("Music"), home.path() + QStringLiteral("Music/"));
        Catalogue::AddFolder(QStringLiteral("Albums"), QStringLiteral("Music"), 0, 2);
    };
    Open();
    asker->cmdSection->click();
    EXPECT_EQ(asker->cbSection->currentText(), "Music");
    EXPECT_EQ(asker->cbCategory->currentText(), "Albums");
}

TEST_F(AskerTest, F1OpensTheHelpFile)
{
    Open();
    asker->show();
    QTest::keyClick(asker->edtDesc, Qt::Key_F1);
    // The same document the tray's Help opens.
    EXPECT_EQ(shell.opened, QStringList{QUrl::fromLocalFile(HelpFile()).toString()});
}

// ---- Host ----------------------------------------------------------------

class RecordingHost : public QObject, public AskerHost, public TrayCaptionHost {
public:
    void ShowManager() override { calls << "manager"; }
    void SetLastScannedIfCurrent(const QString& fileName, const QString& date) override
    {
        calls << "scanned " + fileName + " " + date;
    }
    void EndSession() override { calls << "end"; }
    void SetTrayCaption(const QString& caption) override { calls << caption; }
    TRateLimit& AllDownloadsLimit() override { return limit; }
    QStringList calls;
    TRateLimit limit;
};

TEST_F(AskerTest, HostGetsManagerAndDetectionCaption)
{
    Open();
    RecordingHost host;
    ProgramWindows windows{&host};
    asker->cmdViewManager->click();
    asker->cbEnableDetect->click();
    asker->cbEnableDetect->click();
    EXPECT_EQ(host.calls, QStringList({"manager", "FLK - Download Detect Disabled", "FLK"}));
}

// ---- Opening ---------------------------------------------------------------

TEST_F(AskerTest, HandOffFillsTheFields)
{
    asker = new TfrmAsker;
    asker->FillFromHandOff("http://example.org/pub/file.zip", "desc", "file.zip", "http://example.org/pub/", "http");
    EXPECT_EQ(asker->edtName->text(), "file.zip");
    EXPECT_EQ(asker->RemoteFileName, "file.zip");
    EXPECT_EQ(asker->SourceUrl, "http://example.org/pub/file.zip");
    EXPECT_EQ(asker->edtSource->currentText(), "http://example.org/pub/file.zip");
    EXPECT_EQ(asker->edtDesc->text(), "desc");
    EXPECT_EQ(asker->Protocol, "http");
    EXPECT_EQ(asker->UrlBase, "http://example.org/pub/");

    asker->FillFromHandOff("ftp://host/dir/file.bin", "", "file.bin", "ftp://host/dir/", "ftp");
    EXPECT_EQ(asker->Protocol, "ftp");
    EXPECT_EQ(asker->UrlBase, "ftp://host/dir/");
    EXPECT_EQ(asker->edtName->text(), "file.bin");
}

TEST_F(AskerTest, RedownloadFromManagerSelectsItsPlace)
{
    asker = new TfrmAsker;
    asker->FillFromManager("ftp://host/pub/game.tgz", "A game");
    asker->SetDefaults();
    asker->PlaceFromManager("programs", "GAMES", "game.tgz");
    EXPECT_EQ(asker->Protocol, "ftp");
    EXPECT_EQ(asker->RemoteFileName, "game.tgz");
    EXPECT_EQ(asker->UrlBase, "ftp://host/pub/");
    EXPECT_EQ(asker->cbSection->currentText(), "Programs");
    EXPECT_EQ(asker->cbCategory->currentText(), "Games");
    EXPECT_EQ(asker->edtName->text(), "game.tgz");
    EXPECT_TRUE(asker->FromManager);

    asker->FillFromManager("https://host/x", "");
    EXPECT_EQ(asker->Protocol, "http");
}

TEST_F(AskerTest, ShowReplacesIEWithNoWindowByEmptyText)
{
    Open();
    asker->edtDesc->setText("IE");
    asker->show();
    EXPECT_EQ(asker->edtDesc->text(), "");
}

TEST_F(AskerTest, PasteAppliesOnlyToDialogsNotFromManager)
{
    QApplication::clipboard()->setText("clipboard text");
    Open();
    asker->cbPaste->setChecked(true);
    asker->show();
    EXPECT_EQ(asker->edtDesc->text(), "clipboard text");
    delete asker.data();

    Open();
    asker->cbPaste->setChecked(true);
    asker->FromManager = true;
    asker->show();
    EXPECT_EQ(asker->edtDesc->text(), "A setup program");
}

} // namespace
} // namespace flk::test
