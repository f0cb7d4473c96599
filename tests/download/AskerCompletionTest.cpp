// The download record, the virus scan, the opening note, deletion, and the
// file names Download refuses.
#include "AskerFixture.h"

#include <QDir>

#include "Profile.h"
#include "RecordFile.h"
#include "ScanWindow.h"
#include "StoredDate.h"
#include "TopLevel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace flk::test {
namespace {

// The key names of one record, in file order, read from the file's bytes.
QStringList KeysOf(const QByteArray& bytes, const QByteArray& record)
{
    QStringList keys;
    bool inside = false;
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inside = line == "[" + record + "]";
            continue;
        }
        if (inside && line.contains('='))
            keys << QString::fromUtf8(line.left(line.indexOf('=')));
    }
    return keys;
}

TEST_F(AskerTest, DownloadWritesTheRecordKeysInOrder)
{
    Open(QStringLiteral("setup.zip"));
    asker->cbOpenWhen->setCurrentIndex(1);
    asker->cbPrompt->setChecked(true);
    asker->meDays->setText("3");
    asker->cbAutoDelete->setChecked(false);
    asker->meDeleteDays->setText("21");
    asker->cmdOK->click();

    const QByteArray bytes = ReadAll(FolderFile());
    EXPECT_EQ(KeysOf(bytes, "setup.zip"),
              QStringList({"Desc", "Source", "OpenWhen", "Prompt", "PromptDays", "Delete", "DeleteDays",
                           "DateDownloaded", "ScanWhenDone"}));
    const QByteArray expected = "[setup.zip]\nDesc=A setup program\nSource=http://127.0.0.1:1/files/setup.zip\n"
                                "OpenWhen=1\nPrompt=1\nPromptDays=3\nDelete=0\nDeleteDays=21\nDateDownloaded="
        + StoredDate::Today().toUtf8() + "\nScanWhenDone=0\n";
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(Profile(home.file("dlmain.ini")).readString("Download", "DownloadDetect", ""), "1");
    // No folder message: the transfer was started.
    EXPECT_FALSE(dialogs.texts().contains(TfrmAsker::kFolderMessage));
}

TEST_F(AskerTest, ARecordThatCannotBeWrittenIsReportedAndTheDialogGoesIdle)
{
    // A directory where the folder file should be: no write can replace it.
    ASSERT_TRUE(QDir().mkpath(FolderFile()));
    Open();
    asker->cmdOK->click();
    ASSERT_FALSE(dialogs.texts().isEmpty());
    EXPECT_EQ(dialogs.texts().last(), "Unable to write to " + FolderFile());
    EXPECT_EQ(dialogs.boxes().last().icon, MB_ICONERROR);
    EXPECT_FALSE(asker->IsBusy());
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
}

TEST_F(AskerTest, DownloadTwiceRewritesTheSameRecord)
{
    // A part of the file is on disk: a failed attempt keeps it and its record.
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("Programs/Utilities")));
    QFile part(home.path() + QStringLiteral("Programs/Utilities/setup.zip"));
    ASSERT_TRUE(part.open(QIODevice::WriteOnly));
    part.write("part");
    part.close();
    Open(QStringLiteral("setup.zip"));
    ASSERT_TRUE(RunDownload());
    asker->edtDesc->setText("Second description");
    ASSERT_TRUE(RunDownload());
    const RecordFile file(FolderFile());
    EXPECT_EQ(file.recordNames(), QStringList{"setup.zip"});
    EXPECT_EQ(file.readString("setup.zip", "Desc", ""), "Second description");
}

// The bookmark chosen is the file downloaded and recorded (it used to fill
// the box while the dialog fetched the address it was opened with). A name
// taken from the address follows the address; a name the user typed stays.
// An address typed into the box is fetched the same way.
TEST_F(AskerTest, TheChosenBookmarkOrTypedAddressIsWhatIsFetchedAndRecorded)
{
    Open(QStringLiteral("setup.zip"));
    asker->FillFromHandOff("http://127.0.0.1:1/files/setup.zip", "", "setup.zip", "http://127.0.0.1:1/files/", "http");
    asker->SessionCookie = "sid=1";
    asker->Bookmarks1URL("http://localhost:1/books/caf%C3%A9%20menu.pdf?x=1");
    EXPECT_EQ(asker->SourceUrl, "http://localhost:1/books/caf%C3%A9%20menu.pdf?x=1");
    EXPECT_EQ(asker->edtName->text(), QString::fromUtf8("café menu.pdf"));
    EXPECT_EQ(asker->SessionCookie, ""); // another site: the session stays behind
    asker->cmdOK->click();
    EXPECT_EQ(RecordFile(FolderFile()).readString(QString::fromUtf8("café menu.pdf"), "Source", ""),
              "http://localhost:1/books/caf%C3%A9%20menu.pdf?x=1");
    ASSERT_TRUE(WaitIdle());

    QTest::keyClicks(asker->edtName, "-mine.zip");
    asker->edtSource->setEditText("http://127.0.0.1:1/other/typed.zip");
    asker->cmdOK->click();
    EXPECT_EQ(asker->SourceUrl, "http://127.0.0.1:1/other/typed.zip");
    EXPECT_EQ(asker->edtName->text(), QString::fromUtf8("café menu.pdf-mine.zip"));
}

TEST_F(AskerTest, UnusableNamesAreRefused)
{
    for (const QString& name : {QString(""), QString("   "), QString("."), QString(".."), QString("../evil"),
                               QString("sub/file.zip")}) {
        SCOPED_TRACE(name.toStdString());
        dialogs.clear();
        Open(name);
        asker->cmdOK->click();
        EXPECT_EQ(dialogs.texts(), QStringList{TfrmAsker::kNameMessage});
        EXPECT_EQ(asker->cmdOK->text(), "&Download");
        EXPECT_TRUE(asker->edtName->isEnabled());
        EXPECT_FALSE(QFile::exists(FolderFile()));
        asker->cbDefault->setChecked(false);
        delete asker.data();
    }
    EXPECT_EQ(TfrmAsker::kNameMessage, "Please specify a valid filename for this download.");
}

// A name must come back as written as the record's section and as the file's
// name: refused before anything is written.
TEST_F(AskerTest, NamesThatWouldNotReadBackAreRefused)
{
    const QString tooLong(256, QChar('n'));
    const QList<std::pair<QString, QString>> cases{
        {" setup.zip", "The file name \" setup.zip\" cannot be used: it begins or ends with a blank."},
        {"'setup.zip'", "The file name \"'setup.zip'\" cannot be used: it is enclosed in quotes."},
        {"set\rup.zip", "The file name \"set\rup.zip\" cannot be used: it holds a line break or another control "
                         "character."},
        {tooLong, "The file name \"" + tooLong + "\" is longer than the file system allows."},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name.toStdString());
        dialogs.clear();
        Open(name);
        asker->cmdOK->click();
        EXPECT_EQ(dialogs.texts(), QStringList{text});
        EXPECT_FALSE(asker->IsBusy());
        EXPECT_FALSE(QFile::exists(FolderFile()));
        asker->cbDefault->setChecked(false);
        delete asker.data();
    }
}

TEST_F(AskerTest, ClosingWithAnUnusableNameWritesNoRecord)
{
    Open(QStringLiteral(""));
    asker->show();
    asker->close();
    EXPECT_FALSE(QFile::exists(FolderFile()));
    // The defaults are still kept.
    EXPECT_EQ(Profile(home.file("dlmain.ini")).readString("Download", "DefaultSection", ""), "0");
}

// ---- Virus scan and opening note -------------------------------------------

class CompletionTest : public AskerTest {
protected:
    void SetUp() override
    {
        AskerTest::SetUp();
        // A scanner that notes its arguments and ends with the status in
        // "scan.status" (0 when there is none).
        QDir().mkpath(home.home() + "My Scanner");
        WriteAll(scanner(), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args\"\n"
                            "exit $(cat \"$0.status\" 2>/dev/null || echo 0)\n");
        QFile::setPermissions(scanner(), QFile::ReadOwner | QFile::ExeOwner);
        Profile(home.file("dlmain.ini")).writeString("VirusScanner", "CommandLine", scanner());
        RecordFile folder(FolderFile());
        folder.writeString("Other.bin", "Desc", "other");
        folder.writeString("Setup.EXE", "Desc", "setup");
        Open(QStringLiteral("setup.exe"));
        asker->cbAutoScan->setChecked(true);
    }
    void TearDown() override
    {
        DeleteTopLevel<TfrmScan>();
        AskerTest::TearDown();
    }
    QString scanner() const { return home.home() + "My Scanner/scan"; }
    QString Path() const { return home.path() + "Programs/Utilities/setup.exe"; }
    // The scan's verdict once its scanner has ended; the dialog may be gone.
    ScannerRun::Verdict scanned()
    {
        QList<TfrmScan*> open;
        (void)QTest::qWaitFor([&] {
            open = TopLevel<TfrmScan>();
            return open.size() == 1 && open[0]->Run()->Result() != ScannerRun::Verdict::Running;
        }, 20000);
        return open.size() == 1 ? open[0]->Run()->Result() : ScannerRun::Verdict::Running;
    }
};

TEST_F(CompletionTest, VirusScanStartsTheScannerOnTheWholePath)
{
    const QString longPath = home.path() + "Programs/Utilities/" + QString(300, QLatin1Char('d')) + "/setup.exe";
    asker->VirusScan(longPath);
    EXPECT_EQ(scanned(), ScannerRun::Verdict::Clean);
    EXPECT_EQ(QString::fromUtf8(ReadAll(scanner() + ".args")), longPath + "\n"); // never cut at 255 characters
    EXPECT_TRUE(shell.started.isEmpty()) << "run by us, to hear its verdict";
}

TEST_F(CompletionTest, VirusScanWritesLastScannedUnderTheRecordsOwnSpellingOnlyWhenClean)
{
    WriteAll(scanner() + ".status", "3");
    asker->VirusScan(Path());
    EXPECT_EQ(scanned(), ScannerRun::Verdict::NotClean);
    EXPECT_FALSE(ReadAll(FolderFile()).contains("LastScanned")) << "no clean check";
    DeleteTopLevel<TfrmScan>();

    QFile::remove(scanner() + ".status");
    asker->VirusScan(Path());
    delete asker.data(); // closed meanwhile: the scan still records its date
    EXPECT_EQ(scanned(), ScannerRun::Verdict::Clean);
    const RecordFile file(FolderFile());
    EXPECT_EQ(file.readString("Setup.EXE", "LastScanned", ""), StoredDate::Today());
    EXPECT_EQ(file.recordNames(), QStringList({"Other.bin", "Setup.EXE"}));
    EXPECT_TRUE(ReadAll(FolderFile()).contains("[Setup.EXE]\nDesc=setup\nLastScanned="));
}

TEST_F(CompletionTest, VirusScanWithoutRecordDoesNothing)
{
    asker->VirusScan(home.path() + "Programs/Utilities/unknown.exe");
    EXPECT_TRUE(TopLevel<TfrmScan>().isEmpty());
    EXPECT_FALSE(ReadAll(FolderFile()).contains("LastScanned"));
}

TEST_F(CompletionTest, VirusScanNeedsTheScanBox)
{
    asker->cbAutoScan->setChecked(false);
    asker->VirusScan(Path());
    EXPECT_TRUE(TopLevel<TfrmScan>().isEmpty());
    EXPECT_FALSE(ReadAll(FolderFile()).contains("LastScanned"));
}

TEST_F(CompletionTest, EmptyScannerDisablesTheScan)
{
    Profile(home.file("dlmain.ini")).writeString("VirusScanner", "CommandLine", "");
    asker->SetDefaults();
    EXPECT_FALSE(asker->cbAutoScan->isEnabled());
    asker->cbAutoScan->setChecked(true); // even forced on, nothing is started
    asker->VirusScan(Path());
    EXPECT_TRUE(shell.started.isEmpty());
}

TEST_F(CompletionTest, FileExecNotesTheOpeningDate)
{
    asker->FileExec(Path());
    EXPECT_EQ(RecordFile(FolderFile()).readString("Setup.EXE", "LastOpened", ""), StoredDate::Today());
    EXPECT_TRUE(shell.opened.isEmpty()); // the note only; the transfer opens the file
    asker->FileExec(home.path() + "Programs/Utilities/none.txt");
    EXPECT_FALSE(RecordFile(FolderFile()).hasRecord("none.txt"));
}

TEST_F(CompletionTest, CompletionPromptText)
{
    asker->PromptComplete(Path());
    EXPECT_EQ(dialogs.texts(),
              QStringList{"Download Complete for setup.exe\r\rThis file has been placed in the following "
                          "area:\r\rSection: Programs\rFolder: Utilities"});
    asker->cbPromptDone->setChecked(false);
    asker->PromptComplete(Path());
    EXPECT_EQ(dialogs.texts().size(), 1);
}

TEST_F(AskerTest, DeleteFileRemovesWithoutAsking)
{
    const QString path = home.path() + "Programs/Utilities/" + QString(260, QLatin1Char('x')).left(200) + ".bin";
    WriteAll(path, "data");
    TfrmAsker::DeleteFile(path, false);
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(shell.deleted.size(), 1);
    EXPECT_EQ(shell.deleted[0].path, path);
    EXPECT_FALSE(shell.deleted[0].toTrash);
    TfrmAsker::DeleteFile(home.path() + "missing.bin", true); // failures are not reported
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_TRUE(shell.deleted[1].toTrash);
}

} // namespace
} // namespace flk::test
