// The program on a real X display, the way users met its faults: a program
// folder or settings file it may not write (it runs as another user when the
// tests run as root), and a tray that starts after it. The error boxes are real windows,
// answered with the keyboard; the tray is Debian's trayer.

#include "Catalogue.h"
#include "Endpoint.h"
#include "RecordFile.h"
#include "Settings.h"
#include "StoredDate.h"
#include "TempHome.h"
#include "XSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <utility>
#include <pwd.h>
#include <unistd.h>

using namespace flk;
using namespace flk::test;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 15000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
        QCoreApplication::processEvents(); // the program's output comes in
    }
    return true;
}

// The program and what it ships (helper library and host, icons, help), as
// an install lays them beside it, into `to` (mode 755).
bool CopyTheProgram(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                  | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    const QStringList shipped = QDir(from).entryList(
        {"fetchlark", "FLKAuto.so", "flkauto-host", "flk.html", "*.png"}, QDir::Files);
    if (!shipped.contains("fetchlark") || !shipped.contains("FLKAuto.so"))
        return false;
    for (const QString& name : shipped)
        if (!QFile::copy(from + "/" + name, to + "/" + name))
            return false;
    return true;
}

class DesktopProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!x.Available())
            GTEST_SKIP() << x.SkipText().toStdString();
        const QString root = QDir::cleanPath(home.path() + "..");
        // Chromium's folder: the program registers its host for a browser
        // the user has.
        QDir().mkpath(home.home() + ".config/chromium");
        if (geteuid() == 0) {
            // Root writes everywhere: the program runs as "nobody", owning
            // its home and runtime folders but not the program folder.
            const passwd* pw = getpwnam("nobody");
            ASSERT_TRUE(pw);
            uid = pw->pw_uid;
            gid = pw->pw_gid;
            QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                            | QFile::ExeOther);
            ASSERT_EQ(QProcess::execute("chown", {"-R", QString("%1:%2").arg(uid).arg(gid), root + "/home",
                                                  root + "/run"}),
                      0);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (uid >= 0) {
            // That user may not enter the folders above the build (a clone in
            // a home folder of mode 700): it runs a copy of the program and its
            // shipped files from a folder it can read but not write.
            const QString bin = root + "/bin";
            ASSERT_TRUE(CopyTheProgram(QCoreApplication::applicationDirPath(), bin));
            program.setProgram(bin + "/fetchlark");
            // The helper library it links comes from there, before the build's own path.
            const QString libraries = env.value("LD_LIBRARY_PATH");
            env.insert("LD_LIBRARY_PATH", libraries.isEmpty() ? bin : bin + ":" + libraries);
        } else {
            program.setProgram(QCoreApplication::applicationDirPath() + "/fetchlark");
        }
        env.insert("DISPLAY", x.Display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("DBUS_SESSION_BUS_ADDRESS"); // the X tray, not a desktop bus's
        program.setProcessEnvironment(env);
        program.setChildProcessModifier([this] {
            if (uid >= 0) {
                (void)setgid(gid);
                (void)setuid(uid);
            }
        });
    }
    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
        QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A later start with a speed set, so nothing modal stands in the way,
    // and a settings file the program may read but not write.
    void LaterStartWithAReadOnlySettingsFile()
    {
        Settings::SetFirstRun(false);
        Settings::SetSpeed(28800);
        if (uid >= 0) {
            ASSERT_EQ(QProcess::execute("chown", {QString("%1:%2").arg(uid).arg(gid), home.path()}), 0);
        }
        QFile::setPermissions(home.file("dlmain.ini"), QFile::ReadOwner | QFile::ReadOther);
    }
    // A program folder the program may not write at all.
    void ReadOnlyFolder()
    {
        if (uid < 0)
            QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    }
    // Answers every box with Return until the program reports `text`.
    bool AnswerUntil(const QString& text)
    {
        for (int i = 0; i < 20; ++i) {
            if (WaitFor([&] { return Errors().contains(text); }, 700))
                return true;
            x.Key("Return");
        }
        return false;
    }
    void Start()
    {
        program.start();
        ASSERT_TRUE(program.waitForStarted());
        ASSERT_TRUE(WaitFor([this] { return Answering("FLK"); }))
            << "the program never answered as FLK: " << Errors().toStdString();
    }
    // The program listens under `caption` (another user's socket is only
    // looked at, never connected to).
    bool Answering(const QString& caption) const
    {
        if (uid < 0)
            return Endpoint::Exists(caption);
        return QFileInfo::exists(QDir::cleanPath(home.path() + "../run/fetchlark/") + "/" + caption);
    }
    // Everything the program printed on standard error so far.
    QString Errors()
    {
        errors += QString::fromUtf8(program.readAllStandardError());
        return errors;
    }
    bool WaitForError(const QString& text)
    {
        return WaitFor([&] { return Errors().contains(text); });
    }
    // Starts the tray and waits until the program's icon is docked in it.
    QString DockedIcon()
    {
        if (!x.StartTray())
            return {};
        QString icon;
        WaitFor([&] {
            for (const QString& w : x.WindowsOfClass("fetchlark"))
                if (x.IsDocked(w))
                    icon = w;
            return !icon.isEmpty();
        });
        QThread::msleep(700); // the tray lays its icons out
        return icon;
    }
    // Opens the tray menu and picks the item `upFromBottom` places above the
    // end ("Exit" is 1, "Intercept Downloads" 2).
    void TrayMenu(const QString& icon, int upFromBottom)
    {
        x.Click(icon, 3);
        QThread::msleep(700);
        for (int i = 0; i < upFromBottom; ++i) {
            x.Key("Up");
            QThread::msleep(200);
        }
        x.Key("Return");
    }
    QString Manifest() const { return home.home() + ".config/chromium/NativeMessagingHosts/org.fetchlark.flkauto.json"; }
    // The program is alive, answers, and ends normally on SIGTERM.
    void ExpectItWentOn()
    {
        QThread::msleep(500);
        ASSERT_EQ(program.state(), QProcess::Running) << Errors().toStdString();
        EXPECT_TRUE(Answering("FLK"));
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    TempHome home;
    XSession x;
    QProcess program;
    QString errors;
    int uid = -1;
    int gid = -1;
};

TEST_F(DesktopProgramTest, AFirstStartInAFolderItCannotWriteShowsTheErrorAndGoesOn)
{
    ReadOnlyFolder();
    Start();
    // The helper's registration, whose files live there too, says so first.
    ASSERT_TRUE(AnswerUntil("Fetchlark: Unable to create directory")) << Errors().toStdString();
    x.Key("Return"); // the error box
    QThread::msleep(500);
    x.Key("Escape"); // the setup wizard
    ExpectItWentOn();
}

TEST_F(DesktopProgramTest, TheTrayIconAppearsWhenTheTrayStartsAfterTheProgram)
{
    Settings::SetFirstRun(false);
    Settings::SetSpeed(28800);
    Start();
    QThread::msleep(500);
    const QString icon = DockedIcon();
    if (icon.isEmpty() && !x.SkipText().isEmpty())
        GTEST_SKIP() << x.SkipText().toStdString();
    EXPECT_FALSE(icon.isEmpty()) << "no icon docked in the tray that started after the program";
    EXPECT_FALSE(Errors().contains("No Icon set")) << Errors().toStdString();
}

TEST_F(DesktopProgramTest, TheInterceptionToggleWithAReadOnlySettingsFileShowsTheErrorAndGoesOn)
{
    LaterStartWithAReadOnlySettingsFile();
    Start();
    const QString icon = DockedIcon();
    if (icon.isEmpty())
        GTEST_SKIP() << (x.SkipText().isEmpty() ? "the icon never docked" : x.SkipText().toStdString());
    TrayMenu(icon, 2);
    ASSERT_TRUE(WaitForError("Fetchlark: Unable to write to " + home.file("dlmain.ini"))) << Errors().toStdString();
    x.Key("Return");
    EXPECT_FALSE(Answering("FLK - Download Detect Disabled")) << "the caption follows the stored setting";
    ExpectItWentOn();
}

TEST_F(DesktopProgramTest, ExitWithTheManagerShownUnregistersTheHelperWhenThePositionCannotBeSaved)
{
    LaterStartWithAReadOnlySettingsFile();
    Start();
    ASSERT_TRUE(WaitFor([this] { return QFileInfo::exists(Manifest()); }));
    const QString icon = DockedIcon();
    if (icon.isEmpty())
        GTEST_SKIP() << (x.SkipText().isEmpty() ? "the icon never docked" : x.SkipText().toStdString());
    x.Click(icon, 1, 2); // the manager window
    QThread::msleep(800);
    TrayMenu(icon, 1);
    ASSERT_TRUE(WaitForError("Fetchlark: Unable to write to " + home.file("dlmain.ini"))) << Errors().toStdString();
    x.Key("Return");
    ASSERT_TRUE(program.waitForFinished(10000)) << "Exit did not end the program";
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(Manifest())) << "the helper stays registered";
}

TEST_F(DesktopProgramTest, ExitFromTheTrayWhileAStartUpQuestionIsOpenEndsTheProgramAndAnswersNothing)
{
    // A file downloaded long ago and never opened: a question at start-up.
    Settings::SetFirstRun(false);
    Settings::SetSpeed(28800);
    Catalogue::AddSection("Programs", home.path() + "Programs/");
    Catalogue::AddFolder("Games", "Programs", 46, 0);
    RecordFile("Programs", "Games")
        .writeString("game.zip", "DateDownloaded", StoredDate::ToText(QDate::currentDate().addDays(-100)));
    WriteAll(home.path() + "Programs/Games/game.zip", "bytes");
    const QByteArray records = ReadAll(home.file("Programs-Games.ini"));
    if (uid >= 0) {
        ASSERT_EQ(QProcess::execute("chown", {"-R", QString("%1:%2").arg(uid).arg(gid), home.path()}), 0);
    }
    Start();
    const QString icon = DockedIcon();
    if (icon.isEmpty())
        GTEST_SKIP() << (x.SkipText().isEmpty() ? "the icon never docked" : x.SkipText().toStdString());
    ASSERT_TRUE(WaitFor([this] {
        return !x.Tool("xdotool", {"search", "--onlyvisible", "--name", "^Fetchlark$"}).isEmpty();
    })) << "no question at start-up";
    TrayMenu(icon, 1);
    ASSERT_TRUE(program.waitForFinished(10000)) << "the tray gave no Exit while the question was open";
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ReadAll(home.file("Programs-Games.ini")), records) << "the question was answered for the user";
}

// A catalogue written in an English session, the program started in a
// German one: the start-up walk runs whole (it stopped at the first date with
// "'29 Nov 2026' is not a valid date").
TEST_F(DesktopProgramTest, AStartInAnotherLanguageWalksACatalogueWrittenInEnglish)
{
    Settings::SetFirstRun(false);
    Settings::SetSpeed(28800);
    Settings::SetConfirmDelete(false);
    Catalogue::AddSection("Programs", home.path() + "Programs/");
    Catalogue::AddFolder("Games", "Programs", 46, 0);
    const auto english = [](int offset) {
        return QLocale::c().toString(QDate::currentDate().addDays(offset), "d MMM yyyy");
    };
    RecordFile games("Programs", "Games");
    games.writeString("vanished.zip", "DateDownloaded", english(-3));
    for (const auto& [key, value] : {std::pair{"Delete", QString("1")}, {"DeleteDays", QString("30")},
                                     {"DateDownloaded", english(-40)}, {"LastOpened", english(-39)}})
        games.writeString("due.zip", key, value);
    games.writeString("game.zip", "DateDownloaded", english(-12));
    WriteAll(home.path() + "Programs/Games/due.zip", "bytes");
    WriteAll(home.path() + "Programs/Games/game.zip", "bytes");
    if (uid >= 0) {
        ASSERT_EQ(QProcess::execute("chown", {"-R", QString("%1:%2").arg(uid).arg(gid), home.path()}), 0);
    }
    QProcessEnvironment env = program.processEnvironment();
    for (const char* name : {"LANG", "LC_ALL", "LC_TIME"})
        env.insert(name, "de_DE.UTF-8");
    program.setProcessEnvironment(env);
    Start();
    ASSERT_TRUE(WaitFor([this] {
        return !x.Tool("xdotool", {"search", "--onlyvisible", "--name", "^Fetchlark$"}).isEmpty();
    })) << "no question at start-up: " << Errors().toStdString();
    EXPECT_FALSE(Errors().contains("is not a valid date")) << Errors().toStdString();
    EXPECT_FALSE(games.hasRecord("vanished.zip")) << "a vanished file's record is tidied";
    EXPECT_FALSE(QFileInfo::exists(home.path() + "Programs/Games/due.zip")) << "a due file is deleted";
    x.Key("Escape"); // not now: never offered again
    EXPECT_TRUE(WaitFor([&] { return games.readString("game.zip", "OpenPrompt", "") == "0"; }));
    ExpectItWentOn();
}

} // namespace
