#include "PieceMap.h"

#include <algorithm>

namespace flk {
namespace {

// Piece borders on 64 KiB: whole pages for the page cache and the splice.
constexpr qint64 kAlign = 64 << 10;

qint64 Aligned(qint64 at)
{
    return at / kAlign * kAlign;
}

} // namespace

void TPieceMap::Reset(qint64 length, const QList<Range>& done)
{
    m_length = length;
    m_pieces.clear();
    QList<Range> sorted = done;
    std::sort(sorted.begin(), sorted.end());
    qint64 at = 0;
    auto addWaiting = [this](qint64 from, qint64 to) {
        if (from < to)
            m_pieces.append(TPiece{from, from, to});
    };
    for (const Range& r : sorted) {
        const qint64 first = std::clamp<qint64>(r.first, 0, length);
        const qint64 end = std::clamp<qint64>(r.second, first, length);
        if (end <= at)
            continue;
        addWaiting(at, std::max(at, first));
        m_pieces.append(TPiece{std::max(at, first), end, end});
        at = end;
    }
    addWaiting(at, length);
}

qint64 TPieceMap::DoneBytes() const
{
    qint64 sum = 0;
    for (const TPiece& p : m_pieces)
        sum += p.Pos - p.Start;
    return sum;
}

bool TPieceMap::Complete() const
{
    return std::all_of(m_pieces.begin(), m_pieces.end(), [](const TPiece& p) { return p.Done(); });
}

QList<TPieceMap::Range> TPieceMap::DoneRanges() const
{
    QList<Range> ranges;
    for (const TPiece& p : m_pieces)
        if (p.Pos > p.Start)
            ranges.append({p.Start, p.Pos});
    std::sort(ranges.begin(), ranges.end());
    QList<Range> merged;
    for (const Range& r : ranges) {
        if (!merged.isEmpty() && r.first <= merged.last().second)
            merged.last().second = std::max(merged.last().second, r.second);
        else
            merged.append(r);
    }
    return merged;
}

qint64 TPieceMap::DonePrefix() const
{
    const QList<Range> done = DoneRanges();
    return !done.isEmpty() && done.first().first == 0 ? done.first().second : 0;
}

int TPieceMap::Claim(int owner)
{
    for (int i = 0; i < Count(); ++i) {
        if (m_pieces[i].Owner < 0 && !m_pieces[i].Done()) {
            m_pieces[i].Owner = owner;
            return i;
        }
    }
    return -1;
}

int TPieceMap::Steal(int owner, qint64 minPiece, int* cut)
{
    int victim = -1;
    for (int i = 0; i < Count(); ++i) {
        const TPiece& p = m_pieces[i];
        if (p.Owner >= 0 && p.Owner != owner && !p.Done() && (victim < 0 || p.Left() > m_pieces[victim].Left()))
            victim = i;
    }
    if (victim < 0 || m_pieces[victim].Left() < 2 * minPiece)
        return -1;
    TPiece& p = m_pieces[victim];
    const qint64 split = std::max(p.Pos + minPiece, Aligned(p.Pos + p.Left() / 2));
    m_pieces.append(TPiece{split, split, p.End, owner});
    m_pieces[victim].End = split;
    if (cut)
        *cut = victim;
    return Count() - 1;
}

void TPieceMap::Share(int index, int parts, qint64 minPiece)
{
    const TPiece p = m_pieces[index];
    const int n = static_cast<int>(std::min<qint64>(parts, p.Left() / std::max<qint64>(1, minPiece)));
    if (n <= 1)
        return;
    const qint64 share = std::max(kAlign, Aligned(p.Left() / n));
    qint64 from = p.Pos + share;
    m_pieces[index].End = from;
    for (int i = 1; i < n; ++i) {
        const qint64 to = i == n - 1 ? p.End : from + share;
        m_pieces.append(TPiece{from, from, to});
        from = to;
    }
}

void TPieceMap::Release(int index)
{
    m_pieces[index].Owner = -1;
}

void TPieceMap::Advance(int index, qint64 pos)
{
    TPiece& p = m_pieces[index];
    p.Pos = std::clamp(pos, p.Pos, p.End);
}

} // namespace flk
