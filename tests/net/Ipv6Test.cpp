// IPv6: address literals, Happy Eyeballs over real sockets, and downloads
// from real servers on [::1] (lighttpd, pyftpdlib, a scripted TLS server).

#include "FileStream.h"
#include "FtpReply.h"
#include "Ftpcli.h"
#include "HappyEyeballs.h"
#include "HttpProt.h"
#include "LoopbackPort.h"
#include "LoopbackHttpd.h"
#include "NetTestUtil.h"
#include "PyFtpServer.h"
#include "QtPrint.h"
#include "ScriptedHttpServer.h"
#include "SocketAddress.h"
#include "TempHome.h"
#include "TlsCertificates.h"
#include "Url.h"
#include "WSocket.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>

using namespace flk;
using flk::test::PumpFor;

namespace {

// An address on the machine's IPv6 network that nobody answers for: a SYN
// to it goes unanswered until neighbour discovery gives up, seconds later.
const QString kSilentV6 = QStringLiteral("fd00::77");

int OpenDescriptors()
{
    PumpFor([] { return false; }, 50); // let deferred deletions run
    return int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

// True when a connect to the silent address is still in progress after a
// moment, as the test of the delay needs.
bool SilentAddressIsSilent()
{
    const auto a = TSocketAddress::FromText(kSilentV6, 80);
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const bool started = fd >= 0 && ::connect(fd, a->Raw(), a->Length()) != 0 && errno == EINPROGRESS;
    pollfd p{fd, POLLOUT, 0};
    const bool pending = started && ::poll(&p, 1, 300) == 0;
    ::close(fd);
    return pending;
}

TSocketAddress At(const QString& host, quint16 port)
{
    return *TSocketAddress::FromText(host, port);
}

// A TCP port that refuses on [::1].
struct RefusingV6Port {
    int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    quint16 port = 0;
    RefusingV6Port()
    {
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin6_port);
    }
    ~RefusingV6Port() { ::close(fd); }
};

struct Outcome {
    bool done = false;
    int fd = -1;
    int error = -1;
};

void Watch(THappyEyeballs& he, Outcome& out)
{
    he.OnDone = [&out](int fd, int error) {
        out = {true, fd, error};
    };
}

QString PeerOf(int fd)
{
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0)
        return "none";
    return TSocketAddress::FromRaw(peer, len).Host();
}

} // namespace

// ------------------------------------------------------------ addresses

TEST(Ipv6AddressTest, BracketedLiteralsSplitResolveNameAndConvert)
{
    const TUrlParts p = Url::SplitUrl("http://user:pw@[2001:db8::7]:8080/dir/f.bin?x=1");
    EXPECT_EQ(p.Host, "2001:db8::7");
    EXPECT_EQ(p.Port, "8080");
    EXPECT_EQ(p.User, "user");
    EXPECT_EQ(p.Path, "/dir/f.bin?x=1");
    // A "]" missing: no port is read out of the address's colons.
    EXPECT_EQ(Url::SplitUrl("http://[::1/f.bin").Port, "");
    EXPECT_EQ(Url::Resolve("http://[::1]:8080/a/b.htm", "c.bin"), "http://[::1]:8080/a/c.bin");
    EXPECT_EQ(Url::Resolve("http://[::1]:8080/a/b.htm", "/c.bin"), "http://[::1]:8080/c.bin");
    EXPECT_EQ(Url::Resolve("https://[::1]/a", "//[2001:db8::1]:99/y"), "https://[2001:db8::1]:99/y");
    EXPECT_TRUE(Url::SameSite("http://[::1]:80/a", "http://[::1]/b"));
    EXPECT_FALSE(Url::SameSite("http://[::1]/a", "http://[::2]/a"));
    EXPECT_EQ(Url::FileName("http://[::1]:8080/f.bin"), "f.bin");
    EXPECT_EQ(Url::HandOffFileName("http://[::1]/f.bin"), "f.bin");
    EXPECT_EQ(Url::HandOffFileName("http://[::1]:8080/f.bin"), "f.bin");

    EXPECT_EQ(At("[::1]", 80).HostAndPort(), "[::1]:80");
    EXPECT_EQ(At("::ffff:10.0.0.1", 21).Family(), AF_INET6);
    EXPECT_EQ(At("127.1", 8).HostAndPort(), "127.0.0.1:8");
    EXPECT_EQ(At("fe80::1%25lo", 1).Host(), "fe80::1%lo"); // a zone as an URL encodes it
    EXPECT_FALSE(TSocketAddress::FromText("localhost").has_value());
    EXPECT_FALSE(TSocketAddress::FromText("[::1").has_value());
    // Happy Eyeballs order: IPv6 first, then the families alternate.
    const QList<TSocketAddress> order = TSocketAddress::Interleaved(
        {At("10.0.0.1", 1), At("10.0.0.2", 1), At("10.0.0.3", 1), At("fd00::a", 1), At("fd00::b", 1)});
    QStringList hosts;
    for (const TSocketAddress& a : order)
        hosts << a.Host();
    EXPECT_EQ(hosts, (QStringList{"fd00::a", "10.0.0.1", "fd00::b", "10.0.0.2", "10.0.0.3"}));
}

TEST(Ipv6AddressTest, EpsvReplyPort)
{
    EXPECT_EQ(TFtpReply::EpsvPort("229 Entering Extended Passive Mode (|||6446|)"), quint16(6446));
    EXPECT_EQ(TFtpReply::EpsvPort("229 ok (!!!21!)"), quint16(21));
    EXPECT_EQ(TFtpReply::EpsvPort("229 ok (|2|::1|21|)"), quint16(21)); // the address is not used
    for (const char* bad : {"229 ok (|||0|)", "229 ok (|||65536|)", "229 ok (||21|)", "229 ok (|||2a|)",
                            "229 ok (|||21)", "229 no port", "229 ok (|||+21|)", "229 ok (1||21|)"})
        EXPECT_FALSE(TFtpReply::EpsvPort(bad).has_value()) << bad;
}

// ------------------------------------------------------------ Happy Eyeballs

TEST(HappyEyeballsTest, SilentIPv6LosesToIPv4AfterTheDelayAndNothingLeaks)
{
    if (!SilentAddressIsSilent())
        GTEST_SKIP() << kSilentV6.toStdString() << " answers or fails at once on this machine";
    test::ScriptedHttpServer v4;
    v4.AddReply(test::ScriptedHttpServer::Reply{"", false, false});
    const int before = OpenDescriptors();
    Outcome out;
    {
        THappyEyeballs he;
        Watch(he, out);
        QElapsedTimer clock;
        clock.start();
        ASSERT_EQ(he.Start({At(kSilentV6, v4.Port()), At("127.0.0.1", v4.Port())}, SOCK_STREAM, 0, {}), 0);
        EXPECT_FALSE(out.done); // never from inside Start
        ASSERT_TRUE(PumpFor([&] { return out.done; }));
        const qint64 elapsed = clock.elapsed();
        EXPECT_EQ(out.error, 0);
        EXPECT_EQ(PeerOf(out.fd), "127.0.0.1");
        // IPv4 waited for its turn, and did not wait for IPv6 to give up.
        EXPECT_GE(elapsed, THappyEyeballs::kAttemptDelayMs * 9 / 10);
        EXPECT_LT(elapsed, 2000);
        EXPECT_EQ(he.Tried(), (QStringList{QString("[fd00::77]:%1").arg(v4.Port()),
                                           QString("127.0.0.1:%1").arg(v4.Port())}));
        EXPECT_FALSE(he.Running());
    }
    ::close(out.fd);
    EXPECT_EQ(OpenDescriptors(), before); // the silent attempt was closed
}

TEST(HappyEyeballsTest, RefusalsMoveOnAtOnceAndAllRefusedReportsTheLastError)
{
    RefusingV6Port refusing6;
    test::RefusingPort refusing4;
    test::ScriptedHttpServer v4;
    v4.AddReply(test::ScriptedHttpServer::Reply{"", false, false});
    const int before = OpenDescriptors();
    THappyEyeballs he;
    Outcome out;
    Watch(he, out);
    // [::1] refuses: 127.0.0.1 is tried at once, not after the delay.
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(he.Start({At("::1", refusing6.port), At("127.0.0.1", v4.Port())}, SOCK_STREAM, 0, {}), 0);
    ASSERT_TRUE(PumpFor([&] { return out.done; }));
    EXPECT_LT(clock.elapsed(), THappyEyeballs::kAttemptDelayMs);
    EXPECT_EQ(out.error, 0);
    EXPECT_EQ(PeerOf(out.fd), "127.0.0.1");
    ::close(out.fd);

    out = {};
    ASSERT_EQ(he.Start({At("::1", refusing6.port), At("127.0.0.1", refusing4.port)}, SOCK_STREAM, 0, {}), 0);
    ASSERT_TRUE(PumpFor([&] { return out.done; }));
    EXPECT_EQ(out.error, WSAECONNREFUSED);
    EXPECT_EQ(PeerOf(out.fd), "none");
    EXPECT_EQ(he.Tried().size(), 2);
    ::close(out.fd); // the last failed socket is handed over for its report
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(HappyEyeballsTest, SocketClosedWhileConnectingClosesItsAttempts)
{
    if (!SilentAddressIsSilent())
        GTEST_SKIP() << kSilentV6.toStdString() << " answers or fails at once on this machine";
    const int before = OpenDescriptors();
    QStringList log;
    {
        TWSocket s;
        s.OnSessionConnected = [&](TWSocket*, quint16 e) { log << QString("connected %1").arg(e); };
        s.OnSessionClosed = [&](TWSocket*, quint16 e) { log << QString("closed %1").arg(e); };
        s.SetAddr("[" + kSilentV6 + "]");
        s.SetPort("80");
        s.Connect();
        EXPECT_EQ(s.State(), wsConnecting);
        EXPECT_EQ(s.GetPeerAddr(), "error");
        PumpFor([] { return false; }, 100);
        s.Close();
        EXPECT_EQ(s.State(), wsClosed);
        EXPECT_EQ(log, QStringList{"closed 0"});
        // A new connection may start at once.
        s.SetAddr("[" + kSilentV6 + "]");
        s.SetPort("80");
        s.Connect();
        EXPECT_EQ(s.State(), wsConnecting);
    } // destroyed while connecting
    EXPECT_EQ(OpenDescriptors(), before);
}

// ------------------------------------------------------------ clients over IPv6

TEST(Ipv6HttpTest, DownloadFromLighttpdOnIPv6Loopback)
{
    test::LoopbackHttpd server({}, {}, true);
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    QByteArray content(700 * 1024 + 3, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 131) ^ (i >> 11));
    server.AddFile("dir/f.bin", content);
    QTemporaryDir dir;
    TFileStream file(dir.filePath("f.bin"));
    ASSERT_TRUE(file.Create());
    THttpCli http;
    http.URL = server.V6Url("dir/f.bin");
    http.ReceiveStream = &file;
    QString failure;
    try {
        http.GetSync();
    } catch (const EHttpException& e) {
        failure = e.Message();
    }
    file.close();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(http.ResponseStatus(), 200);
    EXPECT_TRUE(test::ReadAll(dir.filePath("f.bin")) == content);
}

TEST(Ipv6HttpTest, HostHeaderKeepsTheBracketsAndTlsChecksTheAddress)
{
    test::ScriptedHttpServer plain(true);
    plain.AddReply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    THttpCli http;
    http.URL = plain.BaseUrl() + "/f.bin";
    http.GetSync();
    EXPECT_EQ(http.ResponseStatus(), 200);
    EXPECT_TRUE(plain.WaitForRequest(0).contains(
        "\r\nHost: [::1]:" + QByteArray::number(plain.Port()) + "\r\n"));

    test::TlsCertificates certs;
    ASSERT_TRUE(certs.IsValid()) << certs.ErrorText().toStdString();
    certs.TrustTestAuthority();
    using Kind = test::TlsCertificates::Kind;
    const auto run = [&](Kind kind) {
        test::ScriptedHttpServer secure(true);
        if (!secure.UseTls(certs.CertificateFile(kind), certs.KeyFile(kind)))
            return QString("server could not start");
        secure.AddReply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
        http.URL = secure.BaseUrl() + "/f.bin";
        try {
            http.GetSync();
        } catch (const EHttpException& e) {
            return e.Message();
        }
        return QString("ok");
    };
    EXPECT_EQ(run(Kind::Good), "ok"); // its names include IP ::1
    EXPECT_EQ(run(Kind::OtherHost),
              "Secure connection failed: the server's certificate is for another host name, not ::1");
}

class Ipv6FtpTest : public ::testing::TestWithParam<bool> {};

TEST_P(Ipv6FtpTest, DownloadFromPyftpdlibOnIPv6Loopback)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("pub");
    QByteArray content(900 * 1024 + 5, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 7) ^ (i >> 9));
    test::WriteAll(root.path() + "/pub/f.bin", content);
    test::PyFtpServer server(root.path(), "::1");
    ASSERT_TRUE(server.isRunning()) << server.output().toStdString();

    QTemporaryDir local;
    TFtpClient ftp;
    QStringList display;
    ftp.HostName = "::1";
    ftp.Port = QString::number(server.port());
    ftp.UserName = "anonymous";
    ftp.PassWord = "guest@example.org";
    ftp.PassiveMode = GetParam();
    ftp.HostDirName = "/pub/";
    ftp.HostFileName = "f.bin";
    ftp.LocalFileName = local.filePath("f.bin");
    ftp.OnDisplay = [&](TFtpClient*, QString& m) { display << m; };
    const bool ok = ftp.ConnectSync() && ftp.CwdSync() && ftp.TypeSetSync() && ftp.GetSync();
    const QString log = display.join("\n");
    ftp.QuitSync();
    ASSERT_TRUE(ok) << ftp.ErrorMessage().toStdString() << "\n" << log.toStdString();
    EXPECT_TRUE(test::ReadAll(local.filePath("f.bin")) == content);
    if (GetParam()) {
        EXPECT_TRUE(display.contains("> EPSV")) << log.toStdString();
        EXPECT_EQ(display.filter("> PASV").size(), 0) << log.toStdString();
    } else {
        EXPECT_EQ(display.filter("> EPRT |2|::1|").size(), 1) << log.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, Ipv6FtpTest, ::testing::Bool());

// pyftpdlib without EPSV, answering PASV with an IPv4 address although it
// listens on [::1]: the address in a 227 reply is not used anyway.
const char* const kNoEpsvServer = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
port, root = sys.argv[1:3]
class NoEpsv(FTPHandler):
    proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k != 'EPSV'}
    masquerade_address = '127.0.0.1'
authorizer = DummyAuthorizer()
authorizer.add_anonymous(root)
NoEpsv.authorizer = authorizer
FTPServer(("::1", int(port)), NoEpsv).serve_forever()
)";

TEST(Ipv6FtpFallbackTest, RefusedEpsvFallsBackToPasv)
{
    QTemporaryDir root;
    test::WriteAll(root.filePath("f.bin"), "passive after all");
    const quint16 port = test::FreeLoopbackPort();
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start("/usr/bin/python3", {"-c", kNoEpsvServer, QString::number(port), root.path()});
    ASSERT_TRUE(server.waitForStarted());
    const auto accepting = [port] {
        const auto a = TSocketAddress::FromText("::1", port);
        const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
        const bool ok = ::connect(fd, a->Raw(), a->Length()) == 0;
        ::close(fd);
        return ok;
    };
    for (int i = 0; i < 200 && !accepting() && server.state() == QProcess::Running; ++i)
        ::usleep(50 * 1000);

    QTemporaryDir local;
    TFtpClient ftp;
    QStringList display;
    ftp.HostName = "::1";
    ftp.Port = QString::number(port);
    ftp.UserName = "anonymous";
    ftp.PassWord = "guest@example.org";
    ftp.PassiveMode = true;
    ftp.HostFileName = "f.bin";
    ftp.LocalFileName = local.filePath("f.bin");
    ftp.OnDisplay = [&](TFtpClient*, QString& m) { display << m; };
    const bool ok = ftp.ConnectSync() && ftp.TypeSetSync() && ftp.GetSync();
    const QString log = display.join("\n") + "\n" + QString::fromLocal8Bit(server.readAll());
    ftp.QuitSync();
    server.kill();
    server.waitForFinished();
    ASSERT_TRUE(ok) << ftp.ErrorMessage().toStdString() << "\n" << log.toStdString();
    EXPECT_EQ(test::ReadAll(local.filePath("f.bin")), "passive after all");
    EXPECT_EQ(ftp.ErrorMessage(), "");
    EXPECT_TRUE(log.contains("> EPSV\n< 500") && log.contains("> PASV\n< 227")) << log.toStdString();
}

// ------------------------------------------------------------ names with both families

// The resolver of this test's own process sees a hosts file naming two
// hosts with an IPv6 and an IPv4 address each; the test runs again inside
// a private mount namespace where that file covers /etc/hosts.
TEST(Ipv6NameTest, NameWithBothFamiliesConnectsByHappyEyeballs)
{
    const QByteArray port = qgetenv("FLK_V6_NAME_TEST_PORT");
    if (port.isEmpty()) {
        if (::geteuid() != 0 || QStandardPaths::findExecutable("unshare").isEmpty())
            GTEST_SKIP() << "needs root and unshare to give the test a hosts file of its own";
        QTemporaryDir dir;
        QFile hosts(dir.filePath("hosts"));
        ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
        hosts.write(("127.0.0.1 localhost\n" + kSilentV6 + " silent-v6.test\n127.0.0.1 silent-v6.test\n"
                     "::1 both.test\n127.0.0.1 both.test\n").toLatin1());
        hosts.close();
        test::LoopbackHttpd server({}, {}, true);
        ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
        server.AddFile("f.bin", "from a name with two families");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("FLK_V6_NAME_TEST_PORT", QString::number(server.Port()));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start("unshare", {"-m", "sh", "-c", "mount --bind \"$1\" /etc/hosts && exec \"$2\" --gtest_filter=\"$3\"",
                                "sh", hosts.fileName(), QCoreApplication::applicationFilePath(),
                                "Ipv6NameTest.NameWithBothFamiliesConnectsByHappyEyeballs"});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        if (output.contains("mount:"))
            GTEST_SKIP() << "no private mount here: " << output.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
        return;
    }
    // Inside: both names resolve to both families, IPv6 first in the order
    // tried; the server listens on both, the silent address never answers.
    for (const char* name : {"both.test", "silent-v6.test"}) {
        THttpCli http;
        http.URL = QString("http://%1:%2/f.bin").arg(name, QString::fromLatin1(port));
        QString failure;
        try {
            http.GetSync();
        } catch (const EHttpException& e) {
            failure = e.Message();
        }
        EXPECT_EQ(failure, "") << name;
        EXPECT_EQ(http.ResponseStatus(), 200) << name;
    }
    TWSocket s;
    s.DnsLookup("both.test");
    ASSERT_TRUE(PumpFor([&] { return !s.DnsResultList().isEmpty(); }));
    EXPECT_TRUE(s.DnsResultList().contains("::1") && s.DnsResultList().contains("127.0.0.1"));
    s.SetAddr(s.DnsResult());
    s.SetPort(QString::fromLatin1(port));
    s.Connect();
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsConnected; }));
    EXPECT_EQ(s.GetPeerAddr(), "::1"); // IPv6 first
    EXPECT_EQ(s.ConnectTried(), QStringList{"[::1]:" + QString::fromLatin1(port)});
    s.Close();
    // Nobody listens on either address: the failure names both.
    test::RefusingPort refusing;
    THttpCli http;
    http.URL = QString("http://both.test:%1/f.bin").arg(refusing.port);
    EXPECT_THROW(http.GetSync(), EHttpException);
    EXPECT_EQ(http.ResponseReason(), QString("Connection refused (Error #10061) (tried [::1]:%1, 127.0.0.1:%1)")
                                       .arg(refusing.port));
}
