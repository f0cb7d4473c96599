// The speed limit: the token bucket's arithmetic on a clock the test moves,
// and real downloads from lighttpd held to a limit without a busy loop.
#include "FileStream.h"
#include "HttpProt.h"
#include "LoopbackHttpd.h"
#include "NetTestUtil.h"
#include "RateLimit.h"
#include "TlsCertificates.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <ctime>

using namespace flk;
using flk::test::LoopbackHttpd;
using flk::test::PumpFor;
using flk::test::TlsCertificates;

namespace {

constexpr qint64 kMiB = 1 << 20;
constexpr qint64 kMs = 1'000'000;

struct FakeClock {
    qint64 now = 5 * 1'000'000'000LL;
    TRateLimit::Clock Fn()
    {
        return [this] { return now; };
    }
};

// Reads as fast as the limit lets a reader that wakes when Delay says,
// for `ns` of simulated time; the bytes read.
qint64 ReadFor(TRateLimit& limit, FakeClock& clock, qint64 ns, qint64 chunk = 256 << 10)
{
    const qint64 end = clock.now + ns;
    qint64 total = 0;
    while (clock.now < end) {
        const qint64 n = limit.Grant(chunk);
        if (n > 0) {
            limit.Take(n);
            total += n;
        } else {
            clock.now += limit.Delay(chunk) * kMs;
        }
    }
    return total;
}

} // namespace

TEST(RateLimitTest, StartsWithOneBurstThenRefillsAtTheRateCarryingPartTokens)
{
    FakeClock clock;
    TRateLimit limit(nullptr, clock.Fn());
    EXPECT_EQ(limit.Grant(12345), 12345) << "no limit: the request itself";
    limit.SetRate(kMiB);
    EXPECT_EQ(limit.Burst(), kMiB / 8);
    EXPECT_EQ(limit.Grant(kMiB), kMiB / 8);
    limit.Take(kMiB / 8);
    EXPECT_EQ(limit.Grant(kMiB), 0);
    // A twentieth of a second's worth is the smallest read worth waking for,
    // held to a quarter of the burst: 32 KiB take 31.25 ms at 1 MiB/s.
    EXPECT_EQ(limit.Quantum(), 32 << 10);
    EXPECT_EQ(limit.Delay(kMiB), 32);
    clock.now += 10 * kMs;
    EXPECT_EQ(limit.Tokens(), 10485);
    EXPECT_EQ(limit.Grant(kMiB), 0) << "less than a quantum: wait";
    EXPECT_EQ(limit.Grant(8000), 8000) << "a small rest of a body needs no quantum";
    clock.now += 10 * kMs;
    EXPECT_EQ(limit.Tokens(), 20971) << "the part token of the first 10 ms counts now";
    clock.now += 3'600'000 * kMs;
    EXPECT_EQ(limit.Tokens(), kMiB / 8) << "a long pause fills one burst, no more";

    // A slow limit: the burst is 64 KiB at least, and part tokens add up.
    limit.SetRate(1000);
    EXPECT_EQ(limit.Burst(), 64 << 10);
    limit.Take(limit.Tokens());
    clock.now += 1'500'000;
    EXPECT_EQ(limit.Tokens(), 1);
    clock.now += 1'500'000;
    EXPECT_EQ(limit.Tokens(), 3);
}

TEST(RateLimitTest, HoldsTheRateOverTenSecondsForEveryRate)
{
    for (const qint64 rate : std::initializer_list<qint64>{1000, 100 * 1024, kMiB, 4 * kMiB, 16 * kMiB, 400 * kMiB}) {
        FakeClock clock;
        TRateLimit limit(nullptr, clock.Fn());
        limit.SetRate(rate);
        const qint64 read = ReadFor(limit, clock, 10'000 * kMs);
        EXPECT_GE(read, rate * 10) << rate;
        EXPECT_LE(read, rate * 10 + limit.Burst()) << rate;
    }
}

TEST(RateLimitTest, AChainGrantsTheSmallerBudgetAndCountsEveryReadInBoth)
{
    FakeClock clock;
    TRateLimit all(nullptr, clock.Fn());
    TRateLimit one(&all, clock.Fn()), two(&all, clock.Fn());
    all.SetRate(2 * kMiB);
    EXPECT_EQ(one.EffectiveRate(), 2 * kMiB) << "no own limit: the shared one";
    one.SetRate(kMiB / 2);
    EXPECT_EQ(one.EffectiveRate(), kMiB / 2);
    EXPECT_EQ(one.Grant(kMiB), 64 << 10) << "its own burst is the smaller";
    one.Take(64 << 10);
    EXPECT_EQ(all.Tokens(), kMiB / 4 - (64 << 10)) << "the shared limit counted it";
    EXPECT_EQ(two.Grant(kMiB), kMiB / 4 - (64 << 10));

    // Two downloads side by side for 10 s: the slow one keeps its own rate,
    // and both together keep the shared one.
    qint64 readOne = 0, readTwo = 0;
    const qint64 end = clock.now + 10'000 * kMs;
    while (clock.now < end) {
        const qint64 a = one.Grant(256 << 10);
        one.Take(a);
        readOne += a;
        const qint64 b = two.Grant(256 << 10);
        two.Take(b);
        readTwo += b;
        if (a == 0 && b == 0)
            clock.now += std::min(one.Delay(256 << 10), two.Delay(256 << 10)) * kMs;
    }
    EXPECT_NEAR(double(readOne), 10.0 * kMiB / 2, 0.02 * 10 * kMiB / 2);
    EXPECT_GE(readOne + readTwo, 20 * kMiB);
    EXPECT_LE(readOne + readTwo, 20 * kMiB + all.Burst() + (64 << 10));
    EXPECT_GT(readTwo, readOne) << "the unlimited one takes what the shared limit leaves";
}

TEST(RateLimitTest, ChangingTheRateKeepsOnlyWhatTheNewBurstHolds)
{
    FakeClock clock;
    TRateLimit limit(nullptr, clock.Fn());
    limit.SetRate(16 * kMiB);
    EXPECT_EQ(limit.Tokens(), 2 * kMiB);
    limit.SetRate(kMiB);
    EXPECT_EQ(limit.Tokens(), kMiB / 8) << "a lower limit does not start with the old burst";
    limit.SetRate(0);
    EXPECT_EQ(limit.Grant(5 * kMiB), 5 * kMiB);
    limit.Take(5 * kMiB);
    limit.SetRate(kMiB);
    EXPECT_EQ(limit.Grant(5 * kMiB), kMiB / 8) << "a limit set anew starts with one burst";
}

namespace {

struct Timed {
    double seconds = 0;
    double cpuSeconds = 0;
    bool ok = false;
    QByteArray body;
};

// Downloads `url` into a file through a client held to `limit`.
Timed LimitedDownload(const QString& url, TRateLimit& limit)
{
    QTemporaryDir dir;
    Timed t;
    {
        TFileStream file(dir.filePath("out.bin"));
        if (!file.Create())
            return t;
        THttpCli http;
        http.URL = url;
        http.ReceiveStream = &file;
        http.RateLimit = &limit;
        bool done = false;
        http.OnRequestDone = [&](THttpCli*, THttpRequest, quint16) { done = true; };
        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpu = std::clock();
        http.Get();
        t.ok = PumpFor([&] { return done; }, 20000) && http.ResponseStatus() == 200;
        t.seconds = wall.elapsed() / 1000.0;
        t.cpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        file.close();
    }
    QFile f(dir.filePath("out.bin"));
    f.open(QIODevice::ReadOnly);
    t.body = f.readAll();
    return t;
}

QByteArray PatternOf(qint64 size)
{
    QByteArray b(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        b[i] = LoopbackHttpd::PatternByte(i);
    return b;
}

} // namespace

// A limit checked for its correctness, with generous bounds: 4 MiB at
// 2 MiB/s, less the first burst, take 1.875 s. Waiting is done by the
// socket's pause and a timer, so the process hardly uses the processor.
TEST(RateLimitTest, ARealDownloadKeepsTheLimitWithoutSpinning)
{
    LoopbackHttpd server;
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    server.AddFileOfSize("big.bin", 4 * kMiB);
    TRateLimit all;
    TRateLimit limit(&all);
    all.SetRate(2 * kMiB);
    const Timed t = LimitedDownload(server.Url("big.bin"), limit);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.body, PatternOf(4 * kMiB));
    EXPECT_GE(t.seconds, 1.75);
    EXPECT_LE(t.seconds, 2.8);
    EXPECT_LT(t.cpuSeconds, 0.5 * t.seconds);
}

// Over TLS the session holds decrypted bytes that no socket readiness
// announces: a paused read must still come back for them.
TEST(RateLimitTest, ASecureDownloadResumesForTheBytesTheSessionHolds)
{
    TlsCertificates certs;
    ASSERT_TRUE(certs.IsValid()) << certs.ErrorText().toStdString();
    certs.TrustTestAuthority();
    LoopbackHttpd server({}, {certs.PemFile(TlsCertificates::Good)});
    ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
    server.AddFileOfSize("sec.bin", 2 * kMiB + 12345);
    TRateLimit limit;
    limit.SetRate(2 * kMiB);
    const Timed t = LimitedDownload(server.TlsUrl("sec.bin"), limit);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.body, PatternOf(2 * kMiB + 12345));
    EXPECT_GE(t.seconds, 0.85);
    EXPECT_LE(t.seconds, 1.8);
}
