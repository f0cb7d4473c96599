// A download dialog closed by the user while the transfer lets messages run
// is destroyed inside that pump; the transfer must not touch it afterwards
// (run under AddressSanitizer, a single access shows).

#include "HttpTransferFixture.h"
#include "LoopbackHttpd.h"

#include <QAbstractItemModel>
#include <QMetaObject>

namespace flk::test {
namespace {

// The shell opens the finished file; the user presses Exit at that moment.
class ExitOnOpenShell : public RecordingShell {
public:
    QPointer<TfrmAsker> asker;
    bool open(const QString& target) override
    {
        RecordingShell::open(target);
        if (asker && !asker->IsBusy())
            QMetaObject::invokeMethod(asker, [a = asker] { a->Button2->click(); }, Qt::QueuedConnection);
        return true;
    }
};

TEST_F(HttpTransferTest, DialogClosedWhileTheFinishedTransferPumpsIsLeftAlone)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    const QByteArray body = Pattern(20000);
    server.AddFile(QStringLiteral("setup.zip"), body);
    ExitOnOpenShell exitOnOpen;
    OpenFor(server.Url(QStringLiteral("setup.zip")));
    exitOnOpen.asker = asker;
    asker->cbOpenWhen->setCurrentIndex(1);

    ASSERT_TRUE(Download());

    EXPECT_TRUE(asker.isNull()) << "Exit closed and destroyed the dialog";
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_EQ(exitOnOpen.opened, QStringList{Target()});
}

// A second Download pressed while a first one runs goes on inside the first
// one's wait. The first, finished meanwhile, opens its file and exits then,
// not once the second has ended.
TEST_F(HttpTransferTest, ADownloadFinishedUnderAnotherOneOpensAndExitsAtOnce)
{
    const QByteArray body1 = Pattern(40000), body2 = Pattern(30000, 3);
    ScriptedHttpServer server1, server2;
    server1.AddReply(HeadReply(body1.size()));
    server1.AddReply(Separately(WholeReply(body1), 300));
    server2.AddReply(HeadReply(body2.size()));
    server2.AddReply(Separately(WholeReply(body2), 1500));
    const QPointer<TfrmAsker> second = OpenFor(server2.BaseUrl() + "/second.zip", "second.zip");
    const QPointer<TfrmAsker> first = OpenFor(server1.BaseUrl() + "/first.zip", "first.zip");
    first->cbOpenWhen->setCurrentIndex(1);
    first->cbClose->setChecked(true);
    // Download in the second dialog as soon as the first one's GET is answered.
    int replies = 0;
    QObject::connect(first->ListBox1->model(), &QAbstractItemModel::rowsInserted, second, [&](auto, int row) {
        if (first->ListBox1->item(row)->text().startsWith("HTTP/") && ++replies == 2)
            QMetaObject::invokeMethod(second->cmdOK, &QPushButton::click, Qt::QueuedConnection);
    });
    QStringList doneFirst;
    QObject::connect(second->dg, &TAnotherGauge::OnChange, second, [&](qint64 v) {
        if (v == body2.size())
            doneFirst << shell.opened << QString::number(first && first->isVisible());
    });

    ASSERT_TRUE(Download());
    ASSERT_TRUE(PumpFor([&] { return !second->IsBusy(); }));
    EXPECT_EQ(doneFirst, (QStringList{Target("first.zip"), "0"})) << doneFirst.join("|").toStdString();
    EXPECT_EQ(ReadFile(Target("first.zip")), body1);
    EXPECT_EQ(ReadFile(Target("second.zip")), body2);
    delete second.data();
}

// The completion box runs the event loop while it is up (the scripted box
// does, as a real one does): the end of a chunked GET, the server's close
// and the auto-exit come after the transfer has ended, never inside it.
TEST_F(HttpTransferTest, AutoExitAfterAChunkedDownloadClosesTheDialogOnceTheBoxIsAnswered)
{
    ScriptedHttpServer server;
    const QByteArray body = Pattern(200000);
    server.AddReply(HeadReply(body.size()));
    server.AddReply(Separately("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(body, 4096)));
    OpenFor(QString::fromLatin1(server.BaseUrl()) + QStringLiteral("/setup.zip"));
    asker->cbClose->setChecked(true);
    asker->cbOpenWhen->setCurrentIndex(1);
    QStringList log;
    QObject::connect(asker->ListBox1->model(), &QAbstractItemModel::rowsInserted, asker,
                     [&](auto, int row) { log << asker->ListBox1->item(row)->text(); });
    dialogs.loopMs = 300; // the user reads the box a while

    ASSERT_TRUE(Download());

    EXPECT_TRUE(asker.isNull()) << "auto-exit closed and freed the dialog";
    EXPECT_TRUE(ReadFile(Target()) == body);
    EXPECT_EQ(dialogs.texts(), QStringList{TfrmAsker::CompleteText(QStringLiteral("setup.zip"),
                                                                   QStringLiteral("Programs"),
                                                                   QStringLiteral("Utilities"))});
    EXPECT_EQ(shell.opened, QStringList{Target()});
    EXPECT_TRUE(log.filter(QStringLiteral("Failed")).isEmpty()) << log.join('\n').toStdString();
}

// Two dialogs, both ways round: neither waits for the other. A server slow
// to answer holds only its own download; a long download holds only itself.
TEST_F(HttpTransferTest, TwoDialogsDoNotWaitForEachOther)
{
    const QByteArray quick = Pattern(30000), slow = Pattern(40000, 5), longBody = Pattern(400000, 7);
    ScriptedHttpServer slowServer, longServer, quickServer;
    const auto later = [](const QByteArray& reply, int ms) {
        ScriptedHttpServer::Reply r{QByteArray()};
        r.later = {reply};
        r.pauseMs = ms;
        return r;
    };
    slowServer.AddReply(later(HeadReply(slow.size()), 1000));
    slowServer.AddReply(later(WholeReply(slow), 1000));
    longServer.AddReply(HeadReply(longBody.size()));
    ScriptedHttpServer::Reply dribble{HeadReply(longBody.size())};
    for (int i = 0; i < 8; ++i)
        dribble.later << longBody.mid(i * 50000, 50000);
    dribble.pauseMs = 600; // about five seconds in all
    longServer.AddReply(dribble);
    quickServer.AddReply(HeadReply(quick.size()));
    quickServer.AddReply(WholeReply(quick));

    const QPointer<TfrmAsker> longOne = OpenFor(QString::fromLatin1(longServer.BaseUrl()) + "/long.zip", "long.zip");
    const QPointer<TfrmAsker> slowOne = OpenFor(QString::fromLatin1(slowServer.BaseUrl()) + "/slow.zip", "slow.zip");
    // Each completion box looks at the long download: it must still run.
    QStringList seen;
    dialogs.onBox = [&](const MessageRequest& box) { seen << box.text.section('\r', 0, 0) + (longOne->IsBusy() ? " (long still running)" : ""); };
    slowOne->cmdOK->click();
    longOne->cmdOK->click();
    ASSERT_TRUE(PumpFor([&] { return !slowOne->IsBusy(); }, 8000));
    EXPECT_TRUE(longOne->IsBusy());
    const QPointer<TfrmAsker> quickOne = OpenFor(QString::fromLatin1(quickServer.BaseUrl()) + "/quick.zip", "quick.zip");
    dialogs.onBox = [&](const MessageRequest& box) { seen << box.text.section('\r', 0, 0) + (longOne->IsBusy() ? " (long still running)" : ""); };
    quickOne->cmdOK->click();
    ASSERT_TRUE(PumpFor([&] { return !quickOne->IsBusy() && !longOne->IsBusy(); }, 15000));

    EXPECT_EQ(seen.mid(0, 2), (QStringList{"Download Complete for slow.zip (long still running)",
                                            "Download Complete for quick.zip (long still running)"}));
    EXPECT_EQ(ReadFile(Target("slow.zip")), slow);
    EXPECT_EQ(ReadFile(Target("quick.zip")), quick);
    EXPECT_TRUE(ReadFile(Target("long.zip")) == longBody);
    delete slowOne.data();
    delete quickOne.data();
    delete longOne.data();
}

} // namespace
} // namespace flk::test
