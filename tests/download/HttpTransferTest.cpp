// The download dialog's HTTP transfer, end to end: the real dialog
// (offscreen) fetching from a real lighttpd and from scripted loopback
// servers for exact wire cases; boxes and shell calls are recorded.

#include "HttpTransferFixture.h"
#include "HttpProt.h"
#include "LoopbackHttpd.h"
#include "PyFtpServer.h"
#include "RecordFile.h"

#include <QDir>
#include <QTest>
#include <QTemporaryDir>

namespace flk::test {
namespace {

const QString kComplete = QStringLiteral("Complete file exists already, would you like to re-download?");

// ---------------------------------------------------------------------------
// From lighttpd

TEST_F(HttpTransferTest, FreshDownloadLandsByteIdenticalWithItsRecord)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    const QByteArray body = Pattern(70000);
    server.AddFile(QStringLiteral("files/setup.zip"), body);
    OpenFor(server.Url(QStringLiteral("files/setup.zip")));
    asker->cbOpenWhen->setCurrentIndex(1);

    ASSERT_TRUE(Download());

    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(asker->LocalPath, Target());
    const RecordFile record(FolderFile());
    EXPECT_EQ(record.readString(QStringLiteral("setup.zip"), RecordKey::Source, {}),
              server.Url(QStringLiteral("files/setup.zip")));
    EXPECT_EQ(record.readString(QStringLiteral("setup.zip"), RecordKey::Desc, {}), QStringLiteral("A setup program"));
    EXPECT_FALSE(record.readString(QStringLiteral("setup.zip"), RecordKey::LastOpened, {}).isEmpty());

    EXPECT_EQ(asker->lblFileSize->text(), QStringLiteral("70000 bytes"));
    EXPECT_EQ(asker->lbldlbytes->text(), QStringLiteral("70000"));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));
    EXPECT_EQ(asker->lblPercent->text(), QStringLiteral("% of Potential Speed"));
    EXPECT_TRUE(asker->pnlPacketSize->isVisible());
    EXPECT_EQ(asker->dg->Max(), 70000);
    EXPECT_EQ(asker->dg->Value(), 70000);
    EXPECT_FALSE(asker->tmrDLSpeed->isActive());

    const QStringList log = Log();
    EXPECT_TRUE(log.contains(QStringLiteral("HTTP/1.0 200 OK")) || log.contains(QStringLiteral("HTTP/1.1 200 OK")));
    EXPECT_TRUE(log.contains(QStringLiteral("Content-Length: 70000")));
    EXPECT_TRUE(log.contains(QStringLiteral("Received 70000 bytes")));
    EXPECT_EQ(log.last(), QStringLiteral("Fetchlark:  End Download"));
    EXPECT_FALSE(log.join('\n').contains(QStringLiteral("Starting download at byte")));

    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text,
              TfrmAsker::CompleteText(QStringLiteral("setup.zip"), QStringLiteral("Programs"),
                                      QStringLiteral("Utilities")));
    EXPECT_EQ(shell.opened, QStringList{Target()});
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
    EXPECT_TRUE(asker->edtName->isEnabled());
}

// Download twice: the second one fetches again and rewrites the record, also
// when a refused Download (no name) comes between.
TEST_F(HttpTransferTest, ASecondDownloadAfterAFinishedOneFetchesAgain)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    const QByteArray body = Pattern(30000);
    server.AddFile(QStringLiteral("files/report.pdf"), body);
    const QString name = QString::fromUtf8("report [1] = été.pdf");
    OpenFor(server.Url(QStringLiteral("files/report.pdf")), name);
    // The completion box stays up a while, as a user's does: messages run
    // under it.
    dialogs.onBox = [](const MessageRequest&) { PumpFor([] { return false; }, 300); };
    ASSERT_TRUE(Download());
    ASSERT_EQ(ReadFile(Target(name)), body);

    asker->edtName->clear();
    ASSERT_TRUE(Download());
    EXPECT_EQ(dialogs.texts().last(), TfrmAsker::kNameMessage);
    asker->edtName->setText(name);
    asker->edtDesc->setText(QStringLiteral("Fetched again"));
    dialogs.clear();
    dialogs.answer(IDYES); // fetch the complete file again
    ASSERT_TRUE(Download()) << "the second Download never came back";
    EXPECT_EQ(dialogs.texts().first(), kComplete);
    EXPECT_EQ(ReadFile(Target(name)), body);
    EXPECT_TRUE(dialogs.texts().last().startsWith(QStringLiteral("Download Complete for ")));
    const RecordFile record(FolderFile());
    EXPECT_EQ(record.recordNames(), QStringList{name});
    EXPECT_EQ(record.readString(name, RecordKey::Desc, {}), QStringLiteral("Fetched again"));
}

// lighttpd serves a Range only to HTTP/1.1 (to 1.0 it sends the whole
// file): the resumed request speaks 1.1 and the partial file is continued.
TEST_F(HttpTransferTest, PartialFileFromLighttpdIsContinuedFromItsEnd)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    const QByteArray body = Pattern(5000);
    server.AddFile(QStringLiteral("setup.zip"), body);
    WriteFile(Target(), body.left(1000));
    OpenFor(server.Url(QStringLiteral("setup.zip")));

    ASSERT_TRUE(Download());

    EXPECT_EQ(ReadFile(Target()), body);
    const QStringList log = Log();
    ASSERT_TRUE(log.contains(QStringLiteral("Fetchlark:  Starting download at byte 1000")));
    EXPECT_FALSE(log.contains(QStringLiteral("Fetchlark:  The server sent the whole file; starting again at byte 0")));
    EXPECT_EQ(FirstGaugeValue(), 1000);
    EXPECT_EQ(asker->dg->Max(), 5000);
    EXPECT_EQ(asker->lblFileSize->text(), QStringLiteral("5000 bytes"));
}

TEST_F(HttpTransferTest, CompleteFileQuestionNoKeepsTheFileYesFetchesAgain)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    const QByteArray body = Pattern(5000);
    server.AddFile(QStringLiteral("setup.zip"), body);
    const QByteArray local(5000, 'x');
    WriteFile(Target(), local);
    OpenFor(server.Url(QStringLiteral("setup.zip")));
    asker->cbOpenWhen->setCurrentIndex(1);

    // Enter: the default button, No.
    ASSERT_TRUE(Download());
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].caption, QStringLiteral("File Exists"));
    EXPECT_EQ(dialogs.boxes()[0].text, kComplete);
    EXPECT_EQ(dialogs.boxes()[0].buttons, MB_YESNO);
    EXPECT_EQ(ReadFile(Target()), local);
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
    EXPECT_TRUE(shell.opened.isEmpty());

    dialogs.clear();
    dialogs.answer(IDYES);
    ASSERT_TRUE(Download());
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark:  Starting download at byte 0")));
    ASSERT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(dialogs.boxes()[0].text, kComplete);
    EXPECT_TRUE(dialogs.boxes()[1].text.startsWith(QStringLiteral("Download Complete for setup.zip")));
    // The earlier No aborted; this Download still opens the file when done.
    EXPECT_EQ(shell.opened, QStringList{Target()});
}

TEST_F(HttpTransferTest, NotFoundOnHeadShowsDownloadFailedWithTheServersStatus)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    OpenFor(server.Url(QStringLiteral("missing.zip")), QStringLiteral("missing.zip"));

    ASSERT_TRUE(Download());

    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Download Failed\r\rServer Response : \"404 Not Found\""));
    EXPECT_TRUE(Log().contains(QStringLiteral("Failed : 404 Not Found")));
    EXPECT_FALSE(QFile::exists(Target(QStringLiteral("missing.zip"))));
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
    EXPECT_TRUE(asker->Aborted);
}

TEST_F(HttpTransferTest, RelativeRedirectFromLighttpdRestartsOnTheNewAddress)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    const QByteArray body = Pattern(12345);
    server.AddFile(QStringLiteral("setup.zip"), body);
    OpenFor(server.Url(QStringLiteral("redirect/setup.zip")));

    ASSERT_TRUE(Download());

    const QString moved = server.Url(QStringLiteral("setup.zip"));
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark is redirecting to: ") + moved));
    EXPECT_EQ(asker->SourceUrl, moved);
    EXPECT_EQ(asker->edtSource->currentText(), moved);
    EXPECT_EQ(RecordFile(FolderFile()).readString(QStringLiteral("setup.zip"), RecordKey::Source, {}), moved);
    EXPECT_EQ(asker->Protocol, QStringLiteral("http"));
}

// ---------------------------------------------------------------------------
// Scripted servers: exact wire cases

TEST_F(HttpTransferTest, ResumeSendsRangeAndAppendsA206ThatStartsAtTheOffset)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(5000);
    server.AddReply(HeadReply(5000));
    server.AddReply(PartialReply(1000, 5000, body.mid(1000)));
    WriteFile(Target(), body.left(1000));
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/files/setup.zip"));

    ASSERT_TRUE(Download());

    // The Host header names the port: the server may host several sites.
    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(server.Port());
    EXPECT_EQ(server.WaitForRequest(0), "HEAD /files/setup.zip HTTP/1.0\r\n" + host + "\r\n\r\n");
    EXPECT_EQ(server.WaitForRequest(1),
              "GET /files/setup.zip HTTP/1.1\r\n" + host + "\r\nConnection: close\r\nRange: bytes=1000-\r\n\r\n");
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(FirstGaugeValue(), 1000);
    EXPECT_EQ(asker->dg->Value(), 5000);
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));
    // The figures count the 4,000 bytes that came, not the 1,000 on disk.
    asker->SpeedTick(asker->StartTick + 1000);
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("8000 bps"));
    EXPECT_EQ(asker->lblAverage->text(), QStringLiteral("40000 bps"));
}

TEST_F(HttpTransferTest, RangeIgnoredWith200ReplacesThePartialFileAndRestartsTheGauge)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(5000);
    server.AddReply(HeadReply(5000));
    server.AddReply(WholeReply(body));
    WriteFile(Target(), QByteArray(1000, 'x'));
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));

    ASSERT_TRUE(Download());

    EXPECT_TRUE(server.WaitForRequest(1).contains("Range: bytes=1000-\r\n"));
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(asker->dg->Max(), 5000);
    EXPECT_EQ(asker->dg->Value(), 5000);
    EXPECT_EQ(asker->lblFileSize->text(), QStringLiteral("5000 bytes"));
    EXPECT_FALSE(gaugeValues.contains(1000)); // it never showed the old bytes as part of this file
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark:  The server sent the whole file; starting again at byte 0")));
    EXPECT_TRUE(Log().contains(QStringLiteral("Received 5000 bytes")));
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.boxes()[0].text.startsWith(QStringLiteral("Download Complete for setup.zip")));
}

TEST_F(HttpTransferTest, PartialReplyStartingElsewhereFailsAndKeepsThePartialFile)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(5000);
    server.AddReply(HeadReply(5000));
    server.AddReply(PartialReply(0, 5000, body));
    const QByteArray partial(1000, 'x');
    WriteFile(Target(), partial);
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));
    asker->cbOpenWhen->setCurrentIndex(1);

    ASSERT_TRUE(Download());

    EXPECT_EQ(ReadFile(Target()), partial);
    EXPECT_TRUE(Log().contains(QStringLiteral("Failed : the server did not continue the file at byte 1000 (it sent "
                                              "from byte 0); the partial file is kept")));
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Download Failed\r\rThe server did not continue this file "
                                                      "at byte 1000. The partial file has been kept."));
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST_F(HttpTransferTest, SilentServerFailsAfterTheTimeOutWithItInTheLog)
{
    ScriptedHttpServer server;
    ScriptedHttpServer::Reply silent{QByteArray()};
    silent.close = false;
    server.AddReply(silent);
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));
    asker->HttpTimeout = 1;

    ASSERT_TRUE(Download());

    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark:  Connecting to 127.0.0.1:%1").arg(server.Port())));
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark:  Waiting for the server")));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Download Failed\r\rTimeout: "
                                                          "nothing came from the server for 1 seconds")});
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
}

TEST_F(HttpTransferTest, AFileTheDownloadMadeIsRemovedWhenNothingCame)
{
    ScriptedHttpServer server;
    server.AddReply(HeadReply(5000));
    server.AddReply("HTTP/1.0 404 Not Found\r\n\r\n");
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));

    ASSERT_TRUE(Download());

    EXPECT_TRUE(Log().contains(QStringLiteral("Failed : 404 Not Found")));
    EXPECT_FALSE(QFile::exists(Target()));
}

// Where curl and wget download, so does the dialog: a HEAD without a size
// leaves it to the GET, and a body without a length is whole once the
// server closes it; the figures then show what came.
TEST_F(HttpTransferTest, ASizeNoReplyAnnouncesIsTakenFromTheFileOnceItIsWhole)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(30000);
    server.AddReply("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n");
    server.AddReply(Separately("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" + body));
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));

    ASSERT_TRUE(Download());

    EXPECT_EQ(server.Connections(), 2);
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(dialogs.texts(), QStringList{TfrmAsker::CompleteText(QStringLiteral("setup.zip"),
                                                                   QStringLiteral("Programs"),
                                                                   QStringLiteral("Utilities"))});
    EXPECT_EQ(asker->lblFileSize->text(), QStringLiteral("30000 bytes"));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
}

TEST_F(HttpTransferTest, RedirectIsFollowedOnceAndTheGetGoesWhereItLed)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(3000);
    // A Location beside the old address, with a body whose length is not the file's.
    server.AddReply("HTTP/1.0 302 Found\r\nLocation: ../real/file.bin\r\nContent-Length: 154\r\n\r\n");
    server.AddReply(HeadReply(3000));
    server.AddReply(WholeReply(body));
    const QString base = QString::fromLatin1(server.BaseUrl());
    OpenFor(base + QStringLiteral("/old/file.bin"));

    ASSERT_TRUE(Download());

    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_TRUE(dialogs.boxes().size() == 1 && dialogs.boxes()[0].text.startsWith("Download Complete"));
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark is redirecting to: ") + base + QStringLiteral("/real/file.bin")));
    EXPECT_TRUE(server.WaitForRequest(1).startsWith("HEAD /real/file.bin HTTP/1.0\r\n"));
    EXPECT_TRUE(server.WaitForRequest(2).startsWith("GET /real/file.bin HTTP/1.0\r\n"));
    EXPECT_EQ(server.Connections(), 3);
    EXPECT_EQ(asker->lblFileSize->text(), QStringLiteral("3000 bytes"));
    EXPECT_EQ(RecordFile(FolderFile()).readString(QStringLiteral("setup.zip"), RecordKey::Source, {}),
              base + QStringLiteral("/real/file.bin"));
}

TEST_F(HttpTransferTest, RedirectLoopEndsInOneFailureBox)
{
    ScriptedHttpServer server;
    server.AddReply("HTTP/1.0 302 Found\r\nLocation: again.bin\r\n\r\n");
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/loop.bin"));

    ASSERT_TRUE(Download());
    PumpFor([] { return false; }, 1500); // room for a stray restart to show

    EXPECT_EQ(server.Connections(), THttpCli::kMaxRedirects + 1);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Download Failed\r\rToo many "
                                                     "redirections (more than 20)")});
    EXPECT_FALSE(QFile::exists(Target()));
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);
}

TEST_F(HttpTransferTest, AbortDuringGetKeepsThePartFileAndALaterDownloadContinuesAndOpens)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(5000);
    server.AddReply(HeadReply(5000));
    ScriptedHttpServer::Reply stalled{HeadReply(5000) + body.left(2000)};
    stalled.close = false; // the rest never comes
    server.AddReply(stalled);
    server.AddReply(HeadReply(5000));
    server.AddReply(PartialReply(2000, 5000, body.mid(2000)));
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));
    asker->cbOpenWhen->setCurrentIndex(1);
    bool aborted = false;
    QObject::connect(asker->dg, &TAnotherGauge::OnChange, asker, [this, &aborted](qint64 v) {
        if (v == 2000 && !std::exchange(aborted, true))
            QTimer::singleShot(0, asker, [this] { asker->cmdOK->click(); }); // Abort
    });

    ASSERT_TRUE(Download());

    EXPECT_TRUE(asker->Aborted);
    EXPECT_EQ(ReadFile(Target()), body.left(2000));
    EXPECT_TRUE(Log().contains(QStringLiteral("Failed : Connection aborted on request")));
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_EQ(asker->cmdOK->text(), TfrmAsker::kIdleCaption);

    ASSERT_TRUE(Download());

    EXPECT_TRUE(server.WaitForRequest(3).contains("Range: bytes=2000-\r\n"));
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_FALSE(asker->Aborted);
    EXPECT_EQ(shell.opened, QStringList{Target()});
    ASSERT_EQ(dialogs.boxes().size(), 1);
}

TEST_F(HttpTransferTest, FiguresHeldBackBetweenBlocksShowWhenTheGetEnds)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(50000);
    server.AddReply(HeadReply(50000));
    // The first block comes with the header, the rest of the 20,000 bytes
    // moments later: too soon to be shown then.
    ScriptedHttpServer::Reply stalled{HeadReply(50000) + body.left(20000)};
    stalled.close = false;
    server.AddReply(stalled);
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));
    QObject::connect(asker->dg, &TAnotherGauge::OnChange, asker, [this](qint64 v) {
        if (v == 20000)
            QTimer::singleShot(0, asker, [this] { asker->cmdOK->click(); }); // Abort
    });

    ASSERT_TRUE(Download());

    EXPECT_EQ(ReadFile(Target()).size(), 20000);
    EXPECT_EQ(asker->lbldlbytes->text(), QStringLiteral("20000"));
    EXPECT_NE(asker->lblPacketSize->text(), QStringLiteral("20000")); // more than one block
}

TEST_F(HttpTransferTest, FilesOver2GiBShowTheirSizeAndResumeAtAnOffsetOver2GiB)
{
    const qint64 total = 3000000000LL;
    const qint64 offset = total - 1000;
    ScriptedHttpServer server;
    const QByteArray tail = Pattern(1000, offset);
    server.AddReply(HeadReply(total));
    server.AddReply(PartialReply(offset, total, tail));
    {
        QFile sparse(Target());
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(offset));
    }
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/big.iso"));

    ASSERT_TRUE(Download());

    EXPECT_TRUE(server.WaitForRequest(1).contains("Range: bytes=2999999000-\r\n"));
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark:  Starting download at byte 2999999000")));
    EXPECT_EQ(asker->lblFileSize->text(), QStringLiteral("3000000000 bytes"));
    EXPECT_EQ(asker->lbldlbytes->text(), QStringLiteral("3000000000"));
    EXPECT_EQ(asker->dg->Max(), total);
    EXPECT_EQ(FirstGaugeValue(), offset);
    EXPECT_TRUE(Log().contains(QStringLiteral("Received 3000000000 bytes")));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("Complete"));
    QFile result(Target());
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.size(), total);
    ASSERT_TRUE(result.seek(offset));
    EXPECT_EQ(result.readAll(), tail);
    result.close();
    QFile::remove(Target());
}

TEST_F(HttpTransferTest, RedirectToFtpHandsOverToTheFtpTransferOnce)
{
    QTemporaryDir root;
    const QByteArray body = Pattern(4000);
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("pub")));
    WriteFile(root.path() + QStringLiteral("/pub/file.bin"), body);
    PyFtpServer ftp(root.path());
    ASSERT_TRUE(ftp.isRunning()) << ftp.output().toStdString();
    const QString ftpUrl = QStringLiteral("ftp://127.0.0.1:%1/pub/file.bin").arg(ftp.port());

    ScriptedHttpServer server;
    server.AddReply("HTTP/1.0 302 Found\r\nLocation: " + ftpUrl.toLatin1() + "\r\nContent-Length: 0\r\n\r\n");
    server.AddReply(HeadReply(1)); // would answer an HTTP-side follow-up
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"), QStringLiteral("file.bin"));

    ASSERT_TRUE(Download());
    PumpFor([] { return false; }, 300); // room for a stray follow-up to show

    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(asker->Protocol, QStringLiteral("ftp"));
    EXPECT_EQ(asker->UrlBase, QStringLiteral("ftp://127.0.0.1:%1/pub/").arg(ftp.port()));
    EXPECT_EQ(asker->RemoteFileName, QStringLiteral("file.bin"));
    EXPECT_EQ(asker->edtSource->currentText(), ftpUrl);
    EXPECT_EQ(RecordFile(FolderFile()).readString(QStringLiteral("file.bin"), RecordKey::Source, {}), ftpUrl);
    EXPECT_TRUE(Log().contains(QStringLiteral("Fetchlark is redirecting to: ") + ftpUrl));
    EXPECT_FALSE(Log().join('\n').contains(QStringLiteral("Failed : 404")));
    EXPECT_EQ(ReadFile(Target(QStringLiteral("file.bin"))), body);
}

// ---------------------------------------------------------------------------
// Statistics

TEST_F(HttpTransferTest, StatisticsTickShowsSpeedPercentAverageAndTimeToArrival)
{
    OpenFor(QStringLiteral("http://127.0.0.1:1/setup.zip"));
    ASSERT_EQ(asker->gSpeed->Max(), 28800);

    // 1,440 bytes in 5 s: 288 bytes a second is 2880 bps, 10% of 28800;
    // under 1000 bytes a second on average leaves the figures as they were.
    asker->dg->SetMax(100000);
    asker->dg->SetValue(1440);
    asker->BytesAtLastTick = 0;
    asker->StartTick = 1000;
    asker->SpeedTick(6000);
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("2880 bps"));
    EXPECT_EQ(asker->gSpeed->Progress(), 2880);
    EXPECT_EQ(asker->lblPercent->text(), QStringLiteral("10% of Potential Speed"));
    EXPECT_EQ(asker->BytesAtLastTick, 1440);
    EXPECT_EQ(asker->lblAverage->text(), QStringLiteral("?"));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("?"));

    // Nothing new: 0 bps and no percentage figure at all.
    asker->SpeedTick(11000);
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("0 bps"));
    EXPECT_EQ(asker->lblPercent->text(), QStringLiteral("% of Potential Speed"));

    // 50,000 of 100,000 bytes after 5 s: 10 bytes/ms, 5 s to go.
    asker->dg->SetValue(50000);
    asker->SpeedTick(6000);
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("97120 bps"));
    EXPECT_EQ(asker->lblAverage->text(), QStringLiteral("100000 bps"));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("00:00:05"));
}

TEST_F(HttpTransferTest, StatisticsUse64BitFiguresAndTimeToArrivalWrapsAtADay)
{
    OpenFor(QStringLiteral("http://127.0.0.1:1/setup.zip"));
    asker->StartTick = 0;

    // 3,000,000,000 of 6,000,000,000 bytes in 2 s.
    asker->dg->SetMax(6000000000LL);
    asker->dg->SetValue(3000000000LL);
    asker->BytesAtLastTick = 0;
    asker->SpeedTick(2000);
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("6000000000 bps"));
    EXPECT_EQ(asker->lblAverage->text(), QStringLiteral("15000000000 bps"));
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("00:00:02"));

    // 25 hours to go shows as 01:00:00.
    asker->dg->SetMax(90000001000LL);
    asker->dg->SetValue(1000);
    asker->SpeedTick(1);
    EXPECT_EQ(asker->lblETA->text(), QStringLiteral("01:00:00"));
    EXPECT_EQ(asker->lblAverage->text(), QStringLiteral("10000000 bps"));
}

// The server's Content-Disposition name replaces a name taken from the
// address ("getid=7") before the file is opened, and the record moves with
// it; a name the user typed stays.
TEST_F(HttpTransferTest, TheServersNameReplacesANameFromTheAddressNotTheUsers)
{
    const QByteArray body = Pattern(5000);
    const QByteArray named = "Content-Disposition: attachment; filename*=UTF-8''report%202026.pdf\r\n";
    for (const bool userTyped : {false, true}) {
        SCOPED_TRACE(userTyped ? "typed by the user" : "from the address");
        ScriptedHttpServer server;
        server.AddReply("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n" + named + "\r\n");
        server.AddReply("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n" + named + "\r\n" + body);
        const QString url = QString::fromLatin1(server.BaseUrl()) + "/get?id=7";
        OpenFor(url, "x");
        asker->FillFromHandOff(url, "d", "getid=7", url, "http");
        if (userTyped)
            QTest::keyClicks(asker->edtName, ".bin");
        const QString expected = userTyped ? QStringLiteral("getid=7.bin") : QStringLiteral("report 2026.pdf");

        ASSERT_TRUE(Download());
        EXPECT_EQ(asker->edtName->text(), expected);
        EXPECT_EQ(ReadFile(Target(expected)), body);
        EXPECT_EQ(asker->LocalPath, Target(expected));
        const RecordFile record(FolderFile());
        EXPECT_EQ(record.recordNames(), QStringList{expected});
        QFile::remove(Target(expected));
        RecordFile(FolderFile()).eraseRecord(expected);
        delete asker.data();
    }
}

} // namespace
} // namespace flk::test
