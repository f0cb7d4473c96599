// The manager window's file commands over real files and catalogue files:
// open, properties, delete to the Trash or for good, the virus scan, drops
// with their records, and folders moved between sections.
#include "AppMessages.h"
#include "Catalogue.h"
#include "FileProperties.h"
#include "FolderList.h"
#include "LockedPath.h"
#include "LookOut.h"
#include "Manager.h"
#include "RecordFile.h"
#include "RecordingShell.h"
#include "ScanWindow.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "StoredDate.h"
#include "TempHome.h"
#include "TopLevel.h"
#include "QtPrint.h"

#include <QAccessible>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>


using namespace flk;
using namespace flk::test;

namespace {

// Deletes through the real Trash (the test's own, see TempHome) and starts
// programs for real, recording both.
class DesktopRecordingShell : public RecordingShell {
public:
    bool deleteFile(const QString& path, bool toTrash) override
    {
        deleted << Deleted{path, toTrash};
        return DesktopShell::deleteFile(path, toTrash);
    }
    bool startProgram(const QString& program, const QStringList& arguments) override
    {
        started << Started{program, arguments};
        return DesktopShell::startProgram(program, arguments);
    }
};

// Answers the next popup menu with a key, as a user would.
void AnswerMenu(Qt::Key key)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, key] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QTest::keyClick(menu, key);
            timer->deleteLater();
        }
    });
    timer->start(5);
}

// A drag of these files from a file manager, dropped at `pos` of `target`.
void Drop(QWidget* target, QPoint pos, const QStringList& files)
{
    QList<QUrl> urls;
    for (const QString& f : files)
        urls << QUrl::fromLocalFile(f);
    QMimeData data;
    data.setUrls(urls);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(pos, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(pos), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "the sender never removes the files itself";
    QApplication::processEvents(); // the drop is handled right after
}

void DropOnButton(TfrmManager* m, TLookOutButton* button, const QStringList& files)
{
    Drop(m->Nav, button->mapTo(m->Nav, button->rect().center()), files);
}

QStringList Lines(const QString& path)
{
    return QString::fromUtf8(ReadAll(path)).split('\n', Qt::SkipEmptyParts);
}

// The scan window that ends last, once its scanner has ended (the windows of
// earlier scans closed).
TfrmScan* FinishedScan()
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        const QList<TfrmScan*> open = TopLevel<TfrmScan>();
        if (open.size() == 1 && open[0]->Run()->Result() != ScannerRun::Verdict::Running)
            return open[0];
        if (t.elapsed() > 20000)
            return nullptr;
        QTest::qWait(20);
    }
}

void CloseScans()
{
    for (TfrmScan* w : TopLevel<TfrmScan>())
        w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A scanner stand-in named `name`: writes its arguments beside itself and
// ends with `status`.
QString Scanner(const QString& dir, const QString& name, int status)
{
    QDir().mkpath(dir);
    const QString path = dir + name;
    WriteAll(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args\"\necho \"scanned $1\"\nexit "
                       + QByteArray::number(status) + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    return path;
}

class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings::SetSpeed(28800);
        Settings::SetFirstRun(false);
        Catalogue::AddSection("Programs", home.path() + "Programs/");
        for (const char* folder : {"Games", "Utilities", "Tools"})
            Catalogue::AddFolder(folder, "Programs", 7, 0);
        Catalogue::AddSection("Music", home.path() + "Music/");
        Catalogue::AddFolder("Games", "Music", 8, 1);
        Catalogue::AddFolder("Games1", "Music", 9, 1);
    }
    QString dir(const QString& folder, const QString& section = "Programs") const
    {
        return home.path() + section + "/" + folder + "/";
    }
    QString put(const QString& folder, const QString& name, const QByteArray& content = "x")
    {
        WriteAll(dir(folder) + name, content);
        return dir(folder) + name;
    }
    // The window shown, on the first folder of the first section.
    std::unique_ptr<TfrmManager> shown()
    {
        auto m = std::make_unique<TfrmManager>();
        m->show();
        m->Nav->Page(0)->Button(0)->Press();
        return m;
    }
    void select(TfrmManager* m, const QStringList& names)
    {
        m->FEDownloads->SelectFiles(names);
    }

    TempHome home;
    ScriptedDialogs dialogs;
    DesktopRecordingShell shell;
    const QString today = StoredDate::Today();
};

} // namespace

TEST_F(FileOpsTest, OpenHandsEverySelectedFileToTheDesktopAndStampsItsRecord)
{
    put("Games", "a.zip");
    put("Games", "b c.txt");
    put("Games", "left.txt");
    auto m = shown();
    select(m.get(), {"a.zip", "b c.txt"});
    m->mnuOpenClick();
    EXPECT_EQ(shell.opened, QStringList({dir("Games") + "a.zip", dir("Games") + "b c.txt"}));
    RecordFile records("Programs", "Games");
    EXPECT_EQ(records.recordNames(), QStringList({"a.zip", "b c.txt"}));
    EXPECT_EQ(records.readString("b c.txt", "LastOpened", ""), today);
}

TEST_F(FileOpsTest, PropertiesShowTheFileInAWindowOfItsOwn)
{
    put("Games", "notes.txt", QByteArray(2048, 'n'));
    QFile::setPermissions(dir("Games") + "notes.txt", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    auto m = shown();
    select(m.get(), {"notes.txt"});
    m->tbPropsClick();
    auto* w = m->findChild<TFileProperties*>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "notes.txt Properties");
    EXPECT_EQ(w->edtName->text(), "notes.txt");
    EXPECT_EQ(w->edtFolder->text(), home.path() + "Programs/Games");
    EXPECT_TRUE(w->edtSize->text().endsWith("(" + QLocale().toString(2048) + " bytes)")) << w->edtSize->text().toStdString();
    EXPECT_TRUE(w->edtType->text().endsWith("(text/plain)")) << w->edtType->text().toStdString();
    EXPECT_EQ(w->edtPermissions->text(), "rw-r----- (640)");
    for (QLineEdit* field : w->findChildren<QLineEdit*>())
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name).isEmpty());
    const QPointer<TFileProperties> alive(w);
    QTest::keyClick(w, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull()) << "Escape closes it and it goes";
}

TEST_F(FileOpsTest, ThreeFilesGoToTheTrashWithTheirRecordsAfterTheQuestion)
{
    for (const char* name : {"a.zip", "b.zip", "c.zip", "d.zip"}) {
        put("Games", name, name);
        RecordFile("Programs", "Games").writeString(name, "Desc", name);
    }
    auto m = shown();
    select(m.get(), {"a.zip", "b.zip", "c.zip"});
    dialogs.answer(IDCANCEL);
    m->mnuRecBinClick();
    EXPECT_EQ(QDir(dir("Games")).count(), 6u) << "Cancel deletes nothing";

    dialogs.answer(IDOK);
    m->mnuRecBinClick();
    ASSERT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(dialogs.boxes()[1].caption, "Confirm File Delete");
    EXPECT_EQ(dialogs.boxes()[1].text, "Are you sure you want to send these 3 files to the Trash?");
    EXPECT_EQ(dialogs.boxes()[1].buttons, MB_OKCANCEL);
    EXPECT_EQ(QDir(dir("Games")).entryList(QDir::Files), QStringList({"d.zip"}));
    EXPECT_EQ(ReadAll(home.home() + ".local/share/Trash/files/a.zip"), "a.zip");
    EXPECT_TRUE(QFileInfo::exists(home.home() + ".local/share/Trash/info/c.zip.trashinfo"));
    EXPECT_EQ(RecordFile("Programs", "Games").recordNames(), QStringList({"d.zip"}));
    EXPECT_EQ(m->FEDownloads->FileNames(), QStringList({"d.zip"}));
}

TEST_F(FileOpsTest, OneFileDeletedForGoodAfterItsOwnQuestion)
{
    put("Games", "a.zip");
    RecordFile("Programs", "Games").writeString("a.zip", "Desc", "d");
    auto m = shown();
    select(m.get(), {"a.zip"});
    dialogs.answer(IDOK);
    m->N17Click();
    EXPECT_EQ(dialogs.texts(), QStringList({"Are you sure you want to permanently delete a.zip ?"}));
    EXPECT_FALSE(QFileInfo::exists(dir("Games") + "a.zip"));
    EXPECT_FALSE(QDir(home.home() + ".local/share/Trash/files").exists());
    EXPECT_TRUE(RecordFile("Programs", "Games").recordNames().isEmpty());
}

TEST_F(FileOpsTest, AFileThatCannotBeDeletedKeepsItsRecordAndTheOthersGoOn)
{
    put("Games", "a.zip");
    put("Games", "b.zip");
    for (const char* name : {"a.zip", "b.zip"})
        RecordFile("Programs", "Games").writeString(name, "Desc", name);
    auto m = shown();
    select(m.get(), {"a.zip", "b.zip"});
    LockedPath lock(dir("Games") + "a.zip");
    if (!lock.locked())
        GTEST_SKIP() << "cannot lock a file here";
    dialogs.answer(IDOK);
    m->mnuRecBinClick();
    lock.unlock();
    ASSERT_GE(dialogs.boxes().size(), 2);
    const QString message = dialogs.boxes()[1].text;
    EXPECT_TRUE(message.startsWith("Could not send \"" + dir("Games") + "a.zip\" to the Trash: ")) << message.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir("Games") + "a.zip"));
    EXPECT_TRUE(RecordFile("Programs", "Games").hasRecord("a.zip"));
    if (lock.fileOnly()) {
        EXPECT_FALSE(QFileInfo::exists(dir("Games") + "b.zip")) << "the next file still goes";
        EXPECT_FALSE(RecordFile("Programs", "Games").hasRecord("b.zip"));
    }
}

TEST_F(FileOpsTest, TheScannerGetsOneFileAsOneArgumentOrTheFolderForTwoAndOnlyACleanScanIsRecorded)
{
    const QString scanner = Scanner(home.home(), "scanner", 0);
    Settings::SetCommandLine(scanner);
    Settings::SetParameters("--infected \"--log=/tmp/a b\"");
    const QString odd = "x\"; rm -rf $HOME; \".exe";
    put("Games", odd);
    put("Games", "b.zip");
    RecordFile("Programs", "Games").writeString("b.zip", "Desc", "b");
    RecordFile("Programs", "Games").writeString("other", "Desc", "a record without its file");
    auto m = shown();

    select(m.get(), {odd});
    m->mnuScanClick();
    TfrmScan* scan = FinishedScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(Lines(scanner + ".args"), QStringList({dir("Games") + odd, "--infected", "--log=/tmp/a b"}));
    EXPECT_EQ(scan->Run()->Result(), ScannerRun::Verdict::Clean);
    EXPECT_EQ(scan->lblVerdict->text(), "No virus was found in \"" + dir("Games") + odd + "\".");
    EXPECT_EQ(scan->mmoOutput->toPlainText(), "scanned " + dir("Games") + odd + "\n");
    RecordFile records("Programs", "Games");
    EXPECT_EQ(records.readString(odd, "LastScanned", ""), today);
    EXPECT_FALSE(records.valueExists("b.zip", "LastScanned"));
    CloseScans();

    select(m.get(), {odd, "b.zip"});
    m->mnuScanClick();
    ASSERT_NE(FinishedScan(), nullptr);
    EXPECT_EQ(Lines(scanner + ".args"), QStringList({home.path() + "Programs/Games", "--infected", "--log=/tmp/a b"}));
    EXPECT_EQ(records.readString("b.zip", "LastScanned", ""), today);
    EXPECT_EQ(records.readString("other", "LastScanned", ""), today) << "every record of the folder";
    CloseScans();

    // Another scanner's status other than 0 is no clean check.
    records.writeString("b.zip", "LastScanned", "Never");
    Settings::SetCommandLine(Scanner(home.home(), "otherscan", 3));
    select(m.get(), {"b.zip"});
    m->mnuScanClick();
    scan = FinishedScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->Run()->Result(), ScannerRun::Verdict::NotClean);
    EXPECT_EQ(scan->lblVerdict->text(), "Warning: the virus scanner did not report \"" + dir("Games")
                                            + "b.zip\" clean (exit status 3). Its report is below.");
    EXPECT_EQ(records.readString("b.zip", "LastScanned", ""), "Never");
    EXPECT_EQ(m->lblVChecked->text(), "Never");
    CloseScans();
}

// --- Drops ------------------------------------------------------------------

TEST_F(FileOpsTest, AListFileDroppedOnAnotherFolderMovesOrCopiesWithItsRecord)
{
    put("Games", "a.zip", "A");
    put("Games", "b.zip", "B");
    RecordFile games("Programs", "Games");
    games.writeString("a.zip", "Desc", "first");
    games.writeString("a.zip", "DateDownloaded", "1 Dec 2026");
    auto m = shown();
    TLookOutButton* utilities = m->Nav->Page(0)->Button(1);

    AnswerMenu(Qt::Key_M);
    DropOnButton(m.get(), utilities, {dir("Games") + "a.zip"});
    EXPECT_EQ(ReadAll(dir("Utilities") + "a.zip"), "A");
    EXPECT_FALSE(QFileInfo::exists(dir("Games") + "a.zip"));
    EXPECT_FALSE(games.hasRecord("a.zip")) << "a moved record leaves";
    EXPECT_EQ(ReadAll(home.file("Programs-Utilities.ini")),
              // The information panel stored a.zip's record when it was shown (the
              // days counted from then on).
              "[a.zip]\nDesc=first\nSource=Click here to edit\nNotes=Click here to edit\nDelete=0\nAlterDeleteOn=" +
                  today.toUtf8() + "\nOpenWhen=0\nDeleteDays=30\nLastOpened=Never\nLastScanned=Never\nDateDownloaded=1 Dec 2026\nOpenPrompt=1\n");
    EXPECT_EQ(m->FEDownloads->FileNames(), QStringList({"b.zip"}));

    games.writeString("b.zip", "Notes", QString("one") + QChar(0xFF) + "two");
    AnswerMenu(Qt::Key_C);
    DropOnButton(m.get(), m->Nav->Page(0)->Button(2), {dir("Games") + "b.zip"});
    EXPECT_EQ(ReadAll(dir("Tools") + "b.zip"), "B");
    EXPECT_EQ(ReadAll(dir("Games") + "b.zip"), "B");
    RecordFile tools("Programs", "Tools");
    EXPECT_EQ(tools.readNotes("b.zip"), QStringList({"one", "two"}));
    EXPECT_EQ(games.readString("b.zip", "Notes", ""), tools.readString("b.zip", "Notes", ""));

    AnswerMenu(Qt::Key_N);
    DropOnButton(m.get(), utilities, {dir("Games") + "b.zip"});
    EXPECT_FALSE(QFileInfo::exists(dir("Utilities") + "b.zip")) << "Cancel drops nothing";
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(FileOpsTest, DesktopFilesGetDefaultRecordsAndFoldersAreRefused)
{
    QDir().mkpath(home.home() + "Downloads/album");
    WriteAll(home.home() + "Downloads/a.zip", "desktop");
    put("Games", "a.zip", "a different file of the same name");
    RecordFile games("Programs", "Games");
    games.writeString("a.zip", "Desc", "mine");
    auto m = shown();

    AnswerMenu(Qt::Key_M);
    DropOnButton(m.get(), m->Nav->Page(0)->Button(1),
                 {home.home() + "Downloads/album", home.home() + "Downloads/a.zip"});
    EXPECT_EQ(dialogs.texts(), QStringList({"Cannot add the folder \"" + home.home() + "Downloads/album\""}));
    EXPECT_EQ(ReadAll(dir("Utilities") + "a.zip"), "desktop");
    RecordFile utilities("Programs", "Utilities");
    EXPECT_EQ(utilities.readString("a.zip", "Desc", ""), "Click here to edit");
    EXPECT_EQ(utilities.readString("a.zip", "OpenPrompt", ""), "1");
    EXPECT_EQ(games.readString("a.zip", "Desc", ""), "mine") << "another file's record stays where it is";
}

TEST_F(FileOpsTest, AnExistingFileIsReplacedOnlyOnYes)
{
    put("Games", "a.zip", "new a");
    put("Games", "b.zip", "new b");
    put("Games", "c.zip", "new c");
    for (const char* name : {"a.zip", "b.zip", "c.zip"})
        put("Utilities", name, "old");
    RecordFile("Programs", "Utilities").writeString("a.zip", "Desc", "old record");
    RecordFile("Programs", "Games").writeString("a.zip", "Desc", "new record");
    auto m = shown();
    TLookOutButton* utilities = m->Nav->Page(0)->Button(1);
    const QStringList all = {dir("Games") + "a.zip", dir("Games") + "b.zip", dir("Games") + "c.zip"};

    dialogs.answer(IDNO);
    dialogs.answer(IDCANCEL);
    AnswerMenu(Qt::Key_M);
    DropOnButton(m.get(), utilities, all);
    ASSERT_EQ(dialogs.boxes().size(), 2) << "Cancel ends the whole drop";
    EXPECT_EQ(dialogs.boxes()[0].caption, "Confirm File Replace");
    EXPECT_EQ(dialogs.boxes()[0].text,
              "This folder already contains a file called \"a.zip\".  Do you want to replace the existing file?");
    EXPECT_EQ(dialogs.boxes()[0].buttons, MB_YESNOCANCEL);
    EXPECT_EQ(dialogs.boxes()[0].defaultButton, IDNO);
    for (const char* name : {"a.zip", "b.zip", "c.zip"}) {
        EXPECT_EQ(ReadAll(dir("Utilities") + name), "old");
        EXPECT_TRUE(QFileInfo::exists(dir("Games") + name));
    }
    EXPECT_EQ(RecordFile("Programs", "Utilities").readString("a.zip", "Desc", ""), "old record");
    EXPECT_TRUE(RecordFile("Programs", "Games").hasRecord("a.zip"));

    dialogs.clear();
    dialogs.answer(IDYES);
    AnswerMenu(Qt::Key_M);
    DropOnButton(m.get(), utilities, {all[0]});
    EXPECT_EQ(ReadAll(dir("Utilities") + "a.zip"), "new a");
    EXPECT_FALSE(QFileInfo::exists(all[0]));
    EXPECT_EQ(RecordFile("Programs", "Utilities").readString("a.zip", "Desc", ""), "new record");

    dialogs.clear();
    AnswerMenu(Qt::Key_M);
    DropOnButton(m.get(), m->Nav->Page(0)->Button(0), {all[1]});
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << "dropped onto the folder it lies in: nothing happens";
    EXPECT_EQ(ReadAll(all[1]), "new b");
}

TEST_F(FileOpsTest, AFileThatCannotMoveKeepsItsRecord)
{
    put("Games", "a.zip", "A");
    RecordFile("Programs", "Games").writeString("a.zip", "Desc", "kept");
    auto m = shown();
    {
        LockedPath lock(dir("Games") + "a.zip");
        if (!lock.locked())
            GTEST_SKIP() << "cannot lock a file here";
        AnswerMenu(Qt::Key_M);
        DropOnButton(m.get(), m->Nav->Page(0)->Button(1), {dir("Games") + "a.zip"});
    }
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.boxes()[0].text.startsWith("Could not move \"" + dir("Games") + "a.zip\" to \""
                                                    + home.path() + "Programs/Utilities\": "));
    EXPECT_EQ(ReadAll(dir("Games") + "a.zip"), "A");
    EXPECT_TRUE(RecordFile("Programs", "Games").hasRecord("a.zip"));
    EXPECT_FALSE(QFileInfo::exists(home.file("Programs-Utilities.ini")));

}

// A file from a folder it cannot leave (immutable: root too is refused),
// dropped with Move onto a folder of another disk that holds a file of the
// same name, answered Yes: the copy is made there, the original cannot go.
TEST_F(FileOpsTest, AReplacingMoveToAnotherDiskThatCannotFinishKeepsTheFileThatWasThere)
{
    QTemporaryDir shm("/dev/shm/flk-fast-XXXXXX");
    if (!shm.isValid())
        GTEST_SKIP() << "no second file system at /dev/shm";
    const QString fast = shm.path() + "/Fast/";
    Catalogue::AddSection("Fast", fast);
    Catalogue::AddFolder("Inbox", "Fast", 3, 2);
    WriteAll(fast + "Inbox/a.zip", "old");
    RecordFile("Fast", "Inbox").writeString("a.zip", "Desc", "old record");
    const QString dropped = home.home() + "Downloads/a.zip";
    QDir().mkpath(home.home() + "Downloads");
    WriteAll(dropped, "new");
    auto m = shown();
    m->Nav->Page(2)->Press();
    TLookOutButton* inbox = m->Nav->Page(2)->Button(0);
    {
        LockedPath lock(home.home() + "Downloads");
        if (!lock.locked())
            GTEST_SKIP() << "cannot lock a directory here";
        dialogs.answer(IDYES);
        AnswerMenu(Qt::Key_M);
        DropOnButton(m.get(), inbox, {dropped});
    }
    ASSERT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(dialogs.boxes()[0].caption, "Confirm File Replace");
    EXPECT_TRUE(dialogs.boxes()[1].text.startsWith("Could not move \"" + dropped + "\" to \"" + fast + "Inbox\": "))
        << dialogs.boxes()[1].text.toStdString();
    EXPECT_EQ(ReadAll(fast + "Inbox/a.zip"), "old") << "the file that was in the folder is still there";
    EXPECT_EQ(ReadAll(dropped), "new");
    EXPECT_EQ(QDir(fast + "Inbox").entryList(QDir::Files | QDir::Hidden), QStringList({"a.zip"}));
    EXPECT_EQ(RecordFile("Fast", "Inbox").readString("a.zip", "Desc", ""), "old record");

    dialogs.clear();
    dialogs.answer(IDYES);
    AnswerMenu(Qt::Key_M);
    DropOnButton(m.get(), inbox, {dropped});
    EXPECT_EQ(ReadAll(fast + "Inbox/a.zip"), "new");
    EXPECT_FALSE(QFileInfo::exists(dropped));
    EXPECT_EQ(QDir(fast + "Inbox").entryList(QDir::Files | QDir::Hidden), QStringList({"a.zip"}));
    EXPECT_EQ(RecordFile("Fast", "Inbox").readString("a.zip", "Desc", ""), "Click here to edit")
        << "the record follows the file that is there now";
}

// A user who takes over a second to answer a replace question: the
// "Copying files..." window never comes up over it, and once it shows, the
// next question is its child, above it.
class SlowAnswers : public ScriptedDialogs {
public:
    struct Asked {
        QWidget* parent;      // only to compare: gone after the drop
        QString progressText; // of its owner, when that is a progress window
        bool progressOver;    // a progress window other than its owner showed meanwhile
    };
    int messageBox(QWidget* parent, const MessageRequest& request) override
    {
        QTest::qWait(asked.isEmpty() ? 1300 : 20); // reading the question
        bool over = false;
        for (QProgressDialog* p : parent->window()->findChildren<QProgressDialog*>())
            over = over || (p->isVisible() && p != parent);
        if (auto* top = qobject_cast<QProgressDialog*>(QApplication::activeWindow()); top && top != parent)
            over = true;
        auto* progress = qobject_cast<QProgressDialog*>(parent);
        asked << Asked{parent, progress ? progress->labelText() : QString(), over};
        return ScriptedDialogs::messageBox(parent, request);
    }
    QList<Asked> asked;
};

TEST_F(FileOpsTest, TheReplaceQuestionStaysAboveTheCopyingWindow)
{
    for (const char* name : {"a.zip", "b.zip", "c.zip"}) {
        put("Games", name, "new");
        put("Utilities", name, "old");
    }
    auto m = shown();
    SlowAnswers slow;
    slow.answer(IDYES);
    slow.answer(IDYES);
    slow.answer(IDNO);
    AnswerMenu(Qt::Key_C);
    DropOnButton(m.get(), m->Nav->Page(0)->Button(1),
                 {dir("Games") + "a.zip", dir("Games") + "b.zip", dir("Games") + "c.zip"});
    ASSERT_EQ(slow.asked.size(), 3);
    EXPECT_FALSE(slow.asked[0].progressOver) << "the progress window came up over the first question";
    EXPECT_EQ(slow.asked[0].parent, m.get()) << "no progress shown yet: the question belongs to the window";
    for (int i : {1, 2}) {
        EXPECT_FALSE(slow.asked[i].progressOver);
        EXPECT_EQ(slow.asked[i].progressText, "Copying files...") << "question " << i << " is not above it";
    }
    EXPECT_EQ(ReadAll(dir("Utilities") + "b.zip"), "new");
    EXPECT_EQ(ReadAll(dir("Utilities") + "c.zip"), "old");
}

TEST_F(FileOpsTest, FilesDroppedOnTheListComeWithoutRecordsAndNeedAFolder)
{
    WriteAll(home.home() + "a.zip", "A");
    auto m = shown();
    AnswerMenu(Qt::Key_C);
    Drop(m->FEDownloads->viewport(), {5, 5}, {home.home() + "a.zip"});
    EXPECT_EQ(ReadAll(dir("Games") + "a.zip"), "A");
    EXPECT_TRUE(QFileInfo::exists(home.home() + "a.zip"));
    EXPECT_FALSE(QFileInfo::exists(home.file("Programs-Games.ini")));
    EXPECT_EQ(m->FEDownloads->FileNames(), QStringList({"a.zip"}));

    Drop(m->FEDownloads->viewport(), {5, 5}, {dir("Games") + "a.zip"}); // already here: no menu, nothing
    EXPECT_TRUE(dialogs.boxes().isEmpty());

    Catalogue::AddSection("Empty", home.path() + "Empty/");
    m->NewPage("Bare", home.path() + "Bare/");
    m->Nav->SetActivePage(m->Nav->Page(2));
    Drop(m->FEDownloads->viewport(), {5, 5}, {home.home() + "a.zip"});
    EXPECT_EQ(dialogs.texts(), QStringList({"You cannot add files to an empty section.  Please create a folder for "
                                            "these files to be placed in."}));
}

TEST_F(FileOpsTest, TheWindowsDropMessageMovesIntoTheFolderUnderThePointerWithoutQuestions)
{
    WriteAll(home.home() + "a.zip", "A");
    WriteAll(home.home() + "b.zip", "new");
    put("Utilities", "b.zip", "old");
    auto m = shown();
    m->HoverButton = m->Nav->Page(0)->Button(1);
    Drop(m.get(), {300, 300}, {home.home() + "a.zip", home.home() + "b.zip"});
    QApplication::processEvents();
    EXPECT_EQ(ReadAll(dir("Utilities") + "a.zip"), "A");
    EXPECT_EQ(ReadAll(dir("Utilities") + "b.zip"), "old") << "never replaced without asking";
    EXPECT_EQ(ReadAll(home.home() + "b.zip"), "new");
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.boxes()[0].text.endsWith(": File exists."));
    EXPECT_FALSE(QFileInfo::exists(home.file("Programs-Utilities.ini")));
}

// --- Folders moved between sections -------------------------------------------

TEST_F(FileOpsTest, GamesMovedIntoASectionWithGamesAndGames1ArrivesAsGames2)
{
    put("Games", "a.zip", "A");
    RecordFile("Programs", "Games").writeString("a.zip", "Desc", "kept");
    QDir().mkpath(dir("Games") + "saves");
    auto m = shown();
    AppMessages::Post(WM_FLK_MOVEFOLDER, 2, 1);
    QApplication::processEvents();

    EXPECT_EQ(Catalogue::FolderNames("Music"), QStringList({"Games", "Games1", "Games2"}));
    EXPECT_EQ(Catalogue::FolderIcon("Music", 3), 7);
    EXPECT_EQ(ReadAll(home.file("Programs.ini")),
              "[Main]\nNumCats=2\n[Cat1]\nName=Utilities\nIcon=7\n[Cat2]\nName=Tools\nIcon=7\n");
    EXPECT_EQ(ReadAll(dir("Games2", "Music") + "a.zip"), "A");
    EXPECT_TRUE(QDir(dir("Games2", "Music") + "saves").exists());
    EXPECT_FALSE(QDir(dir("Games")).exists());
    EXPECT_FALSE(QFileInfo::exists(home.file("Programs-Games.ini")));
    EXPECT_EQ(RecordFile("Music", "Games2").readString("a.zip", "Desc", ""), "kept");
    ASSERT_EQ(m->Nav->Page(0)->ButtonCount(), 2);
    EXPECT_EQ(m->Nav->Page(1)->Button(2)->Caption(), "Games2");
    EXPECT_EQ(m->GetClickedButton(), m->Nav->Page(0)->Button(0)) << "the folder after it is current";
    EXPECT_EQ(m->FEDownloads->Directory(), dir("Utilities"));
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(FileOpsTest, AFolderMoveNeverMergesIntoADirectoryAlreadyThere)
{
    put("Games", "a.zip", "moved");
    QDir().mkpath(dir("Games2", "Music"));
    WriteAll(dir("Games2", "Music") + "a.zip", "stray");
    auto m = shown();
    m->MoveCatToSection(m->Nav->Page(1), m->Nav->Page(0)->Button(0));
    EXPECT_EQ(Catalogue::FolderNames("Music"), QStringList({"Games", "Games1", "Games3"}));
    EXPECT_EQ(ReadAll(dir("Games2", "Music") + "a.zip"), "stray");
    EXPECT_EQ(ReadAll(dir("Games3", "Music") + "a.zip"), "moved");
}

TEST_F(FileOpsTest, TheOnlyFolderOfASectionLeavesItsSectionShowingItsOwnDirectory)
{
    // On another file system where there is one: the folder is copied, then removed.
    QTemporaryDir shm("/dev/shm/flk-solo-XXXXXX");
    const QString solo = shm.isValid() ? shm.path() + "/Solo/" : home.path() + "Solo/";
    Catalogue::AddSection("Solo", solo);
    Catalogue::AddFolder("Only", "Solo", 3, 2);
    WriteAll(solo + "Only/a.zip", "A");
    Catalogue::AddFolder("Gone", "Solo", 3, 2);
    QDir(solo + "Gone").removeRecursively();
    auto m = shown();
    m->Nav->Page(2)->Press();
    m->MoveCatToSection(m->Nav->Page(1), m->Nav->Page(2)->Button(1));
    EXPECT_EQ(dialogs.texts(), QStringList({"There was an error while moving the folder \"Gone\".  Its "
                                            "corresponding folder could not be found."}));
    EXPECT_EQ(Catalogue::FolderNames("Music"), QStringList({"Games", "Games1"})) << "nothing changes";

    Catalogue::DeleteFolder("Solo", 2);
    delete m->Nav->Page(2)->Button(1);
    m->MoveCatToSection(m->Nav->Page(1), m->Nav->Page(2)->Button(0));
    EXPECT_EQ(ReadAll(dir("Only", "Music") + "a.zip"), "A");
    EXPECT_FALSE(QFileInfo::exists(solo + "Only"));
    EXPECT_EQ(m->Nav->Page(2)->ButtonCount(), 0);
    EXPECT_EQ(m->FEDownloads->Directory(), solo);
    EXPECT_FALSE(m->mnuRenCat->isEnabled());
    EXPECT_EQ(m->GetClickedButton(), nullptr);
}

TEST_F(FileOpsTest, ClamAVFindingOurOwnSignatureWarnsAndRecordsNoCheck)
{
    if (!QFileInfo::exists("/usr/bin/clamscan"))
        GTEST_SKIP() << "ClamAV is not installed";
    const QByteArray harmless = "a harmless file that our own signature names\n";
    const QString file = put("Games", "sample file.txt", harmless);
    put("Games", "clean.txt", "nothing to see");
    const QString database = home.home() + "own.hdb";
    WriteAll(database, QCryptographicHash::hash(harmless, QCryptographicHash::Md5).toHex() + ":"
                           + QByteArray::number(harmless.size()) + ":Fetchlark.Test.Signature\n");
    Settings::SetCommandLine("/usr/bin/clamscan");
    Settings::SetParameters("--no-summary -d \"" + database + "\"");
    auto m = shown();

    select(m.get(), {"sample file.txt"});
    m->mnuScanClick();
    TfrmScan* scan = FinishedScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->Run()->Result(), ScannerRun::Verdict::Found);
    EXPECT_EQ(scan->lblVerdict->text(),
              "Warning: the virus scanner found a virus in \"" + file + "\". Its report is below.");
    EXPECT_TRUE(scan->isVisible());
    EXPECT_TRUE(scan->mmoOutput->toPlainText().contains(file + ": Fetchlark.Test.Signature.UNOFFICIAL FOUND"))
        << scan->mmoOutput->toPlainText().toStdString();
    RecordFile records("Programs", "Games");
    EXPECT_FALSE(records.valueExists("sample file.txt", "LastScanned")) << "a find is no clean check";
    EXPECT_EQ(m->lblVChecked->text(), "Never");
    CloseScans();

    select(m.get(), {"clean.txt"});
    m->mnuScanClick();
    scan = FinishedScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->Run()->Result(), ScannerRun::Verdict::Clean);
    EXPECT_EQ(records.readString("clean.txt", "LastScanned", ""), today);
    EXPECT_EQ(m->lblVChecked->text(), today);
    CloseScans();

    // ClamAV's 2: the scan did not complete (here: a database that is not there).
    Settings::SetParameters("--no-summary -d \"" + home.home() + "missing.hdb\"");
    records.writeString("clean.txt", "LastScanned", "Never");
    m->mnuScanClick();
    scan = FinishedScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->Run()->Result(), ScannerRun::Verdict::Failed);
    EXPECT_EQ(scan->lblVerdict->text(), "The virus scan of \"" + dir("Games")
                                            + "clean.txt\" did not complete: the scanner reported an error (exit status 2).");
    EXPECT_EQ(records.readString("clean.txt", "LastScanned", ""), "Never");
    CloseScans();
}
