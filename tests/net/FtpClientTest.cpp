// The FTP client against scripted loopback servers: exact commands on the
// wire, display lines, error codes and texts, files on disk.

#include "FtpScriptedServer.h"
#include "Ftpcli.h"
#include "NetTestUtil.h"
#include "TempHome.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace flk;
using flk::test::FtpScriptedServer;
using flk::test::FtpSession;
using Commands = std::vector<std::string>;

namespace {

const char* const kGreeting = "220 Scripted server ready.\r\n";
const std::string kContent = "0123456789abcdefghijklmnopqrstuvwxyz";

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

void Standard(FtpSession& s, const std::string& cmd)
{
    s.Standard(cmd);
}

// A port on 127.0.0.1 where nothing listens.
class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ftp.HostName = "127.0.0.1";
        ftp.UserName = "anonymous";
        ftp.PassWord = "guest@example.org";
        ftp.Timeout = 10;
        ftp.PassiveMode = true;
        ftp.OnDisplay = [this](TFtpClient*, QString& m) { display << m; };
        ftp.OnProgress = [this](TFtpClient*, qint64 count, bool&) { progress.push_back(count); };
        ftp.OnRequestDone = [this](TFtpClient*, TFtpRequest rq, quint16 e) { done.push_back({rq, e}); };
        ftp.LocalFileName = dir.path() + "/file.bin";
        ftp.HostFileName = "file.bin";
    }

    void Use(FtpScriptedServer& server) { ftp.Port = QString::number(server.port()); }
    bool Connect(FtpScriptedServer& server)
    {
        Use(server);
        return ftp.ConnectSync();
    }
    QByteArray Local() const { return test::ReadAll(ftp.LocalFileName); }

    QTemporaryDir dir;
    TFtpClient ftp;
    QStringList display;
    std::vector<qint64> progress;
    std::vector<std::pair<TFtpRequest, quint16>> done;
};

// ------------------------------------------------------------ connecting

TEST_F(FtpClientTest, MultiLineGreetingCompletesTheConnectionAtItsLastLine)
{
    FtpScriptedServer server("220-Welcome\r\n220-to the scripted server\r\n220 Ready.\r\n", Standard);
    ASSERT_TRUE(Connect(server)) << ftp.ErrorMessage().toStdString();
    EXPECT_TRUE(ftp.Connected());
    EXPECT_EQ(ftp.State(), ftpReady);
    EXPECT_EQ(display, QStringList({"< 220-Welcome", "< 220-to the scripted server", "< 220 Ready.",
                                    "> USER anonymous", "< 331 Username ok, send password.",
                                    "> PASS guest@example.org", "< 230 Login successful."}));
    EXPECT_EQ(server.commands(), Commands({"USER anonymous", "PASS guest@example.org"}));
    EXPECT_EQ(ftp.LastReply(), "230 Login successful.");
    EXPECT_EQ(ftp.ReplyCode(), 230);
}

TEST_F(FtpClientTest, UserAnsweredWith230SendsNoPass)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "USER"))
            s.Reply("230 Logged in without password.");
        else
            s.Standard(cmd);
    });
    ASSERT_TRUE(Connect(server));
    EXPECT_EQ(server.commands(), Commands({"USER anonymous"}));
}

TEST_F(FtpClientTest, RequestDoneIsPostedOnceWithTheRequestKind)
{
    FtpScriptedServer server(kGreeting, Standard);
    ASSERT_TRUE(Connect(server));
    ProcessMessages();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].first, ftpConnectAsync);
    EXPECT_EQ(done[0].second, 0);
}

TEST_F(FtpClientTest, RefusedGreetingEndsWithItsCode)
{
    FtpScriptedServer server("421 Too many users.\r\n", Standard);
    EXPECT_FALSE(Connect(server));
    EXPECT_EQ(ftp.RequestResult(), 421);
    EXPECT_EQ(ftp.ErrorMessage(), "421 Too many users.");
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.State(), ftpReady);
}

TEST_F(FtpClientTest, RefusedLoginEndsWithItsCode)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "PASS"))
            s.Reply("530 Login incorrect.");
        else
            s.Standard(cmd);
    });
    EXPECT_FALSE(Connect(server));
    EXPECT_EQ(ftp.RequestResult(), 530);
    EXPECT_EQ(ftp.ErrorMessage(), "530 Login incorrect.");
    EXPECT_EQ(ftp.LastReply(), "530 Login incorrect.");
}

TEST_F(FtpClientTest, RefusedConnectionGivesTheSocketErrorText)
{
    const test::RefusingPort refusing;
    ftp.Port = QString::number(refusing.port);
    EXPECT_FALSE(ftp.ConnectSync());
    EXPECT_EQ(ftp.RequestResult(), 10061);
    EXPECT_EQ(ftp.LastReply(), "500 Connection refused (Winsock error #10061)");
    EXPECT_EQ(ftp.ErrorMessage(), "500 Connection refused (Winsock error #10061)");
    EXPECT_EQ(ftp.State(), ftpReady);
}

TEST_F(FtpClientTest, WrongStatesRaiseTheirTexts)
{
    try {
        ftp.CwdAsync();
        ADD_FAILURE() << "CWD with an empty directory started";
    } catch (const FtpException& e) {
        EXPECT_EQ(e.Message(), "HostDirName emtpy");
    }
    ftp.HostDirName = "/pub/";
    try {
        ftp.CwdAsync();
        ADD_FAILURE() << "CWD without a connection started";
    } catch (const FtpException& e) {
        EXPECT_EQ(e.Message(), "FTP component not connected");
    }
    EXPECT_FALSE(ftp.TypeSetSync());
    EXPECT_EQ(ftp.ErrorMessage(), "FTP component not connected");

    FtpScriptedServer server(kGreeting, Standard);
    Use(server);
    ftp.ConnectAsync();
    try {
        ftp.ConnectAsync();
        ADD_FAILURE() << "a second request started while the first ran";
    } catch (const FtpException& e) {
        EXPECT_EQ(e.Message(), "FTP component not ready");
    }
    PumpUntil([this] { return ftp.State() == ftpReady; });
    ASSERT_TRUE(ftp.Connected());
    try {
        ftp.ConnectAsync();
        ADD_FAILURE() << "connected twice";
    } catch (const FtpException& e) {
        EXPECT_EQ(e.Message(), "FTP component already connected");
    }
}

// -------------------------------------------------------- single commands

TEST_F(FtpClientTest, CwdTypeAndQuitSendTheirCommands)
{
    FtpScriptedServer server(kGreeting, Standard);
    ASSERT_TRUE(Connect(server));
    EXPECT_FALSE(ftp.CwdSync());
    EXPECT_EQ(ftp.ErrorMessage(), "HostDirName emtpy");
    ftp.HostDirName = "/pub/files/";
    EXPECT_TRUE(ftp.CwdSync());
    EXPECT_TRUE(ftp.TypeSetSync());
    ftp.Binary = false;
    EXPECT_TRUE(ftp.TypeSetSync());
    EXPECT_TRUE(ftp.QuitSync());
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.State(), ftpReady);
    EXPECT_EQ(ftp.LastReply(), "221 Goodbye.");
    EXPECT_EQ(server.commands(), Commands({"USER anonymous", "PASS guest@example.org", "CWD /pub/files/",
                                           "TYPE I", "TYPE A", "QUIT"}));
}

TEST_F(FtpClientTest, RefusedCwdEndsWithItsCode)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "CWD"))
            s.Reply("550 No such directory.");
        else
            s.Standard(cmd);
    });
    ASSERT_TRUE(Connect(server));
    ftp.HostDirName = "/missing/";
    EXPECT_FALSE(ftp.CwdSync());
    EXPECT_EQ(ftp.RequestResult(), 550);
    EXPECT_EQ(ftp.ErrorMessage(), "550 No such directory.");
    EXPECT_TRUE(ftp.TypeSetSync()) << "the client is ready for the next request";
}

// ----------------------------------------------------------- retrieving

TEST_F(FtpClientTest, PassiveGetConnectsToTheServerNotToTheAnnouncedAddress)
{
    FtpScriptedServer server(kGreeting, Standard);
    server.SetFile(kContent);
    server.SetPasvHost("192,0,2,99");
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(ftp.GetSync()) << ftp.ErrorMessage().toStdString();
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
    EXPECT_EQ(server.commands(),
              Commands({"USER anonymous", "PASS guest@example.org", "PASV", "RETR file.bin"}));
    EXPECT_TRUE(display.filter("! 36 bytes received/sent in 0 seconds").size() == 1) << display.join("\n").toStdString();
    EXPECT_EQ(ftp.ByteCount(), 36);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
}

TEST_F(FtpClientTest, OpeningReplyWithTheSizeIsShown)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (!StartsWith(cmd, "RETR")) {
            s.Standard(cmd);
            return;
        }
        s.AcceptData();
        s.Reply("150 Opening BINARY mode data connection for file.bin (12345 bytes)");
        s.SendData(std::string(12345, 'z'));
        s.CloseData();
        s.Reply("226 Transfer complete.");
    });
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(ftp.GetSync());
    EXPECT_TRUE(display.contains("< 150 Opening BINARY mode data connection for file.bin (12345 bytes)"));
    EXPECT_TRUE(display.contains("< 226 Transfer complete."));
    EXPECT_EQ(Local(), QByteArray(12345, 'z'));
}

TEST_F(FtpClientTest, RestartAppendsToThePartialFile)
{
    FtpScriptedServer server(kGreeting, Standard);
    server.SetFile(kContent);
    test::WriteAll(ftp.LocalFileName, QByteArray::fromStdString(kContent.substr(0, 10)));
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(ftp.RestGetSync()) << ftp.ErrorMessage().toStdString();
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
    EXPECT_EQ(server.commands(),
              Commands({"USER anonymous", "PASS guest@example.org", "PASV", "REST 10", "RETR file.bin"}));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 10) << "progress counts the bytes already on disk";
    EXPECT_TRUE(display.filter("! 26 bytes received/sent").size() == 1);
}

TEST_F(FtpClientTest, EmptyPartialFileSendsNoRest)
{
    FtpScriptedServer server(kGreeting, Standard);
    server.SetFile(kContent);
    test::WriteAll(ftp.LocalFileName, QByteArray());
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(ftp.RestGetSync());
    EXPECT_EQ(server.commands(), Commands({"USER anonymous", "PASS guest@example.org", "PASV", "RETR file.bin"}));
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
}

TEST_F(FtpClientTest, RestRefusedWith504SendsNoRetrAndKeepsThePartialFile)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "REST"))
            s.Reply("504 Command not implemented for that parameter.");
        else
            s.Standard(cmd);
    });
    server.SetFile(kContent);
    test::WriteAll(ftp.LocalFileName, "partial");
    ASSERT_TRUE(Connect(server));
    EXPECT_FALSE(ftp.RestGetSync());
    EXPECT_EQ(ftp.RequestResult(), 504);
    EXPECT_EQ(ftp.ErrorMessage(), "504 Command not implemented for that parameter.");
    EXPECT_EQ(server.commands(), Commands({"USER anonymous", "PASS guest@example.org", "PASV", "REST 7"}));
    EXPECT_EQ(Local(), QByteArray("partial"));
    ProcessMessages();
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[1], std::make_pair(ftpRestGetAsync, quint16(504)));
    // The dialog restarts from the beginning after a refused REST.
    ASSERT_TRUE(ftp.GetSync());
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
}

TEST_F(FtpClientTest, RestAnsweredWithoutRestartRetrievesFromZeroIntoANewFile)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "REST"))
            s.Reply("200 REST ignored.");
        else
            s.Standard(cmd);
    });
    server.SetFile(kContent);
    test::WriteAll(ftp.LocalFileName, "0123456789-this-old-partial-file-is-longer-than-the-new-one");
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(ftp.RestGetSync());
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
    EXPECT_EQ(progress.front(), 0);
}

TEST_F(FtpClientTest, ActiveGetSendsALoopbackPortLine)
{
    ftp.PassiveMode = false;
    FtpScriptedServer server(kGreeting, Standard);
    server.SetFile(kContent);
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(ftp.GetSync()) << ftp.ErrorMessage().toStdString();
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
    const Commands cmds = server.commands();
    ASSERT_EQ(cmds.size(), 4u);
    EXPECT_TRUE(StartsWith(cmds[2], "PORT 127,0,0,1,")) << cmds[2];
    EXPECT_EQ(cmds[3], "RETR file.bin");
}

TEST_F(FtpClientTest, WholeTransferSkipsCwdWithoutADirectory)
{
    FtpScriptedServer server(kGreeting, Standard);
    server.SetFile(kContent);
    Use(server);
    ASSERT_TRUE(ftp.TransferSync()) << ftp.ErrorMessage().toStdString();
    EXPECT_EQ(server.commands(), Commands({"USER anonymous", "PASS guest@example.org", "TYPE I", "PASV",
                                           "RETR file.bin", "QUIT"}));
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.LastReply(), "226 Transfer complete.") << "the reply before QUIT is kept";
}

TEST_F(FtpClientTest, WholeTransferChangesDirectoryAndQuitsAfterAFailure)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "RETR"))
            s.Reply("550 No such file.");
        else
            s.Standard(cmd);
    });
    Use(server);
    ftp.HostDirName = "/pub/";
    EXPECT_FALSE(ftp.TransferSync());
    EXPECT_EQ(ftp.RequestResult(), 550);
    EXPECT_EQ(ftp.ErrorMessage(), "550 No such file.");
    EXPECT_EQ(ftp.LastReply(), "550 No such file.");
    EXPECT_EQ(server.commands(), Commands({"USER anonymous", "PASS guest@example.org", "CWD /pub/", "TYPE I",
                                           "PASV", "RETR file.bin", "QUIT"}));
}

// ------------------------------------------------------------- bad input

TEST_F(FtpClientTest, SilentServerTimesOutAndLeavesTheClientReady)
{
    FtpScriptedServer silent("", [](FtpSession&, const std::string&) {});
    ftp.Timeout = 1;
    EXPECT_FALSE(Connect(silent));
    EXPECT_EQ(ftp.ErrorMessage(), "426 Timeout");
    EXPECT_EQ(ftp.RequestResult(), 426);
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.State(), ftpReady);

    FtpScriptedServer good(kGreeting, Standard);
    EXPECT_TRUE(Connect(good));
}

TEST_F(FtpClientTest, ServerClosingMidReplyEndsTheRequest)
{
    FtpScriptedServer closing(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "USER")) {
            s.SendRaw("331-Password\r\n331-please");
            s.CloseControl();
        }
    });
    EXPECT_FALSE(Connect(closing));
    EXPECT_EQ(ftp.RequestResult(), 500);
    EXPECT_EQ(ftp.ErrorMessage(), "500 Connection closed by the server");
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.State(), ftpReady);

    FtpScriptedServer good(kGreeting, Standard);
    EXPECT_TRUE(Connect(good));
}

TEST_F(FtpClientTest, ReplyLineOf4KiBEndsTheSession)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "USER"))
            s.Reply("331 " + std::string(4096, 'x'));
        else
            s.Standard(cmd);
    });
    EXPECT_FALSE(Connect(server));
    EXPECT_EQ(ftp.RequestResult(), 500);
    EXPECT_EQ(ftp.ErrorMessage(), "500 Reply line too long");
    EXPECT_TRUE(display.contains("! Reply line too long"));
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.State(), ftpReady);
}

TEST_F(FtpClientTest, GarbledPasvReplyFailsWithoutRetr)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (cmd == "PASV")
            s.Reply("227 Entering passive mode (what,ever)");
        else
            s.Standard(cmd);
    });
    ASSERT_TRUE(Connect(server));
    EXPECT_FALSE(ftp.GetSync());
    EXPECT_EQ(ftp.RequestResult(), 550);
    EXPECT_EQ(ftp.ErrorMessage(),
              "Unable to establish data connection, invalid reply: 227 Entering passive mode (what,ever)");
    EXPECT_EQ(server.commands().back(), "PASV");
    EXPECT_TRUE(ftp.TypeSetSync()) << "the client is ready for the next request";
}

TEST_F(FtpClientTest, PasvNumbersWithoutParenthesesAreFoundInTheText)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (cmd != "PASV")
            return s.Standard(cmd);
        const uint16_t p = s.OpenPassive();
        s.Reply("227 Entering Passive Mode 127,0,0,1," + std::to_string(p / 256) + "," + std::to_string(p % 256));
    });
    server.SetFile(kContent);
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(ftp.GetSync()) << ftp.ErrorMessage().toStdString();
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
}

TEST_F(FtpClientTest, RefusedDataConnectionFailsWith550)
{
    const test::RefusingPort refusing;
    const uint16_t dead = refusing.port;
    FtpScriptedServer server(kGreeting, [dead](FtpSession& s, const std::string& cmd) {
        if (cmd == "PASV")
            s.Reply("227 Entering passive mode (127,0,0,1," + std::to_string(dead / 256) + "," +
                    std::to_string(dead % 256) + ")");
        else
            s.Standard(cmd);
    });
    ASSERT_TRUE(Connect(server));
    EXPECT_FALSE(ftp.GetSync());
    EXPECT_EQ(ftp.RequestResult(), 550);
    EXPECT_EQ(ftp.ErrorMessage(), "Unable to establish data connection, error #10061");
    EXPECT_EQ(server.commands().back(), "PASV");
    EXPECT_TRUE(ftp.TypeSetSync());
}

TEST_F(FtpClientTest, UnopenableLocalFileFailsWith550)
{
    FtpScriptedServer server(kGreeting, Standard);
    server.SetFile(kContent);
    ASSERT_TRUE(Connect(server));
    ftp.LocalFileName = dir.path() + "/no/such/folder/file.bin";
    EXPECT_FALSE(ftp.GetSync());
    EXPECT_EQ(ftp.RequestResult(), 550);
    EXPECT_EQ(ftp.ErrorMessage(), "Unable to open local file " + ftp.LocalFileName);
    EXPECT_EQ(ftp.LastReply(), "Unable to open local file " + ftp.LocalFileName);
    EXPECT_EQ(server.commands().back(), "PASV");

    ftp.LocalFileName = dir.path() + "/file.bin";
    ASSERT_TRUE(ftp.GetSync());
    EXPECT_EQ(Local(), QByteArray::fromStdString(kContent));
}

TEST_F(FtpClientTest, RefusedRetrEndsWithItsCode)
{
    FtpScriptedServer server(kGreeting, [](FtpSession& s, const std::string& cmd) {
        if (StartsWith(cmd, "RETR")) {
            s.AcceptData();
            s.CloseData();
            s.Reply("550 No such file or directory.");
        } else {
            s.Standard(cmd);
        }
    });
    ASSERT_TRUE(Connect(server));
    EXPECT_FALSE(ftp.GetSync());
    EXPECT_EQ(ftp.RequestResult(), 550);
    EXPECT_EQ(ftp.ErrorMessage(), "550 No such file or directory.");
    EXPECT_TRUE(ftp.TypeSetSync());
}

TEST_F(FtpClientTest, AbortFromProgressFailsTheTransfer)
{
    FtpScriptedServer server(kGreeting, Standard);
    server.SetFile(std::string(1 << 20, 'q'));
    ASSERT_TRUE(Connect(server));
    ftp.OnProgress = [](TFtpClient*, qint64, bool& abort) { abort = true; };
    EXPECT_FALSE(ftp.GetSync());
    EXPECT_EQ(ftp.RequestResult(), 426);
    EXPECT_EQ(ftp.ErrorMessage(), "426 Abort requested");
    EXPECT_TRUE(display.contains("! Abort requested"));
}

TEST_F(FtpClientTest, AbortSyncClosesEverythingAtOnce)
{
    FtpScriptedServer server(kGreeting, Standard);
    ASSERT_TRUE(Connect(server));
    ProcessMessages();
    const size_t before = done.size();
    EXPECT_TRUE(ftp.AbortSync());
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.State(), ftpReady);
    ProcessMessages();
    EXPECT_EQ(done.size(), before) << "an abort posts no request-done";
    EXPECT_TRUE(Connect(server)) << "the client can connect again";
}

} // namespace
