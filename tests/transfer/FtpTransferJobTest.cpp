// The FTP transfer driven without a window, against scripted loopback
// servers: the whole size is asked before REST, and a file is complete only
// with a good final reply and the size the server named.
#include "FtpScriptedServer.h"
#include "FtpTransfer.h"
#include "RecordingObserver.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace flk::test {
namespace {

std::string Std(const QByteArray& b)
{
    return std::string(b.constData(), size_t(b.size()));
}

class FtpTransferJobTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("file.bin")); }
    RecordingObserver& Run(const FtpScriptedServer& server, bool resume = true, qint64 bytesPerSecond = 0)
    {
        job = std::make_unique<TFtpTransfer>(
            QStringLiteral("ftp://127.0.0.1:%1/pub/").arg(server.port()), QStringLiteral("file.bin"), Path(), resume,
            &observer);
        job->Timeout = 5;
        job->RateLimit().SetRate(bytesPerSecond);
        EXPECT_TRUE(observer.Run(*job));
        return observer;
    }
    static std::vector<std::string> Verbs(const FtpScriptedServer& server)
    {
        std::vector<std::string> verbs;
        for (const std::string& c : server.commands())
            verbs.push_back(c.substr(0, c.find(' ')));
        return verbs;
    }

    QTemporaryDir dir;
    RecordingObserver observer;
    std::unique_ptr<TFtpTransfer> job;
};

// A server that knows SIZE; `retr` plays the RETR when given.
FtpScriptedServer::Script Sized(const QByteArray& file, FtpScriptedServer::Script retr = {})
{
    return [file, retr](FtpSession& s, const std::string& c) {
        if (c.rfind("SIZE", 0) == 0)
            s.Reply("213 " + std::to_string(file.size()));
        else if (retr && c.rfind("RETR", 0) == 0)
            retr(s, c);
        else
            s.Standard(c);
    };
}

TEST_F(FtpTransferJobTest, APartialFileIsContinuedAfterTheWholeSizeIsKnown)
{
    const QByteArray file = Pattern(90000);
    FtpScriptedServer server("220 Ready\r\n", Sized(file));
    server.SetFile(Std(file));
    WriteAll(Path(), file.left(30000));
    Run(server);

    EXPECT_TRUE(observer.Complete()) << observer.log.join('\n').toStdString();
    EXPECT_EQ(ReadAll(Path()), file);
    EXPECT_EQ(Verbs(server),
              (std::vector<std::string>{"USER", "PASS", "CWD", "TYPE", "SIZE", "PASV", "REST", "RETR", "QUIT"}));
    EXPECT_EQ(observer.sizes, (QList<QPair<qint64, qint64>>{{90000, 30000}}));
    EXPECT_EQ(observer.bytes, 90000);
}

// Servers whose "226" would have made a wrong file look complete.
TEST_F(FtpTransferJobTest, AWrongFileIsNeverComplete)
{
    const QByteArray file = Pattern(60000);
    struct Case {
        const char* name;
        FtpScriptedServer::Script retr;
        QString failure;
    };
    const QList<Case> cases{
        {"REST answered 350 and ignored: the whole file after the part",
         [file](FtpSession& s, const std::string&) {
             s.AcceptData();
             s.Reply("150 Opening data connection.");
             s.SendData(Std(file));
             s.CloseData();
             s.Reply("226 Transfer complete.");
         },
         QStringLiteral("Failed : the file holds 80000 bytes, more than the 60000 bytes of the file on the server; "
                        "it is kept")},
        {"the rest's size announced as the whole, and cut short",
         [file](FtpSession& s, const std::string&) {
             s.AcceptData();
             s.Reply("150 Opening data connection (40000 bytes).");
             s.SendData(Std(file.mid(20000, 20000)));
             s.CloseData();
             s.Reply("226 Transfer complete.");
         },
         QStringLiteral("Failed : the server sent 40000 of 60000 bytes; the partial file is kept")},
        {"the data connection closed and the transfer refused",
         [file](FtpSession& s, const std::string&) {
             s.AcceptData();
             s.Reply("150 Opening data connection.");
             s.SendData(Std(file.mid(20000)));
             s.CloseData();
             s.Reply("451 Local error in processing.");
         },
         QStringLiteral("FTP Error#451 - last Response was: '451 Local error in processing.'")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        observer = RecordingObserver();
        WriteAll(Path(), file.left(20000));
        FtpScriptedServer server("220 Ready\r\n", Sized(file, c.retr));
        Run(server);
        EXPECT_EQ(observer.Failure(), c.failure) << observer.log.join('\n').toStdString();
        EXPECT_TRUE(QFileInfo::exists(Path())) << "the partial file is kept";
    }
}

TEST_F(FtpTransferJobTest, RefusedRestAsksAndRestartsFromTheFirstByteInANewSession)
{
    const QByteArray file = Pattern(9000);
    FtpScriptedServer server("220 Ready\r\n", [](FtpSession& s, const std::string& c) {
        if (c.rfind("REST", 0) == 0)
            s.Reply("504 Command not implemented for that parameter.");
        else
            s.Standard(c);
    });
    server.SetFile(Std(file));
    WriteAll(Path(), "PARTIAL");
    observer.answer = true;
    Run(server);

    EXPECT_EQ(observer.questions, QList<TTransferQuestion>{TTransferQuestion::RestartWithoutResume});
    EXPECT_TRUE(observer.log.contains(QStringLiteral("Site does not permit download resuming.")));
    EXPECT_TRUE(observer.Complete()) << observer.log.join('\n').toStdString();
    EXPECT_EQ(ReadAll(Path()), file);
}

TEST_F(FtpTransferJobTest, ASilentServerIsGivenUpAfterTheTimeout)
{
    FtpScriptedServer server("220 Ready\r\n", [](FtpSession& s, const std::string& c) {
        if (c.rfind("SIZE", 0) != 0) // SIZE is never answered
            s.Standard(c);
    });
    job = std::make_unique<TFtpTransfer>(QStringLiteral("ftp://127.0.0.1:%1/pub/").arg(server.port()),
                                         QStringLiteral("file.bin"), Path(), true, &observer);
    job->Timeout = 1;
    ASSERT_TRUE(observer.Run(*job));
    EXPECT_EQ(observer.Failure(), QStringLiteral("FTP Error#426 - last Response was: '426 Timeout'"));
    EXPECT_FALSE(QFileInfo::exists(Path()));
}

// A file that cannot take the bytes fails with the reason, not with the
// server's "226" that came after it.
TEST_F(FtpTransferJobTest, AFullDiskFailsWithItsOwnReason)
{
    const QByteArray file = Pattern(300000);
    FtpScriptedServer server("220 Ready\r\n", Sized(file));
    server.SetFile(Std(file));
    job = std::make_unique<TFtpTransfer>(QStringLiteral("ftp://127.0.0.1:%1/pub/").arg(server.port()),
                                         QStringLiteral("file.bin"), QStringLiteral("/dev/full"), false, &observer);
    ASSERT_TRUE(observer.Run(*job));
    EXPECT_EQ(observer.Failure(), QStringLiteral("FTP Error#550 - last Response was: 'Error writing local file /dev/full'"))
        << observer.log.join('\n').toStdString();
}

} // namespace
// A limited download: the server's "226" comes long before the limit has let
// the data through, and the file is complete only when all of it is in.
TEST_F(FtpTransferJobTest, ALimitedDownloadKeepsItsRateAndEndsWhole)
{
    const QByteArray file = Pattern(1536 << 10);
    FtpScriptedServer server("220 Ready\r\n", Sized(file));
    server.SetFile(Std(file));
    QElapsedTimer clock;
    clock.start();
    Run(server, false, 1 << 20);

    EXPECT_TRUE(observer.Complete()) << observer.log.join('\n').toStdString();
    EXPECT_EQ(ReadAll(Path()), file);
    // 1.5 MiB less the first burst (128 KiB) at 1 MiB/s: 1.375 s.
    EXPECT_GE(clock.elapsed(), 1250);
    EXPECT_LE(clock.elapsed(), 3500);
}

} // namespace flk::test
