#pragma once
// TRateLimit: a speed limit in bytes per second (0 = none) as a token bucket.
// Tokens come at the rate, up to a small burst (an eighth of a second of the
// rate, at least 64 KiB), so a limited download keeps its rate over any
// stretch of seconds and starts no faster than one burst allows.
//
// A limit may have a parent (not owned): every read then counts against both,
// and the budget is the smaller of the two. A download's own limit has the
// limit of all downloads as its parent, and every connection of the download
// asks the same object. All calls come on one thread (the GUI thread).
//
// A reader asks Grant before a read, caps the read by it, and reports what it
// read with Take. A grant of 0 means: wait Delay() milliseconds, then ask again.
// Without a limit in the chain Grant returns the request itself and reads no
// clock.

#include <QtGlobal>
#include <functional>

namespace flk {

class TRateLimit {
public:
    // Nanoseconds on a monotonic clock.
    using Clock = std::function<qint64()>;
    static constexpr qint64 kMinBurst = 64 << 10;

    explicit TRateLimit(TRateLimit* parent = nullptr, Clock clock = {});
    TRateLimit(const TRateLimit&) = delete;
    TRateLimit& operator=(const TRateLimit&) = delete;

    // Bytes per second; 0 lifts the limit. Tokens already there stay, up to the new burst.
    void SetRate(qint64 bytesPerSecond);
    qint64 Rate() const { return m_rate; }
    void SetParent(TRateLimit* parent) { m_parent = parent; }
    TRateLimit* Parent() const { return m_parent; }

    // The smallest limit of the chain in bytes per second; 0 when none limits.
    qint64 EffectiveRate() const;
    // Bytes that may be read now, at most `want`; 0 when too few tokens are
    // there to make a read worth it (less than a quantum, or than `want`).
    qint64 Grant(qint64 want);
    // Bytes that were read: they leave every limit of the chain.
    void Take(qint64 bytes);
    // Milliseconds until a Grant of `want` bytes would give something (at least 1).
    int Delay(qint64 want);

    // Tokens now (for tests and the benchmark's report).
    qint64 Tokens();
    qint64 Burst() const { return m_burst; }
    // The smallest read worth waking up for: a twentieth of a second at the
    // rate, at least 4 KiB, at most a quarter of the burst.
    qint64 Quantum() const;

private:
    void Refill();
    qint64 Now() const;
    qint64 WaitNs(qint64 want);

    TRateLimit* m_parent;
    Clock m_clock;
    qint64 m_rate = 0;
    qint64 m_burst = 0;
    qint64 m_tokens = 0;
    qint64 m_last = 0; // clock of the last whole token counted
};

} // namespace flk
