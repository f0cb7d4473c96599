// https in the HTTP client: lighttpd with TLS on loopback, certificates made
// by the test, and a scripted TLS server for the ends of a stream.

#include "FileStream.h"
#include "HttpProt.h"
#include "LoopbackHttpd.h"
#include "LoopbackPort.h"
#include "ScriptedHttpServer.h"
#include "TlsCertificates.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

using namespace flk;
using flk::test::LoopbackHttpd;
using flk::test::ScriptedHttpServer;
using flk::test::TlsCertificates;

namespace {

class HttpsClientTest : public ::testing::Test {
protected:
    HttpsClientTest()
        : server({}, {certs.PemFile(TlsCertificates::Good), certs.PemFile(TlsCertificates::Expired),
                      certs.PemFile(TlsCertificates::NotYetValid), certs.PemFile(TlsCertificates::OtherHost),
                      certs.PemFile(TlsCertificates::Untrusted)})
    {
        certs.TrustTestAuthority();
    }

    void SetUp() override
    {
        ASSERT_TRUE(certs.IsValid()) << certs.ErrorText().toStdString();
        ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] { http.AbortRequest(); });
    }

    // Runs a request; "ok" or the exception's "code message".
    QString Run(const QString& url, bool head = false, TFileStream* into = nullptr)
    {
        http.URL = url;
        http.ReceiveStream = into;
        watchdog.start(15000);
        QString result = "ok";
        try {
            head ? http.HeadSync() : http.GetSync();
        } catch (const EHttpException& e) {
            result = QString("%1 %2").arg(e.ErrorCode()).arg(e.Message());
        }
        watchdog.stop();
        http.ReceiveStream = nullptr;
        return result;
    }

    // GET into a new local file; "ok" or the failure, and the file's bytes.
    QString Download(const QString& url, QByteArray* bytes)
    {
        TFileStream file(dir.filePath("local.bin"));
        file.Create();
        const QString result = Run(url, false, &file);
        file.close();
        QFile f(dir.filePath("local.bin"));
        f.open(QIODevice::ReadOnly);
        *bytes = f.readAll();
        return result;
    }

    static QByteArray Content(int size)
    {
        QByteArray b(size, '\0');
        for (int i = 0; i < size; ++i)
            b[i] = static_cast<char>((i * 31) ^ (i >> 9));
        return b;
    }

    TlsCertificates certs;
    LoopbackHttpd server;
    THttpCli http;
    QTemporaryDir dir;
    QTimer watchdog;
};

} // namespace

TEST_F(HttpsClientTest, HeadGetAndRangeOverTls)
{
    const QByteArray content = Content(3'000'000);
    server.AddFile("files/app.bin", content);

    EXPECT_EQ(Run(server.TlsUrl("files/app.bin"), true), "ok");
    EXPECT_EQ(http.ResponseStatus(), 200);
    EXPECT_EQ(http.AnnouncedLength(), 3'000'000);

    // By name (server name indication, name checked) into a file.
    QByteArray got;
    const QString byName = QString("https://localhost:%1/files/app.bin").arg(server.TlsPort());
    EXPECT_EQ(Download(byName, &got), "ok");
    EXPECT_EQ(got, content);
    EXPECT_EQ(http.ReceivedBytes(), 3'000'000);

    // A resume asks for the rest; lighttpd answers HTTP/1.0 ranges with the
    // whole file (200), which the caller sees by the status.
    http.ContentRangeBegin = "1000";
    EXPECT_EQ(Download(server.TlsUrl("files/app.bin"), &got), "ok");
    EXPECT_EQ(http.ResponseStatus(), 200);
    EXPECT_EQ(got, content);
}

TEST_F(HttpsClientTest, RedirectsBetweenHttpAndHttps)
{
    const QByteArray content = Content(70'000);
    server.AddFile("f.bin", content);
    QByteArray got;

    EXPECT_EQ(Download(server.Url("tohttps/f.bin"), &got), "ok");
    EXPECT_EQ(http.Location, server.TlsUrl("f.bin"));
    EXPECT_EQ(got, content);

    EXPECT_EQ(Download(server.TlsUrl("tohttp/f.bin"), &got), "ok");
    EXPECT_EQ(http.Location, server.Url("f.bin"));
    EXPECT_EQ(got, content);
}

TEST_F(HttpsClientTest, RefusedCertificatesAndNonTlsServersNameTheReason)
{
    server.AddFile("f.bin", "data");
    const QString fail = "404 Secure connection failed: ";
    const auto at = [this](int i) { return server.TlsUrl("f.bin", i); };
    EXPECT_EQ(Run(at(1), true), fail + "the server's certificate has expired");
    EXPECT_EQ(Run(at(2), true), fail + "the server's certificate is not valid yet");
    EXPECT_EQ(Run(at(3), true), fail + "the server's certificate is for another host name, not 127.0.0.1");
    EXPECT_EQ(Run(at(4), true), fail + "the server's certificate is signed by an unknown authority");
    // Verified after a redirect too.
    ScriptedHttpServer plain;
    plain.AddReply("HTTP/1.0 302 Found\r\nLocation: " + at(3).toLatin1() + "\r\n\r\n");
    EXPECT_EQ(Run(plain.BaseUrl() + "/x", true), fail + "the server's certificate is for another host name, not 127.0.0.1");
    // Plain http where https was asked for.
    EXPECT_EQ(Run(QString("https://127.0.0.1:%1/f.bin").arg(server.Port()), true),
              fail + "the server does not speak TLS on this port");
    // A server that speaks nothing newer than TLS 1.1.
    QProcess old;
    const quint16 oldPort = test::FreeLoopbackPort();
    old.start("openssl", {"s_server", "-quiet", "-accept", QString("127.0.0.1:%1").arg(oldPort), "-cert",
                          certs.CertificateFile(TlsCertificates::Good), "-key", certs.KeyFile(TlsCertificates::Good),
                          "-tls1_1", "-cipher", "DEFAULT@SECLEVEL=0"});
    ASSERT_TRUE(old.waitForStarted());
    for (int i = 0; i < 300 && !test::LoopbackAccepting(oldPort); ++i)
        QThread::msleep(10);
    EXPECT_EQ(Run(QString("https://127.0.0.1:%1/f.bin").arg(oldPort), true),
              fail + "the server refused the protocol version (TLS 1.2 or 1.3 required)");
    old.kill();
    old.waitForFinished();
    // Without the test authority, the good certificate is unknown.
    qputenv("SSL_CERT_FILE", dir.filePath("none.pem").toLocal8Bit());
    EXPECT_EQ(Run(at(0), true), fail + "the server's certificate is signed by an unknown authority");
}

TEST_F(HttpsClientTest, OnlyCloseNotifyEndsABodyWithoutLength)
{
    ScriptedHttpServer scripted;
    ASSERT_TRUE(scripted.UseTls(certs.CertificateFile(TlsCertificates::Good), certs.KeyFile(TlsCertificates::Good)));
    const QByteArray body = Content(200'000);
    const QByteArray noLength = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" + body;
    scripted.AddReply(ScriptedHttpServer::Reply{noLength});
    ScriptedHttpServer::Reply cut{noLength};
    cut.closeNotify = false;
    scripted.AddReply(cut);
    ScriptedHttpServer::Reply cutWithLength{"HTTP/1.0 200 OK\r\nContent-Length: 400000\r\n\r\n" + body};
    cutWithLength.closeNotify = false;
    scripted.AddReply(cutWithLength);

    const QString url = scripted.BaseUrl() + "/f.bin";
    QByteArray got;
    EXPECT_EQ(Download(url, &got), "ok");
    EXPECT_EQ(got, body);
    EXPECT_EQ(scripted.WaitForRequest(0).left(23), "GET /f.bin HTTP/1.0\r\nHo");

    EXPECT_EQ(Download(url, &got), "404 Secure connection failed: the connection was cut short (no TLS close_notify)");
    EXPECT_EQ(got, body);  // kept for a resume
    EXPECT_EQ(Download(url, &got), "404 Secure connection failed: the connection was cut short (no TLS close_notify)");
}

TEST_F(HttpsClientTest, AbortDuringASecureBody)
{
    server.AddFileOfSize("big.bin", 200 << 20);
    http.OnDocData = [this](THttpCli*, const char*, int) {
        if (http.ReceivedBytes() > (1 << 20))
            http.AbortRequest();
    };
    QByteArray got;
    EXPECT_EQ(Download(server.TlsUrl("big.bin"), &got), "404 Connection aborted on request");
    EXPECT_LT(got.size(), 200 << 20);
    EXPECT_EQ(http.ClientState(), httpReady);
}
