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

} // namespace
} // namespace flk::test
