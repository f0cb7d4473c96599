// A download dialog closed by the user while the transfer lets messages run
// is destroyed inside that pump; the transfer must not touch it afterwards
// (run under AddressSanitizer, a single access shows).

#include "HttpTransferFixture.h"
#include "LoopbackHttpd.h"

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

} // namespace
} // namespace flk::test
