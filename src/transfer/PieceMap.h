#pragma once
// TPieceMap: which byte ranges of a download fetched over several
// connections are done, which are being fetched and by whom, and which wait.
// A piece is [Start, End) with Pos the next byte it still needs; bytes
// [Start, Pos) are in the file. The rest of the first piece is shared out
// when more connections join, and pieces are split again when a connection
// runs out of work: it takes the
// back half of the largest piece still being fetched (the other's End moves
// back), so the last seconds are not one slow connection.

#include <QList>
#include <QPair>
#include <QtGlobal>

namespace flk {

struct TPiece {
    qint64 Start = 0;
    qint64 Pos = 0;
    qint64 End = 0;
    int Owner = -1; // the connection fetching it; -1: nobody
    bool Done() const { return Pos >= End; }
    qint64 Left() const { return End - Pos; }
};

class TPieceMap {
public:
    using Range = QPair<qint64, qint64>; // [first, end)

    // A file of `length` bytes, one waiting piece; or, with `done` ranges
    // (from a state file) in the file already, a waiting piece for each gap
    // between them.
    void Reset(qint64 length, const QList<Range>& done = {});
    qint64 Length() const { return m_length; }
    qint64 DoneBytes() const;
    bool Complete() const;
    // Bytes done from byte 0 without a gap.
    qint64 DonePrefix() const;
    // The done ranges, merged and in order (what the state file keeps).
    QList<Range> DoneRanges() const;

    // The first waiting piece for `owner` (its index), or -1.
    int Claim(int owner);
    // Splits the largest piece being fetched by another connection when its
    // rest is at least twice `minPiece`: the back half becomes a new piece
    // owned by `owner` (its index), or -1 when nothing is worth splitting.
    // `victim` gets the index of the piece that was cut short.
    int Steal(int owner, qint64 minPiece, int* victim = nullptr);
    // Cuts the rest of piece `index` into up to `parts` pieces of at least
    // `minPiece` bytes: the piece keeps the first, the others wait.
    void Share(int index, int parts, qint64 minPiece);
    // `owner` leaves its piece: it waits for another connection.
    void Release(int index);
    void Advance(int index, qint64 pos);

    const TPiece& At(int index) const { return m_pieces[index]; }
    int Count() const { return static_cast<int>(m_pieces.size()); }

private:
    QList<TPiece> m_pieces;
    qint64 m_length = 0;
};

} // namespace flk
