#include "RateLimit.h"

#include <algorithm>
#include <chrono>

namespace flk {

namespace {

constexpr qint64 kNsPerSecond = 1'000'000'000;
constexpr qint64 kMinQuantum = 4 << 10;

} // namespace

TRateLimit::TRateLimit(TRateLimit* parent, Clock clock) : m_parent(parent), m_clock(std::move(clock)) {}

qint64 TRateLimit::Now() const
{
    if (m_clock)
        return m_clock();
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void TRateLimit::SetRate(qint64 bytesPerSecond)
{
    bytesPerSecond = std::max<qint64>(bytesPerSecond, 0);
    if (bytesPerSecond == m_rate)
        return;
    if (m_rate > 0)
        Refill(); // what the old rate earned so far
    const bool wasFree = m_rate == 0;
    m_rate = bytesPerSecond;
    m_burst = m_rate > 0 ? std::max(m_rate / 8, kMinBurst) : 0;
    if (wasFree) {
        // A limit that starts now starts with one burst, like a new download.
        m_tokens = m_burst;
        m_last = Now();
    }
    m_tokens = std::min(m_tokens, m_burst);
}

void TRateLimit::Refill()
{
    const qint64 now = Now();
    if (now <= m_last)
        return;
    const __int128 gained = static_cast<__int128>(now - m_last) * m_rate / kNsPerSecond;
    if (m_tokens + gained >= m_burst) {
        m_tokens = m_burst;
        m_last = now;
        return;
    }
    m_tokens += static_cast<qint64>(gained);
    // Only the time the whole tokens took is spent: the rest counts next time.
    m_last += static_cast<qint64>(gained * kNsPerSecond / m_rate);
}

qint64 TRateLimit::Quantum() const
{
    return std::min(m_burst / 4, std::max(m_rate / 20, kMinQuantum));
}

qint64 TRateLimit::EffectiveRate() const
{
    const qint64 above = m_parent ? m_parent->EffectiveRate() : 0;
    if (m_rate == 0)
        return above;
    return above == 0 ? m_rate : std::min(m_rate, above);
}

qint64 TRateLimit::Grant(qint64 want)
{
    if (m_parent)
        want = m_parent->Grant(want);
    if (m_rate == 0 || want <= 0)
        return want;
    Refill();
    if (m_tokens < std::min(want, Quantum()))
        return 0;
    return std::min(want, m_tokens);
}

void TRateLimit::Take(qint64 bytes)
{
    if (m_parent)
        m_parent->Take(bytes);
    if (m_rate > 0)
        m_tokens = std::max<qint64>(m_tokens - bytes, 0);
}

qint64 TRateLimit::Tokens()
{
    if (m_rate > 0)
        Refill();
    return m_tokens;
}

qint64 TRateLimit::WaitNs(qint64 want)
{
    const qint64 above = m_parent ? m_parent->WaitNs(want) : 0;
    if (m_rate == 0)
        return above;
    Refill();
    const qint64 needed = std::min(want, Quantum()) - m_tokens;
    if (needed <= 0)
        return above;
    // The remainder of a token already under way counts.
    const qint64 own = static_cast<qint64>(static_cast<__int128>(needed) * kNsPerSecond / m_rate)
                       - (Now() - m_last);
    return std::max(above, own);
}

int TRateLimit::Delay(qint64 want)
{
    const qint64 ns = WaitNs(want);
    return static_cast<int>(std::clamp<qint64>((ns + 999'999) / 1'000'000, 1, 60'000));
}

} // namespace flk
