// The download dialog over https, end to end: lighttpd with TLS and a
// scripted TLS server on loopback, certificates made by the test.

#include "HttpTransferFixture.h"
#include "LoopbackHttpd.h"
#include "RecordFile.h"
#include "TlsCertificates.h"

namespace flk::test {
namespace {

class HttpsTransferTest : public HttpTransferTest {
protected:
    HttpsTransferTest()
        : server({}, {certs.PemFile(TlsCertificates::Good), certs.PemFile(TlsCertificates::Expired),
                      certs.PemFile(TlsCertificates::NotYetValid), certs.PemFile(TlsCertificates::OtherHost),
                      certs.PemFile(TlsCertificates::Untrusted)})
    {
        certs.TrustTestAuthority();
    }

    void SetUp() override
    {
        HttpTransferTest::SetUp();
        ASSERT_TRUE(certs.IsValid()) << certs.ErrorText().toStdString();
        ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    }

    // A dialog as the hand-off fills it for an address.
    TfrmAsker* HandedOff(const QString& url)
    {
        delete asker.data();
        TfrmAsker* a = OpenFor(url);
        a->Protocol = url.section(QLatin1Char(':'), 0, 0);
        return a;
    }

    bool TlsScripted(ScriptedHttpServer& scripted)
    {
        return scripted.UseTls(certs.CertificateFile(TlsCertificates::Good), certs.KeyFile(TlsCertificates::Good));
    }

    QString RecordSource() const
    {
        return RecordFile(FolderFile()).readString(QStringLiteral("setup.zip"), RecordKey::Source, {});
    }

    TlsCertificates certs;
    LoopbackHttpd server;
};

TEST_F(HttpsTransferTest, FreshDownloadLandsByteIdenticalWithItsRecord)
{
    const QByteArray body = Pattern(3'000'000);
    server.AddFile(QStringLiteral("files/setup.zip"), body);
    const QString url = server.TlsUrl(QStringLiteral("files/setup.zip"));
    HandedOff(url);
    asker->cbOpenWhen->setCurrentIndex(1);

    ASSERT_TRUE(Download());

    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(RecordSource(), url);
    EXPECT_FALSE(RecordFile(FolderFile()).readString(QStringLiteral("setup.zip"), RecordKey::LastOpened, {}).isEmpty());
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));
    EXPECT_EQ(asker->dg->Value(), 3'000'000);
    EXPECT_TRUE(Log().contains(QStringLiteral("Received 3000000 bytes")));
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.boxes()[0].text.startsWith(QStringLiteral("Download Complete for setup.zip")));
    EXPECT_EQ(shell.opened, QStringList{Target()});
}

TEST_F(HttpsTransferTest, ResumeAppendsA206AndRestartsWhenTheServerIgnoresRange)
{
    ScriptedHttpServer scripted;
    ASSERT_TRUE(TlsScripted(scripted));
    const QByteArray body = Pattern(5000);
    scripted.AddReply(HeadReply(5000));
    scripted.AddReply(PartialReply(1000, 5000, body.mid(1000)));
    WriteFile(Target(), body.left(1000));
    HandedOff(QString::fromLatin1(scripted.BaseUrl()) + QStringLiteral("/setup.zip"));

    ASSERT_TRUE(Download());

    EXPECT_TRUE(scripted.WaitForRequest(1).contains("Range: bytes=1000-\r\n"));
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(FirstGaugeValue(), 1000);
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));

    // lighttpd continues it too (it honours a Range in HTTP/1.1).
    server.AddFile(QStringLiteral("setup.zip"), body);
    WriteFile(Target(), body.left(1000));
    HandedOff(server.TlsUrl(QStringLiteral("setup.zip")));
    ASSERT_TRUE(Download());
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_FALSE(Log().contains(QStringLiteral("Fetchlark:  The server sent the whole file; starting again at byte 0")));

    // A server that ignores the range and sends the whole file (200).
    scripted.AddReply(HeadReply(5000));
    scripted.AddReply(WholeReply(body));
    WriteFile(Target(), body.left(1000));
    HandedOff(QString::fromLatin1(scripted.BaseUrl()) + QStringLiteral("/setup.zip"));
    ASSERT_TRUE(Download());
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark:  The server sent the whole file; starting again at byte 0")));
}

TEST_F(HttpsTransferTest, RedirectsBetweenHttpAndHttpsBothWays)
{
    const QByteArray body = Pattern(70000);
    server.AddFile(QStringLiteral("setup.zip"), body);

    HandedOff(server.Url(QStringLiteral("tohttps/setup.zip")));
    ASSERT_TRUE(Download());
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(RecordSource(), server.TlsUrl(QStringLiteral("setup.zip")));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));

    QFile::remove(Target());
    HandedOff(server.TlsUrl(QStringLiteral("tohttp/setup.zip")));
    ASSERT_TRUE(Download());
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(RecordSource(), server.Url(QStringLiteral("setup.zip")));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));
}

// One box and one log line name the reason; nothing is written and no
// record is left behind.
TEST_F(HttpsTransferTest, CertificateAndTlsFailuresNameTheReasonAndWriteNothing)
{
    const QList<QPair<QString, QString>> cases{
        {server.TlsUrl(QStringLiteral("setup.zip"), 1), QStringLiteral("the server's certificate has expired")},
        {server.TlsUrl(QStringLiteral("setup.zip"), 2), QStringLiteral("the server's certificate is not valid yet")},
        {server.TlsUrl(QStringLiteral("setup.zip"), 3),
         QStringLiteral("the server's certificate is for another host name, not 127.0.0.1")},
        {server.TlsUrl(QStringLiteral("setup.zip"), 4),
         QStringLiteral("the server's certificate is signed by an unknown authority")},
        {QStringLiteral("https://127.0.0.1:%1/setup.zip").arg(server.Port()),
         QStringLiteral("the server does not speak TLS on this port")},
    };
    server.AddFile(QStringLiteral("setup.zip"), Pattern(5000));
    for (const auto& [url, reason] : cases) {
        dialogs.clear();
        HandedOff(url);
        ASSERT_TRUE(Download());
        // The server never answered: no status of its own in the texts.
        const QString failure = QStringLiteral("Secure connection failed: ") + reason;
        ASSERT_EQ(dialogs.boxes().size(), 1) << url.toStdString();
        EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Download Failed\r\r") + failure);
        EXPECT_TRUE(Log().contains(QStringLiteral("Failed : ") + failure)) << url.toStdString();
        EXPECT_FALSE(QFile::exists(Target()));
        EXPECT_FALSE(RecordFile(FolderFile()).recordNames().contains(QStringLiteral("setup.zip")));
        EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
        EXPECT_TRUE(shell.opened.isEmpty());
    }
}

TEST_F(HttpsTransferTest, StreamCutInTheBodyFailsAndKeepsThePartialFile)
{
    ScriptedHttpServer scripted;
    ASSERT_TRUE(TlsScripted(scripted));
    const QByteArray body = Pattern(5000);
    scripted.AddReply(HeadReply(5000));
    ScriptedHttpServer::Reply cut{HeadReply(5000) + body.left(2000)};
    cut.closeNotify = false;
    scripted.AddReply(cut);
    HandedOff(QString::fromLatin1(scripted.BaseUrl()) + QStringLiteral("/setup.zip"));
    asker->cbOpenWhen->setCurrentIndex(1);

    ASSERT_TRUE(Download());

    EXPECT_EQ(ReadFile(Target()), body.left(2000));
    EXPECT_TRUE(Log().contains(
        QStringLiteral("Failed : Secure connection failed: the connection was cut short (no TLS close_notify)")));
    EXPECT_NE(asker->lblETA->text(), QStringLiteral("Complete"));
    EXPECT_FALSE(Log().contains(QStringLiteral("Received 2000 bytes")));
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
}

// A record dropped after a refused secure connection stays dropped when the
// dialog is then closed with "Save these as default settings".
TEST_F(HttpsTransferTest, ARecordDroppedAfterAFailureStaysDroppedWhenTheDialogCloses)
{
    server.AddFile(QStringLiteral("setup.zip"), Pattern(5000));
    HandedOff(server.TlsUrl(QStringLiteral("setup.zip"), 1));
    asker->cbDefault->setChecked(true);
    ASSERT_TRUE(Download());
    ASSERT_FALSE(RecordFile(FolderFile()).recordNames().contains(QStringLiteral("setup.zip")));

    asker->Button2->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(asker.isNull());
    EXPECT_FALSE(RecordFile(FolderFile()).recordNames().contains(QStringLiteral("setup.zip")));
}

} // namespace
} // namespace flk::test
