// The scheduled file events over a real catalogue in a temporary program
// folder: the open prompt, vanished files and automatic deletion, with the
// boxes answered by script and the shell recorded.

#include "Catalogue.h"
#include "FileEvents.h"
#include "FileListHost.h"
#include "QtPrint.h"
#include "RecordFile.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "StoredDate.h"
#include "TempHome.h"
#include "Tray.h"

#include <QFile>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <utility>

using namespace flk;
using namespace flk::test;

namespace {

// The manager window's file list as the walk sees it.
class FileList : public QObject, public FileListHost {
public:
    bool HasFolderButton() const override { return folders; }
    void RefreshFileList() override { calls << "refresh"; }
    void AfterDelete() override { calls << "after-delete"; }
    QString SelectedFilePath() const override { return selected; }
    void ClearDeleteBox() override { calls << "clear cbDelete"; }
    bool folders = true;
    QString selected;
    QStringList calls;
};

// A disk that refuses every delete.
class RefusingShell : public RecordingShell {
public:
    bool deleteFile(const QString& path, bool toTrash) override
    {
        deleted << Deleted{path, toTrash};
        return false;
    }
};

using Keys = std::initializer_list<std::pair<const char*, QString>>;

class FileEventsTest : public ::testing::Test {
protected:
    FileEventsTest()
    {
        Catalogue::AddSection("Programs", home.path() + "Programs/");
        Catalogue::AddFolder("Games", "Programs", 46, 0);
    }
    static QString day(int offset) { return StoredDate::ToText(QDate::currentDate().addDays(offset)); }
    QString path(const QString& name) const { return home.path() + "Programs/Games/" + name; }
    // A record of Programs/Games with its keys in order; its file is on disk unless `onDisk` is false.
    QString record(const QString& name, Keys keys, bool onDisk = true)
    {
        RecordFile games("Programs", "Games");
        for (const auto& [key, value] : keys)
            games.writeString(name, key, value);
        if (onDisk)
            WriteAll(path(name), "bytes");
        return path(name);
    }
    QString key(const QString& name, const char* key) const
    {
        return RecordFile("Programs", "Games").readString(name, key, "(absent)");
    }
    bool hasRecord(const QString& name) const { return RecordFile("Programs", "Games").hasRecord(name); }
    void run() { FileEvents(list).scanforevents(); }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FileList list;
};


TEST_F(FileEventsTest, AnUnopenedFileIsOfferedFromItsPromptDayAndNeverAgainAfterNo)
{
    const QString due = record("due.zip", {{"DateDownloaded", day(-10)}});
    record("early.zip", {{"DateDownloaded", day(-9)}});
    record("copied.zip", {{"DateDownloaded", day(-30)}, {"LastOpened", "Never"}});
    record("refused.zip", {{"DateDownloaded", day(-10)}});
    dialogs.answer(IDYES);
    dialogs.answer(IDNO);
    run();
    ASSERT_EQ(dialogs.texts(),
              QStringList({"Note from Fetchlark: the file: \"due.zip\", in folder \"Games\" of section \"Programs\" "
                           "has not been opened yet.  Would you like to open it now?",
                           FileEvents::OpenPromptText("refused.zip", "Games", "Programs")}));
    EXPECT_EQ(shell.opened, QStringList{due});
    EXPECT_EQ(key("due.zip", "LastOpened"), day(0));
    EXPECT_EQ(key("refused.zip", "OpenPrompt"), "0");

    dialogs.clear();
    run();
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(FileEventsTest, PromptDaysZeroOffersATodaysDownloadAtTheNextStart)
{
    Settings::writeString("Management", "PromptDays", "0");
    record("new.zip", {{"DateDownloaded", day(0)}});
    dialogs.answer(IDNO);
    run();
    EXPECT_EQ(dialogs.texts(), QStringList{FileEvents::OpenPromptText("new.zip", "Games", "Programs")});
}

TEST_F(FileEventsTest, AVanishedFileLosesItsRecordAfterItsDownloadDay)
{
    record("today.zip", {{"DateDownloaded", day(0)}}, false);
    record("yesterday.zip", {{"DateDownloaded", day(-1)}}, false);
    record("unopened.zip", {{"DateDownloaded", day(-30)}}, false); // not offered for opening
    record("undated.zip", {{"Desc", "x"}}, false);
    record("blank.zip", {{"Desc", "x"}, {"DateDownloaded", ""}});
    run();
    EXPECT_TRUE(hasRecord("today.zip"));
    EXPECT_FALSE(hasRecord("yesterday.zip") || hasRecord("unopened.zip"));
    EXPECT_FALSE(hasRecord("undated.zip"));
    EXPECT_EQ(key("blank.zip", "Desc"), "x");
    EXPECT_EQ(key("blank.zip", "DateDownloaded"), "(absent)");
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(FileEventsTest, ADeletionIsDueExactlyDeleteDaysAfterItsBaseDate)
{
    record("d29.zip", {{"Delete", "1"}, {"DeleteDays", "30"}, {"DateDownloaded", day(-29)}, {"LastOpened", day(0)}});
    const QString d30 = record("d30.zip", {{"Delete", "1"}, {"DeleteDays", "30"}, {"DateDownloaded", day(-30)}, {"LastOpened", day(0)}});
    record("a29.zip", {{"Delete", "1"}, {"DeleteDays", "30"}, {"DateDownloaded", day(-90)}, {"LastOpened", day(0)},
                       {"AlterDeleteOn", day(-29)}});
    const QString a30 = record("a30.zip", {{"Delete", "1"}, {"DeleteDays", "30"}, {"DateDownloaded", day(-90)},
                                           {"LastOpened", day(0)}, {"AlterDeleteOn", day(-30)}});
    record("kept.zip", {{"Delete", "0"}, {"DeleteDays", "0"}});
    dialogs.answer(IDYES);
    dialogs.answer(IDYES);
    run();
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Fetchlark has scheduled the following file for deletion today: \"d30.zip\".  Do you "
                           "wish to proceed with its removal?",
                           "The following file is due for deletion: a30.zip.  Do you wish to proceed with its "
                           "removal?"}));
    ASSERT_EQ(shell.deleted.size(), 2);
    EXPECT_EQ(shell.deleted[0].path, d30);
    EXPECT_TRUE(shell.deleted[0].toTrash && shell.deleted[1].toTrash);
    EXPECT_FALSE(QFile::exists(d30) || QFile::exists(a30));
    EXPECT_FALSE(hasRecord("d30.zip") || hasRecord("a30.zip"));
    EXPECT_TRUE(hasRecord("d29.zip") && hasRecord("a29.zip") && hasRecord("kept.zip"));
    EXPECT_EQ(list.calls, QStringList({"refresh", "after-delete", "refresh", "after-delete"}));
}

TEST_F(FileEventsTest, DeleteDaysZeroIsDueAtOnceNoKeepsTheFileAndPermanentDeletesSkipTheTrash)
{
    Settings::SetDeleteType(1);
    list.selected = record("kept.zip", {{"Delete", "1"}, {"DeleteDays", "0"}});
    record("undated.zip", {{"Delete", "1"}, {"DeleteDays", "1"}});
    const QString gone = record("gone.zip", {{"Delete", "1"}, {"DeleteDays", "0"}});
    dialogs.answer(IDNO);
    dialogs.answer(IDYES);
    run();
    EXPECT_EQ(dialogs.texts(), QStringList({FileEvents::DueText("kept.zip"), FileEvents::DueText("gone.zip")}));
    EXPECT_EQ(key("kept.zip", "Delete"), "0");
    EXPECT_TRUE(QFile::exists(list.selected));
    ASSERT_EQ(shell.deleted.size(), 1);
    EXPECT_EQ(shell.deleted[0].path, gone);
    EXPECT_FALSE(shell.deleted[0].toTrash);
    EXPECT_EQ(list.calls, QStringList({"clear cbDelete", "refresh", "after-delete"}));
}

TEST_F(FileEventsTest, ARecordNamingNoFileOfTheFolderIsLeftAlone)
{
    const QString outside = home.path() + "outside.zip";
    WriteAll(outside, "bytes");
    const QString kept = record("kept.zip", {{"LastOpened", day(0)}});
    record("", {{"Delete", "1"}, {"DeleteDays", "0"}}, false);
    record("../../outside.zip", {{"Delete", "1"}, {"DeleteDays", "0"}, {"DateDownloaded", day(-30)}}, false);
    dialogs.answer(IDYES);
    dialogs.answer(IDYES);
    run();
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_TRUE(QFile::exists(kept) && QFile::exists(outside));
    EXPECT_TRUE(hasRecord("../../outside.zip"));
}

TEST_F(FileEventsTest, WithoutConfirmationDueFilesGoSilentlyAndTheirRecordsStay)
{
    Settings::SetConfirmDelete(false);
    const QString due = record("due.zip", {{"Delete", "1"}, {"DeleteDays", "0"}, {"DateDownloaded", day(0)}});
    run();
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_FALSE(QFile::exists(due));
    EXPECT_EQ(key("due.zip", "Delete"), "1");
    EXPECT_EQ(list.calls, QStringList{"refresh"});
}

TEST_F(FileEventsTest, AGarbledDateEndsTheWalkAndEarlierAnswersAreKept)
{
    record("first.zip", {{"DateDownloaded", day(-10)}});
    record("bad.zip", {{"DateDownloaded", "31/31/garbled"}});
    record("last.zip", {{"DateDownloaded", day(-10)}});
    dialogs.answer(IDNO);
    run();
    EXPECT_EQ(dialogs.texts(), QStringList({FileEvents::OpenPromptText("first.zip", "Games", "Programs"),
                                            "'31/31/garbled' is not a valid date"}));
    EXPECT_EQ(dialogs.boxes().last().icon, MB_ICONERROR);
    EXPECT_EQ(key("first.zip", "OpenPrompt"), "0");
    EXPECT_EQ(key("last.zip", "OpenPrompt"), "(absent)");
}

// A catalogue written in an English session, walked in a German one: every
// date parses, so the prompts, the tidying and the deletion all happen.
TEST_F(FileEventsTest, ACatalogueWrittenInAnotherLanguageIsWalkedWhole)
{
    const auto english = [](int offset) { return QLocale::c().toString(QDate::currentDate().addDays(offset), "d MMM yyyy"); };
    const auto german = [](int offset) { return QDate::currentDate().addDays(offset).toString("dd.MM.yyyy"); };
    const QLocale session;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString unopened = record("unopened.zip", {{"DateDownloaded", english(-12)}});
    record("vanished.zip", {{"DateDownloaded", english(-3)}}, false);
    const QString due = record("due.zip", {{"Delete", "1"}, {"DeleteDays", "30"}, {"DateDownloaded", english(-40)},
                                           {"LastOpened", english(-39)}});
    const QString older = record("older.zip", {{"Delete", "1"}, {"DeleteDays", "5"}, {"DateDownloaded", german(-60)},
                                               {"LastOpened", "2026-01-02"}, {"AlterDeleteOn", german(-5)}});
    dialogs.answer(IDYES);
    dialogs.answer(IDYES);
    dialogs.answer(IDYES);
    run();
    QLocale::setDefault(session);
    EXPECT_EQ(dialogs.texts(), QStringList({FileEvents::OpenPromptText("unopened.zip", "Games", "Programs"),
                                            FileEvents::ScheduledText("due.zip"), FileEvents::DueText("older.zip")}));
    EXPECT_EQ(shell.opened, QStringList{unopened});
    EXPECT_EQ(key("unopened.zip", "LastOpened"), english(0));
    EXPECT_FALSE(hasRecord("vanished.zip"));
    EXPECT_FALSE(QFile::exists(due) || QFile::exists(older));
}

// Records are found whatever the case of their names: so is their file.
TEST_F(FileEventsTest, ARecordsFileIsFoundWhateverTheCaseOfItsName)
{
    RecordFile("Programs", "Games").writeString("Setup.EXE", "DateDownloaded", day(-12));
    WriteAll(path("setup.exe"), "bytes");
    RecordFile("Programs", "Games").writeString("Tool.ZIP", "Delete", "1");
    RecordFile("Programs", "Games").writeString("Tool.ZIP", "DeleteDays", "0");
    RecordFile("Programs", "Games").writeString("Tool.ZIP", "DateDownloaded", day(-3));
    WriteAll(path("tool.zip"), "bytes");
    list.selected = path("tool.zip");
    dialogs.answer(IDYES);
    dialogs.answer(IDNO);
    run();
    EXPECT_EQ(dialogs.texts(), QStringList({FileEvents::OpenPromptText("Setup.EXE", "Games", "Programs"),
                                            FileEvents::ScheduledText("Tool.ZIP")}));
    EXPECT_EQ(shell.opened, QStringList{path("setup.exe")});
    EXPECT_TRUE(hasRecord("Setup.EXE") && hasRecord("Tool.ZIP")) << "a file on disk keeps its record";
    EXPECT_EQ(list.calls, QStringList{"clear cbDelete"});

    dialogs.clear();
    dialogs.answer(IDYES);
    RecordFile("Programs", "Games").writeString("Tool.ZIP", "Delete", "1");
    run();
    ASSERT_EQ(shell.deleted.size(), 1);
    EXPECT_EQ(shell.deleted[0].path, path("tool.zip"));
    EXPECT_FALSE(QFile::exists(path("tool.zip")));
    EXPECT_FALSE(hasRecord("Tool.ZIP"));
}

TEST_F(FileEventsTest, TheLastOfTwoThousandRecordsIsVisited)
{
    QByteArray content;
    for (int i = 0; i < 1999; ++i)
        content += "[file" + QByteArray::number(i) + ".zip]\nDateDownloaded=" + day(0).toUtf8() + "\n";
    WriteAll(home.file("Programs-Games.ini"), content);
    record("last.zip", {{"Delete", "1"}, {"DeleteDays", "0"}});
    dialogs.answer(IDYES);
    run();
    EXPECT_EQ(dialogs.texts(), QStringList{FileEvents::DueText("last.zip")});
    EXPECT_FALSE(hasRecord("last.zip"));
}

TEST_F(FileEventsTest, AFileThatCannotBeDeletedKeepsItsRecordAndIsNamedOnce)
{
    RefusingShell refusing;
    const QString a = record("a.zip", {{"Delete", "1"}, {"DeleteDays", "0"}});
    const QString b = record("b.zip", {{"Delete", "1"}, {"DeleteDays", "0"}});
    run();
    EXPECT_EQ(dialogs.texts(), QStringList({FileEvents::DueText("a.zip"), FileEvents::DueText("b.zip"),
                                            "The following files could not be deleted; they and their records "
                                            "were kept:\r\r" + a + "\r" + b}));
    EXPECT_TRUE(hasRecord("a.zip") && hasRecord("b.zip"));
    EXPECT_TRUE(list.calls.isEmpty());
}

TEST_F(FileEventsTest, TheWalkEndsWhenTheManagerWindowGoesWhileMessagesRun)
{
    // Opening the file closes the window: its destruction runs with the next messages.
    struct ClosingShell : RecordingShell {
        bool open(const QString& target) override
        {
            QTimer::singleShot(0, [this] { delete window; });
            return RecordingShell::open(target);
        }
        FileList* window = new FileList;
    } closing;
    QPointer<QObject> window = closing.window;
    record("a.zip", {{"DateDownloaded", day(-10)}});
    record("b.zip", {{"DateDownloaded", day(-10)}});
    FileEvents(*closing.window).scanforevents();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(dialogs.texts(), QStringList{FileEvents::OpenPromptText("a.zip", "Games", "Programs")});
}

TEST_F(FileEventsTest, ALaterStartRunsTheWalkOnceBeforeTheCommandLine)
{
    Settings::SetFirstRun(false);
    Settings::SetSpeed(28800);
    record("due.zip", {{"DateDownloaded", day(-10)}});
    dialogs.answer(IDNO);
    TfrmTray tray({"argument"});
    EXPECT_EQ(dialogs.texts(),
              QStringList({FileEvents::OpenPromptText("due.zip", "Games", "Programs"), "argument", ""}));
}

TEST_F(FileEventsTest, NothingHappensWhenTheBarHasNoFolder)
{
    list.folders = false;
    record("due.zip", {{"Delete", "1"}, {"DeleteDays", "0"}});
    run();
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_TRUE(hasRecord("due.zip"));
}

} // namespace
