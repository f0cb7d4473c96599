// The HTTP transfer driven without a window, against scripted loopback
// servers that tell the truth, lie, or take their time.
#include "HttpTransfer.h"
#include "RecordingObserver.h"
#include "ScriptedHttpServer.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace flk::test {
namespace {

QByteArray Header(const QByteArray& status, qint64 length, const QByteArray& more = {})
{
    return "HTTP/1.0 " + status + "\r\n" + (length >= 0 ? "Content-Length: " + QByteArray::number(length) + "\r\n" : "")
        + more + "\r\n";
}

class HttpTransferJobTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("file.bin")); }
    QString Url(const ScriptedHttpServer& server) const
    {
        return QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/files/file.bin");
    }
    // Runs one transfer of `server`'s file into Path().
    RecordingObserver& Run(const ScriptedHttpServer& server)
    {
        job = std::make_unique<THttpTransfer>(Url(server), Path(), &observer);
        EXPECT_TRUE(observer.Run(*job));
        return observer;
    }

    QTemporaryDir dir;
    RecordingObserver observer;
    std::unique_ptr<THttpTransfer> job;
};

TEST_F(HttpTransferJobTest, WholeFileWithTheRequestsOnTheWire)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(70000);
    server.AddReply(Header("200 OK", body.size()));
    server.AddReply(Header("200 OK", body.size()) + body);
    Run(server);

    EXPECT_TRUE(observer.Complete()) << observer.Failure().toStdString();
    EXPECT_EQ(ReadAll(Path()), body);
    EXPECT_EQ(observer.end->size, body.size());
    EXPECT_EQ(observer.sizes, (QList<QPair<qint64, qint64>>{{70000, 0}}));
    EXPECT_EQ(observer.bytes, 70000);
    // The port is part of the Host header: a server may host several sites.
    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(server.Port()) + "\r\n";
    EXPECT_EQ(server.WaitForRequest(0), "HEAD /files/file.bin HTTP/1.0\r\n" + host + "\r\n");
    EXPECT_EQ(server.WaitForRequest(1), "GET /files/file.bin HTTP/1.0\r\n" + host + "\r\n");
    EXPECT_EQ(observer.log.last(), QStringLiteral("Fetchlark:  End Download"));
    EXPECT_TRUE(observer.log.contains(QStringLiteral("Received 70000 bytes")));
}

// Replies a server may send that must never end as a complete file.
TEST_F(HttpTransferJobTest, RepliesThatAreNotTheWholeFileFail)
{
    const QByteArray body = Pattern(5000);
    struct Case {
        const char* name;
        QByteArray get;
        QString failure;
        QByteArray onDisk; // what the file holds afterwards ("<missing>": removed)
    };
    const QList<Case> cases{
        {"a 206 to a request for the whole file, from elsewhere",
         Header("206 Partial Content", 4900, "Content-Range: bytes 100-4999/5000\r\n") + body.mid(100),
         QStringLiteral("Failed : the server sent a part of the file (from byte 100) where the whole was asked"),
         "<missing>"},
        {"a 206 of a file of another size",
         Header("206 Partial Content", 5000, "Content-Range: bytes 0-4999/9000\r\n") + body,
         QStringLiteral("Failed : the server sent a part of a file of 9000 bytes where the file has 5000 bytes; "
                        "the partial file is kept"),
         "<missing>"},
        {"a 206 that ends early",
         Header("206 Partial Content", 1000, "Content-Range: bytes 0-999/5000\r\n") + body.left(1000),
         QStringLiteral("Failed : the server sent 1000 of 5000 bytes; the partial file is kept"), body.left(1000)},
        {"two different lengths",
         "HTTP/1.0 200 OK\r\nContent-Length: 2500\r\nContent-Length: 5000\r\n\r\n" + body,
         QStringLiteral("Failed : Invalid reply: two different Content-Length headers"), "<missing>"},
        {"a body without a length, cut before the HEAD's size", Header("200 OK", -1) + body.left(3000),
         QStringLiteral("Failed : the server sent 3000 of 5000 bytes; the partial file is kept"), body.left(3000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Path());
        observer = RecordingObserver();
        ScriptedHttpServer server;
        server.AddReply(Header("200 OK", 5000));
        server.AddReply(c.get);
        Run(server);
        EXPECT_EQ(observer.Failure(), c.failure) << observer.log.join('\n').toStdString();
        EXPECT_TRUE(observer.end->message.isEmpty());
        EXPECT_EQ(ReadAll(Path()), c.onDisk);
    }
}

// Where curl and wget download, so does the transfer.
TEST_F(HttpTransferJobTest, ServersThatBendTheRulesStillServeTheirFile)
{
    const QByteArray body = Pattern(200000);
    QByteArray chunked;
    for (qsizetype at = 0; at < body.size(); at += 4096)
        chunked += QByteArray::number(qMin<qsizetype>(4096, body.size() - at), 16) + "\r\n" + body.mid(at, 4096) + "\r\n";
    chunked += "0\r\n\r\n";
    struct Case {
        const char* name;
        QByteArray head;
        ScriptedHttpServer::Reply get;
        QByteArray file;
    };
    ScriptedHttpServer::Reply chunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked.left(70001)};
    chunks.later = {chunked.mid(70001, 70001), chunked.mid(140002)};
    chunks.pauseMs = 50;
    const QList<Case> cases{
        {"HEAD refused with 405", Header("405 Method Not Allowed", 0), {Header("200 OK", body.size()) + body}, body},
        {"HEAD without a length", Header("200 OK", -1), {Header("200 OK", body.size()) + body}, body},
        {"an empty file", Header("200 OK", 0), {Header("200 OK", 0)}, QByteArray()},
        {"an interim 100 Continue", Header("200 OK", body.size()),
         {"HTTP/1.1 100 Continue\r\n\r\n" + Header("200 OK", body.size()) + body}, body},
        // Decoded in the order it came, whatever a box or the end of the
        // connection does meanwhile; longer than the HEAD said, and whole.
        {"a chunked body longer than the HEAD's size", Header("200 OK", 150000), chunks, body},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Path());
        observer = RecordingObserver();
        ScriptedHttpServer server;
        server.AddReply(c.head);
        server.AddReply(c.get);
        Run(server);
        EXPECT_TRUE(observer.Complete()) << observer.log.join('\n').toStdString();
        EXPECT_TRUE(ReadAll(Path()) == c.file);
        EXPECT_EQ(observer.end->size, c.file.size());
    }
}

TEST_F(HttpTransferJobTest, AHeaderFloodEndsWithAClearReason)
{
    ScriptedHttpServer server;
    QByteArray flood = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; flood.size() < (300 << 10); ++i)
        flood += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(100, 'x') + "\r\n";
    server.AddReply(flood + "\r\n");
    Run(server);
    EXPECT_EQ(observer.Failure(), QStringLiteral("Failed : The reply's header is larger than 256 KiB"));
    EXPECT_EQ(observer.end->message, QStringLiteral("Download Failed\r\rThe reply's header is larger than 256 KiB"));
    EXPECT_FALSE(QFileInfo::exists(Path()));
}

// A complete file on disk: the question is asked and its answer comes back
// as an event; No leaves the file alone, Yes fetches it again from byte 0.
TEST_F(HttpTransferJobTest, ACompleteFileOnDiskIsFetchedAgainOnlyWhenTheAnswerIsYes)
{
    const QByteArray body = Pattern(3000);
    WriteAll(Path(), "OLD" + body);
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        observer = RecordingObserver();
        observer.answer = yes;
        ScriptedHttpServer server;
        server.AddReply(Header("200 OK", body.size()));
        server.AddReply(Header("206 Partial Content", body.size(), "Content-Range: bytes 0-2999/3000\r\n") + body);
        Run(server);
        EXPECT_EQ(observer.questions, QList<TTransferQuestion>{TTransferQuestion::ReDownloadComplete});
        EXPECT_EQ(observer.end->outcome, yes ? TTransferOutcome::Complete : TTransferOutcome::Declined);
        EXPECT_EQ(ReadAll(Path()), yes ? body : "OLD" + body);
        EXPECT_EQ(server.Connections(), yes ? 2 : 1);
        if (yes) {
            EXPECT_TRUE(server.WaitForRequest(1).contains("Range: bytes=0-\r\n"));
        }
    }
}

TEST_F(HttpTransferJobTest, ARedirectionToFtpIsHandedOnNotFollowed)
{
    ScriptedHttpServer server;
    server.AddReply("HTTP/1.0 302 Found\r\nLocation: ftp://127.0.0.1:1/pub/file.bin\r\n\r\n");
    Run(server);
    ASSERT_TRUE(observer.end);
    EXPECT_EQ(observer.end->outcome, TTransferOutcome::MovedToFtp);
    EXPECT_EQ(observer.end->url, QStringLiteral("ftp://127.0.0.1:1/pub/file.bin"));
    EXPECT_EQ(server.Connections(), 1);
}

// The resume is judged on the reply's header, before any of its body can
// reach the file, however the server splits its writes.
TEST_F(HttpTransferJobTest, AResumeIsJudgedBeforeABodyThatFollowsItsHeaderLater)
{
    const QByteArray body = Pattern(300000);
    const QByteArray partial(50000, 'x');
    struct Case {
        const char* name;
        QByteArray get;
        QByteArray file;
        bool complete;
    };
    const QList<Case> cases{
        {"Range ignored: the whole file from 0", Header("200 OK", body.size()) + body, body, true},
        {"a 206 from the wrong offset",
         Header("206 Partial Content", body.size(), "Content-Range: bytes 0-299999/300000\r\n") + body, partial,
         false},
        {"a 206 without Content-Range", Header("206 Partial Content", 250000) + body.mid(50000), partial, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        observer = RecordingObserver();
        ScriptedHttpServer server;
        server.AddReply(Header("200 OK", body.size()));
        ScriptedHttpServer::Reply apart{c.get.left(c.get.indexOf("\r\n\r\n") + 4)};
        apart.later = {c.get.mid(c.get.indexOf("\r\n\r\n") + 4)};
        apart.pauseMs = 100;
        server.AddReply(apart);
        WriteAll(Path(), partial);
        Run(server);
        EXPECT_TRUE(ReadAll(Path()) == c.file);
        EXPECT_EQ(observer.Complete(), c.complete) << observer.log.join('\n').toStdString();
        if (!c.complete) {
            EXPECT_EQ(observer.end->message, QStringLiteral("Download Failed\r\rThe server did not continue this file "
                                                            "at byte 50000. The partial file has been kept."));
        }
    }
}

TEST_F(HttpTransferJobTest, AFourMegabyteResumeFromAServerWritingHeaderAndBodyApartIsByteIdentical)
{
    const qint64 size = 4 << 20, offset = 1234567;
    const QByteArray body = Pattern(size);
    ScriptedHttpServer server;
    server.AddReply(Header("200 OK", size));
    ScriptedHttpServer::Reply apart{Header("206 Partial Content", size - offset,
                                           "Content-Range: bytes " + QByteArray::number(offset) + "-"
                                               + QByteArray::number(size - 1) + "/" + QByteArray::number(size)
                                               + "\r\n")};
    apart.later = {body.mid(offset)};
    apart.pauseMs = 200;
    server.AddReply(apart);
    WriteAll(Path(), body.left(offset));
    Run(server);
    EXPECT_TRUE(observer.Complete()) << observer.log.join('\n').toStdString();
    EXPECT_TRUE(ReadAll(Path()) == body);
    EXPECT_EQ(observer.sizes, (QList<QPair<qint64, qint64>>{{size, offset}}));
    EXPECT_TRUE(observer.log.contains(QStringLiteral("Fetchlark:  Starting download at byte %1").arg(offset)));
}

TEST_F(HttpTransferJobTest, ABodyAfterTheHeadReplyIsNotTheDownload)
{
    const QByteArray body = Pattern(200000);
    ScriptedHttpServer server;
    server.AddReply(Header("200 OK", body.size()) + body.left(128000));
    server.AddReply(Header("200 OK", body.size()) + body);
    Run(server);
    EXPECT_TRUE(observer.Complete()) << observer.log.join('\n').toStdString();
    EXPECT_TRUE(ReadAll(Path()) == body);
}

TEST_F(HttpTransferJobTest, AChunkedBodyIsStoredWithoutItsFramingOrFailsWhenCut)
{
    const QByteArray body = Pattern(300000);
    QByteArray framed;
    for (qsizetype at = 0; at < body.size(); at += 70000)
        framed += QByteArray::number(body.mid(at, 70000).size(), 16) + "\r\n" + body.mid(at, 70000) + "\r\n";
    framed += "0\r\n\r\n";
    // A Content-Length beside the chunks is not to be trusted.
    const QByteArray header = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 300000\r\n\r\n";
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut" : "whole");
        QFile::remove(Path());
        observer = RecordingObserver();
        ScriptedHttpServer server;
        server.AddReply(Header("200 OK", body.size()));
        server.AddReply(header + (cut ? framed.left(200000) : framed));
        Run(server);
        if (cut) {
            EXPECT_EQ(observer.Failure(),
                      QStringLiteral("Failed : Connection closed in the middle of a chunked reply after 199975 bytes"));
        } else {
            EXPECT_TRUE(observer.Complete()) << observer.log.join('\n').toStdString();
            EXPECT_TRUE(ReadAll(Path()) == body);
        }
    }
}

// The browser's session goes with the HEAD, a redirection within the site
// and the GET; the server's Content-Disposition name (made safe) picks the
// local file before it is opened; the log never shows a cookie.
TEST_F(HttpTransferJobTest, SessionWithinTheSiteAndTheServersName)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(3000);
    server.AddReply("HTTP/1.0 302 Found\r\nLocation: /real?id=7\r\n\r\n");
    server.AddReply(Header("200 OK", body.size(),
                           "Content-Disposition: attachment; filename=\"../report 2026.pdf\"\r\n"
                           "Set-Cookie: next=s3cret2\r\n"));
    server.AddReply(Header("200 OK", body.size()) + body);
    observer.namedFolder = dir.path();
    job = std::make_unique<THttpTransfer>(Url(server), Path(), &observer);
    job->SetSession({QStringLiteral("sid=s3cret"), QStringLiteral("http://example.org/page"),
                     QStringLiteral("Browser/1.0")});
    ASSERT_TRUE(observer.Run(*job));

    EXPECT_TRUE(observer.Complete()) << observer.Failure().toStdString();
    EXPECT_EQ(observer.names, QStringList{"report 2026.pdf"});
    EXPECT_EQ(ReadAll(dir.filePath("report 2026.pdf")), body);
    EXPECT_FALSE(QFileInfo::exists(Path()));
    for (int i : {0, 1, 2}) {
        const QByteArray request = server.WaitForRequest(i);
        EXPECT_TRUE(request.contains("\r\nCookie: sid=s3cret\r\n")) << request.constData();
        EXPECT_TRUE(request.contains("\r\nReferer: http://example.org/page\r\n")) << request.constData();
        EXPECT_TRUE(request.contains("\r\nUser-Agent: Browser/1.0\r\n")) << request.constData();
    }
    EXPECT_TRUE(server.WaitForRequest(2).startsWith("GET /real?id=7 HTTP/1.0\r\n"));
    EXPECT_TRUE(observer.log.contains("Cookie: ********"));
    EXPECT_TRUE(observer.log.contains("Set-Cookie: ********"));
    EXPECT_FALSE(observer.log.join('\n').contains("s3cret"));
}

// A HEAD redirected to another site: that site gets neither the cookie nor
// the referrer, on the HEAD or on the GET that starts there. A name the
// observer does not take leaves the local file as it was given.
TEST_F(HttpTransferJobTest, AnotherSiteGetsNoSession)
{
    ScriptedHttpServer other;
    const QByteArray body = Pattern(100);
    other.AddReply(Header("200 OK", body.size(), "Content-Disposition: attachment; filename*=UTF-8''x.bin\r\n"));
    other.AddReply(Header("200 OK", body.size()) + body);
    ScriptedHttpServer server;
    server.AddReply("HTTP/1.0 302 Found\r\nLocation: " + other.BaseUrl() + "/cdn/file.bin\r\n\r\n");
    job = std::make_unique<THttpTransfer>(Url(server), Path(), &observer);
    job->SetSession({QStringLiteral("sid=s3cret"), QStringLiteral("http://example.org/page"),
                     QStringLiteral("Browser/1.0")});
    ASSERT_TRUE(observer.Run(*job));

    EXPECT_TRUE(observer.Complete()) << observer.Failure().toStdString();
    EXPECT_EQ(ReadAll(Path()), body);
    EXPECT_EQ(observer.names, QStringList{"x.bin"});
    EXPECT_TRUE(server.WaitForRequest(0).contains("Cookie: sid=s3cret"));
    for (int i : {0, 1}) {
        const QByteArray request = other.WaitForRequest(i);
        EXPECT_FALSE(request.contains("Cookie")) << request.constData();
        EXPECT_FALSE(request.contains("Referer")) << request.constData();
        EXPECT_FALSE(request.contains("User-Agent")) << request.constData();
    }
}

} // namespace
} // namespace flk::test
