// Downloads over several connections, against lighttpd (real ranges) and a
// server that lies about them, cuts connections or changes the file.
#include "HttpTransfer.h"
#include "LoopbackHttpd.h"
#include "PieceServer.h"
#include "PieceState.h"
#include "RecordingObserver.h"
#include "TlsCertificates.h"

#include <QDateTime>

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>

namespace flk::test {
namespace {

constexpr qint64 kMiB = 1 << 20;

// lighttpd names no version (ETag, Last-Modified) of a file changed within
// the current second: it may still be changing.
QString Settled(const QString& path)
{
    QFile f(path);
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    return path;
}

class PiecesTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("file.bin")); }
    QString StatePath() const { return TPieceState::PathFor(Path()); }
    bool Has(const QString& text) const { return observer.log.join('\n').contains(text); }
    QString Log() const { return observer.log.join('\n'); }

    // Loopback is fast: the first connection is not left alone unless asked.
    RecordingObserver& Run(const QString& url, int connections = 4, qint64 fastEnough = 0,
                           const THttpSession& session = {})
    {
        observer = RecordingObserver();
        job = std::make_unique<THttpTransfer>(url, Path(), &observer);
        job->SetSession(session);
        job->SetConnections(connections);
        job->SetFastEnough(fastEnough);
        EXPECT_TRUE(observer.Run(*job, 30000)) << Log().toStdString();
        return observer;
    }

    QTemporaryDir dir;
    RecordingObserver observer;
    std::unique_ptr<THttpTransfer> job;
};

TEST_F(PiecesTest, LighttpdFileOverFourConnectionsIsIdentical)
{
    LoopbackHttpd httpd;
    ASSERT_TRUE(httpd.IsRunning()) << httpd.ErrorText().toStdString();
    const QString served = Settled(httpd.AddFileOfSize(QStringLiteral("big.bin"), 20 * kMiB));
    Run(httpd.Url(QStringLiteral("big.bin")));

    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_TRUE(Has(QStringLiteral("Fetchlark:  Downloading with 4 connections"))) << Log().toStdString();
    EXPECT_TRUE(ReadAll(Path()) == ReadAll(served)) << "the file differs from the server's";
    // The dialog sees one download: one size, and bytes up to the whole.
    EXPECT_EQ(observer.sizes, (QList<QPair<qint64, qint64>>{{20 * kMiB, 0}}));
    EXPECT_EQ(observer.bytes, 20 * kMiB);
    EXPECT_EQ(observer.end->size, 20 * kMiB);
    EXPECT_EQ(observer.log.last(), QStringLiteral("Fetchlark:  End Download"));
    EXPECT_FALSE(QFileInfo::exists(StatePath()));
}

// A partial file without a record of pieces goes on from its end, over one
// connection, and lighttpd serves that range (it does so only to HTTP/1.1).
TEST_F(PiecesTest, APartialFileWithoutStateContinuesFromItsEndAtLighttpd)
{
    LoopbackHttpd httpd;
    ASSERT_TRUE(httpd.IsRunning()) << httpd.ErrorText().toStdString();
    const QString served = Settled(httpd.AddFileOfSize(QStringLiteral("big.bin"), 6 * kMiB));
    const QByteArray whole = ReadAll(served);
    WriteAll(Path(), whole.left(kMiB + 5));
    Run(httpd.Url(QStringLiteral("big.bin")));

    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_EQ(job->ResumedFrom(), kMiB + 5);
    EXPECT_TRUE(Has(QStringLiteral("Fetchlark:  Starting download at byte %1").arg(kMiB + 5)));
    EXPECT_TRUE(ReadAll(Path()) == whole) << "the file differs from the server's";
}

// Over TLS the pieces' bytes are decrypted into buffers before the file:
// each piece's buffers land at its own place.
TEST_F(PiecesTest, OverTlsThePiecesLandInPlaceToo)
{
    TlsCertificates certs;
    ASSERT_TRUE(certs.IsValid()) << certs.ErrorText().toStdString();
    certs.TrustTestAuthority();
    LoopbackHttpd httpd({}, {certs.PemFile(TlsCertificates::Good)});
    ASSERT_TRUE(httpd.IsRunning()) << httpd.ErrorText().toStdString();
    const QString served = Settled(httpd.AddFileOfSize(QStringLiteral("big.bin"), 9 * kMiB + 4321));
    Run(httpd.TlsUrl(QStringLiteral("big.bin")), 3);
    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_TRUE(Has(QStringLiteral("Fetchlark:  Downloading with 3 connections"))) << Log().toStdString();
    EXPECT_TRUE(ReadAll(Path()) == ReadAll(served)) << "the file differs from the server's";
    EXPECT_FALSE(QFileInfo::exists(StatePath()));
}

// A server that answers the probe or a later piece with something else than
// the piece asked for: one connection goes on, from bytes it can trust, and
// the file is the server's (the new version when it changed).
TEST_F(PiecesTest, ServersThatStopServingPiecesFallBackToOneConnection)
{
    const QByteArray v1 = Pattern(6 * kMiB);
    const QByteArray v2 = Pattern(6 * kMiB, 11);
    using Lie = PieceServer::Lie;
    struct Case {
        const char* name;
        int at;           // the GET that lies
        Lie lie;
        bool newVersion;  // the file changes on the server at that GET
        QString logged;
    };
    const QList<Case> cases{
        {"the probe answered with the whole file", 0, Lie::Whole, false,
         QStringLiteral("One connection: the server does not serve this file in pieces")},
        {"a later piece answered with the whole file", 2, Lie::Whole, false,
         QStringLiteral("Back to one connection: the server answered a range request with the whole file (200)")},
        {"a piece with another range", 1, Lie::WrongRange, false,
         QStringLiteral("Back to one connection: the server sent bytes")},
        {"a piece of a file of another length", 1, Lie::OtherLength, false,
         QStringLiteral("the file on the server now has 6291457 bytes instead of 6291456")},
        {"a piece with another ETag", 3, Lie::None, true,
         QStringLiteral("the file changed on the server (its ETag is now \"v2\")")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Path());
        PieceServer server(v1);
        server.SetRule([&server, c, &v2](int n, qint64, qint64) {
            if (n == c.at && c.newVersion)
                server.SetFile(v2, "\"v2\"");
            return n == c.at ? PieceServer::Answer{c.lie} : PieceServer::Answer{};
        });
        Run(QString::fromLatin1(server.Url()));
        EXPECT_TRUE(observer.Complete()) << Log().toStdString();
        EXPECT_TRUE(Has(c.logged)) << Log().toStdString();
        EXPECT_TRUE(ReadAll(Path()) == (c.newVersion ? v2 : v1)) << "a mix of versions or a misplaced piece";
        EXPECT_FALSE(QFileInfo::exists(StatePath()));
        // The last GET is the one connection's: without a range, or from
        // where the pieces from byte 0 stopped being whole.
        const QByteArray last = server.Ranges().last();
        EXPECT_TRUE(last.isEmpty() || last.endsWith('-')) << last.toStdString();
    }
}

TEST_F(PiecesTest, PieceConnectionsCutEarlyAreTriedAgainFromWhereTheyStopped)
{
    const QByteArray body = Pattern(8 * kMiB);
    PieceServer server(body);
    std::atomic<int> cuts{0};
    server.SetRule([&cuts](int n, qint64, qint64) {
        // Every third GET closes after a share of its bytes.
        if (n % 3 != 1)
            return PieceServer::Answer{};
        ++cuts;
        return PieceServer::Answer{PieceServer::Lie::Cut, 1000 + n * 77777 % 900000};
    });
    // Every connection is the download's own: the browser's session goes
    // with each piece as with the first request.
    Run(QString::fromLatin1(server.Url()), 4, 0, {"sid=42", "http://127.0.0.1/page", "Browser/1.0"});
    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_GT(cuts.load(), 0);
    EXPECT_GT(server.Requests().size(), 4);
    for (const QByteArray& request : server.Requests()) {
        EXPECT_TRUE(request.contains("\r\nCookie: sid=42\r\n")) << request.toStdString();
        EXPECT_TRUE(request.contains("\r\nUser-Agent: Browser/1.0\r\n")) << request.toStdString();
        EXPECT_TRUE(request.contains("\r\nReferer: http://127.0.0.1/page\r\n")) << request.toStdString();
    }
    EXPECT_TRUE(Has(QStringLiteral("the connection closed early; trying again from byte"))
                || Has(QStringLiteral("Connection closed after"))) << Log().toStdString();
    EXPECT_TRUE(ReadAll(Path()) == body);
    EXPECT_FALSE(QFileInfo::exists(StatePath()));
}

// A byte the server never sends: the download fails with the file sized but
// not complete, and a later start neither takes the sized file for a whole
// one nor fetches again what came: it resumes the pieces from the state file.
TEST_F(PiecesTest, AFileNeverWholeIsNotCompleteAndResumesItsPiecesLater)
{
    const QByteArray body = Pattern(6 * kMiB);
    {
        PieceServer server(body);
        const qint64 hole = 5 * kMiB + 12345;
        server.SetRule([hole](int, qint64 first, qint64 last) {
            return first <= hole && hole <= last ? PieceServer::Answer{PieceServer::Lie::Cut, hole - first}
                                                 : PieceServer::Answer{};
        });
        Run(QString::fromLatin1(server.Url()), 2);
        EXPECT_FALSE(observer.Complete());
        EXPECT_TRUE(observer.Failure().startsWith(QStringLiteral("Failed : every connection to the server failed")))
            << Log().toStdString();
        EXPECT_TRUE(QFileInfo::exists(StatePath()));
    }
    PieceServer server(body);
    Run(QString::fromLatin1(server.Url()));
    EXPECT_TRUE(observer.questions.isEmpty()) << "a sized partial file was taken for a complete one";
    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_TRUE(ReadAll(Path()) == body);
    ASSERT_FALSE(observer.sizes.isEmpty());
    EXPECT_GT(observer.sizes.first().second, 5 * kMiB) << "the pieces that came were fetched again";
    for (const QByteArray& range : server.Ranges())
        EXPECT_FALSE(range.startsWith("bytes=0-")) << range.toStdString();
    EXPECT_FALSE(QFileInfo::exists(StatePath()));
}

TEST_F(PiecesTest, AnAbortedDownloadResumesFromItsStateFile)
{
    const QByteArray body = Pattern(8 * kMiB);
    {
        PieceServer server(body);
        server.SetRate(2 * kMiB);
        observer = RecordingObserver();
        job = std::make_unique<THttpTransfer>(QString::fromLatin1(server.Url()), Path(), &observer);
        bool aborted = false;
        QObject::connect(job.get(), &TTransferJob::Progressed, [this, &aborted](qint64 bytes) {
            if (bytes >= 3 * kMiB && !aborted) {
                aborted = true;
                QTimer::singleShot(0, [this] { job->Abort(); }); // as a click on Cancel would
            }
        });
        job->Start();
        ASSERT_TRUE(PumpFor([&] { return job->Finished(); }, 20000));
        EXPECT_FALSE(observer.end.has_value());
    }
    TPieceStateData state;
    ASSERT_TRUE(TPieceState(Path()).Read(state));
    EXPECT_EQ(state.Length, 8 * kMiB);
    EXPECT_EQ(state.Validator, QStringLiteral("\"v1\""));
    qint64 kept = 0;
    for (const auto& r : state.Done)
        kept += r.second - r.first;
    EXPECT_GE(kept, 2 * kMiB);

    PieceServer server(body);
    Run(QString::fromLatin1(server.Url()));
    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_TRUE(ReadAll(Path()) == body);
    EXPECT_EQ(observer.sizes.first().second, kept);
    EXPECT_TRUE(Has(QStringLiteral("Fetchlark:  Resuming the pieces: %1 of %2 bytes are here already").arg(kept).arg(8 * kMiB)))
        << Log().toStdString();
    EXPECT_FALSE(QFileInfo::exists(StatePath()));

    // A state file of another version: nothing of the old file is kept.
    WriteAll(Path(), Pattern(8 * kMiB, 5));
    TPieceState(Path()).Write({QString::fromLatin1(server.Url()), QStringLiteral("\"v0\""), 8 * kMiB, {{0, 4 * kMiB}}});
    Run(QString::fromLatin1(server.Url()));
    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_TRUE(Has(QStringLiteral("The file changed on the server since the last attempt"))) << Log().toStdString();
    EXPECT_TRUE(ReadAll(Path()) == body);
    EXPECT_FALSE(QFileInfo::exists(StatePath()));
}

// A first connection that brings enough alone is not joined by others: one
// request for the whole file.
TEST_F(PiecesTest, AConnectionFastEnoughAloneStaysAlone)
{
    const QByteArray body = Pattern(6 * kMiB);
    PieceServer server(body);
    server.SetRate(12 * kMiB);
    Run(QString::fromLatin1(server.Url()), 4, kMiB);
    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_TRUE(Has(QStringLiteral("Fetchlark:  One connection: it alone brings"))) << Log().toStdString();
    EXPECT_FALSE(Has(QStringLiteral("Downloading with")));
    EXPECT_EQ(server.Ranges(), QList<QByteArray>{"bytes=0-6291455"});
    EXPECT_TRUE(ReadAll(Path()) == body);
    EXPECT_FALSE(QFileInfo::exists(StatePath()));
}

// The piece from byte 0 comes slowly: the others, done with theirs, take
// over the back of it instead of waiting for it.
TEST_F(PiecesTest, FastConnectionsTakeOverTheRestOfASlowOne)
{
    const QByteArray body = Pattern(16 * kMiB);
    PieceServer server(body);
    server.SetRule([](int, qint64 first, qint64) {
        PieceServer::Answer a;
        if (first == 0)
            a.rate = 2 * kMiB;
        return a;
    });
    Run(QString::fromLatin1(server.Url()));
    EXPECT_TRUE(observer.Complete()) << Log().toStdString();
    EXPECT_TRUE(ReadAll(Path()) == body);
    bool stolen = false;
    for (const QByteArray& range : server.Ranges()) {
        const qint64 first = range.mid(6, range.indexOf('-') - 6).toLongLong();
        stolen = stolen || (first > 0 && first < 4 * kMiB);
    }
    EXPECT_TRUE(stolen) << "nobody took over a part of the slow piece";
}

} // namespace
} // namespace flk::test
