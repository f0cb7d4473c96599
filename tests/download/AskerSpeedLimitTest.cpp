// The speed limits as the dialog applies them: its own field holds the
// running download and lifts at once, the limit of all downloads (the
// options' setting, through the tray window's shared limit) reaches a new
// download, and "Speed:" names the limit while one holds.
#include "AskerHost.h"
#include "HttpTransferFixture.h"
#include "LoopbackHttpd.h"
#include "ProgramWindows.h"
#include "RateLimit.h"
#include "Settings.h"
#include "TransferJob.h"

#include <QSpinBox>
#include <QTest>

namespace flk::test {
namespace {

constexpr qint64 kKiB = 1024;

// The tray window's side: it owns the limit of all downloads.
class LimitHost : public QObject, public AskerHost {
public:
    void ShowManager() override {}
    void SetLastScannedIfCurrent(const QString&, const QString&) override {}
    void EndSession() override {}
    TRateLimit& AllDownloadsLimit() override { return all; }
    TRateLimit all;
};

class AskerSpeedLimitTest : public HttpTransferTest {
protected:
    void SetUp() override
    {
        HttpTransferTest::SetUp();
        ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    }

    // Bytes of the running download after `ms` more of the message loop.
    qint64 BytesAfter(int ms)
    {
        PumpFor([] { return false; }, ms);
        return asker->Transfer() ? asker->Transfer()->Bytes() : -1;
    }

    LoopbackHttpd server;
    LimitHost host;
    ProgramWindows windows{&host};
};

} // namespace

TEST_F(AskerSpeedLimitTest, TheAdvancedPagesFieldHoldsTheRunningDownloadAndLiftsAtOnce)
{
    const QByteArray body = Pattern(4 << 20);
    server.AddFile(QStringLiteral("setup.zip"), body);
    OpenFor(server.Url(QStringLiteral("setup.zip")));
    QSpinBox* field = asker->spnSpeedLimit;
    EXPECT_EQ(field->text(), QStringLiteral("No limit"));
    const QLabel* caption = nullptr;
    for (const QLabel* l : asker->tsAdvanced->findChildren<QLabel*>())
        if (l->buddy() == field)
            caption = l;
    ASSERT_TRUE(caption) << "the field is named for screen readers and reached by Alt+L";
    EXPECT_EQ(caption->text(), QStringLiteral("Speed &limit:"));

    field->setValue(256);
    asker->cmdOK->click();
    ASSERT_TRUE(asker->IsBusy());
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("?\n(limit 256 KiB/s)"));
    // Half a second at 256 KiB/s: the first burst (64 KiB) and 128 KiB more.
    const qint64 held = BytesAfter(500);
    EXPECT_GT(held, 0);
    EXPECT_LE(held, 64 * kKiB + 128 * kKiB + 48 * kKiB);

    // Typed over: the limit goes at once; the rest (15 s at the limit) comes in a moment.
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("0"));
    EXPECT_EQ(field->value(), 0);
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("?"));
    QElapsedTimer rest;
    rest.start();
    ASSERT_TRUE(PumpFor([this] { return !asker->IsBusy(); }, 10000));
    EXPECT_LT(rest.elapsed(), 4000);
    EXPECT_EQ(ReadFile(Target()), body);
}

TEST_F(AskerSpeedLimitTest, TheLimitOfAllDownloadsReachesANewDownloadAndTheSmallerLimitHolds)
{
    Settings::SetSpeedLimit(256); // as the options window stores it
    const QByteArray body = Pattern(384 * kKiB);
    server.AddFile(QStringLiteral("setup.zip"), body);
    OpenFor(server.Url(QStringLiteral("setup.zip")));
    asker->spnSpeedLimit->setValue(1000);
    QElapsedTimer clock;
    clock.start();
    asker->cmdOK->click();
    EXPECT_EQ(host.all.Rate(), 256 * kKiB);
    EXPECT_EQ(asker->lblSpeed->text(), QStringLiteral("?\n(limit 256 KiB/s)"));
    // The speed tick keeps the figure's own text and adds the limit.
    asker->SpeedTick(TfrmAsker::TickCount());
    EXPECT_TRUE(asker->lblSpeed->text().endsWith(QStringLiteral(" bps\n(limit 256 KiB/s)")))
        << asker->lblSpeed->text().toStdString();

    ASSERT_TRUE(PumpFor([this] { return !asker->IsBusy(); }, 10000));
    // 384 KiB less the first 64 KiB burst at 256 KiB/s: 1.25 s.
    EXPECT_GE(clock.elapsed(), 1100);
    EXPECT_EQ(ReadFile(Target()), body);
    EXPECT_TRUE(asker->lblSpeed->text().endsWith(QStringLiteral(" bps"))) << "no limit holds a finished download";
}

} // namespace flk::test
