// The program itself, started as a process: it answers under "FLK" with the
// browser helper registered, a second copy leaves without taking its place
// (started without arguments, it has the first one show its window),
// and SIGTERM takes the end-of-session path (helper unregistered, exit 0).

#include "Endpoint.h"
#include "Settings.h"
#include "TempHome.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using namespace flk;
using namespace flk::test;

namespace {

QString Program()
{
    return QCoreApplication::applicationDirPath() + "/fetchlark";
}

bool WaitFor(const std::function<bool()>& done, int ms = 15000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(Program())) << Program().toStdString();
        // Chromium's folder: the program registers its host for a browser
        // the user has.
        QDir().mkpath(home.home() + ".config/chromium");
        // A later start with a speed set: nothing modal stands in the way.
        Settings::SetFirstRun(false);
        Settings::SetSpeed(28800);
        program.setProgram(Program());
        program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    }
    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }
    QString Manifest() const { return home.home() + ".config/chromium/NativeMessagingHosts/org.fetchlark.flkauto.json"; }

    TempHome home;
    QProcess program;
};

TEST_F(ProgramTest, AnswersAsFLKAndEndsTheSessionOnSigterm)
{
    program.start();
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(WaitFor([this] { return Endpoint::Exists("FLK") && QFileInfo::exists(Manifest()); }))
        << "the tray window never answered as FLK with the browsers' host registered";

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(Manifest())) << "the end of the session unregisters the helper";
    EXPECT_FALSE(Endpoint::Exists("FLK"));
    EXPECT_FALSE(Settings::valueExists("Position", "Width")) << "the end of the session saves no position";
}

TEST_F(ProgramTest, ASecondCopyLeavesTheFirstOneAnswering)
{
    program.start();
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(WaitFor([this] { return Endpoint::Exists("FLK") && QFileInfo::exists(Manifest()); }));

    QProcess second;
    second.start(Program(), {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    const QByteArray said = second.readAllStandardError();
    EXPECT_TRUE(said.contains("Fetchlark is already running.")) << said.toStdString();
    EXPECT_TRUE(said.contains("Its manager window is brought forward.")) << "the running copy showed its window";
    EXPECT_EQ(program.state(), QProcess::Running);
    EXPECT_TRUE(Endpoint::Exists("FLK"));
    EXPECT_TRUE(QFileInfo::exists(Manifest())) << "the second copy must not unregister the first one's helper";
}

} // namespace
