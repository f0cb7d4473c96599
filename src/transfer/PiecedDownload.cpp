#include "PiecedDownload.h"

#include <QFile>
#include <QPointer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flk {

TPiecedDownload::TPiecedDownload(const QString& url, const QString& path, const TPieceVersion& version,
                                 int connections, const std::function<void(THttpCli&)>& configure, QObject* parent)
    : QObject(parent), m_url(url), m_path(path), m_version(version), m_connections(std::max(1, connections)),
      m_configure(configure), m_state(path)
{
    m_saveTimer.setInterval(kSaveEveryMs);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { SaveState(); });
}

TPiecedDownload::~TPiecedDownload()
{
    if (!m_ended)
        Stop();
}

TPiecedDownload::Slot& TPiecedDownload::MakeSlot()
{
    const int id = static_cast<int>(m_slots.size());
    auto slot = std::make_unique<Slot>();
    slot->Fetch = std::make_unique<TPieceFetch>(id, m_path, m_version, m_configure);
    slot->Fetch->OnAccepted = [this](TPieceFetch& f) { Accepted(f); };
    slot->Fetch->OnProgress = [this](TPieceFetch& f, qint64 block) { Progressed(f, block); };
    slot->Fetch->OnEnded = [this](TPieceFetch& f, TPieceFetch::Result r, const QString& why) { Ended(f, r, why); };
    m_slots.push_back(std::move(slot));
    return *m_slots.back();
}

void TPiecedDownload::Start()
{
    m_map.Reset(m_version.Length, m_resumed);
    m_startedFrom = m_map.DoneBytes();
    m_probed = false;
    Slot& probe = MakeSlot();
    NextWork(probe);
    CheckEnd();
}

void TPiecedDownload::Accepted(TPieceFetch& fetch)
{
    Q_UNUSED(fetch);
    if (m_probed)
        return;
    m_probed = true;
    // The state file first: a file at its full length is never without one.
    SaveState();
    QString why;
    if (!SizeFile(why)) {
        StopAll();
        End(Outcome::Failed, why);
        return;
    }
    if (OnSized)
        OnSized(m_version.Length, m_startedFrom);
    m_saveTimer.start();
    if (m_connections <= 1 || m_fastEnough <= 0) {
        Widen();
        return;
    }
    m_probeClock.start();
    const QPointer<TPiecedDownload> self(this);
    QTimer::singleShot(kWidenAfterMs, this, [self] {
        if (self && !self->m_ended)
            self->Widen();
    });
}

// The other connections join the first, which gives them the back of its
// piece in equal shares, unless it is fast enough alone.
void TPiecedDownload::Widen()
{
    const double seconds = m_probeClock.isValid() ? m_probeClock.nsecsElapsed() / 1e9 : 0;
    const qint64 rate = seconds > 0 ? static_cast<qint64>((m_map.DoneBytes() - m_startedFrom) / seconds) : 0;
    if (m_fastEnough > 0 && rate >= m_fastEnough) {
        if (OnLog)
            OnLog(QStringLiteral("Fetchlark:  One connection: it alone brings %1 MB/s, more would not be faster")
                      .arg(rate / 1e6, 0, 'f', 0));
        return;
    }
    Slot& first = *m_slots.front();
    if (first.Piece >= 0) {
        int waiting = 0;
        for (int i = 0; i < m_map.Count(); ++i)
            waiting += m_map.At(i).Owner < 0 && !m_map.At(i).Done() ? 1 : 0;
        m_map.Share(first.Piece, m_connections - waiting, kMinPiece);
        first.Fetch->MoveEnd(m_map.At(first.Piece).End);
    }
    for (int i = 1; i < m_connections; ++i) {
        Slot& slot = MakeSlot();
        NextWork(slot);
        if (slot.Piece < 0) {
            m_slots.pop_back(); // nothing left worth a connection
            break;
        }
    }
    const int n = static_cast<int>(m_slots.size());
    if (OnLog)
        OnLog(n == 1 ? QStringLiteral("Fetchlark:  One connection: too little is left to share")
                     : QStringLiteral("Fetchlark:  Downloading with %1 connections").arg(n));
}

void TPiecedDownload::Progressed(TPieceFetch& fetch, qint64 block)
{
    Slot& slot = *m_slots[fetch.Id()];
    if (slot.Piece >= 0)
        m_map.Advance(slot.Piece, fetch.Pos());
    if (OnProgress)
        OnProgress(m_map.DoneBytes(), block);
}

void TPiecedDownload::Ended(TPieceFetch& fetch, TPieceFetch::Result result, const QString& why)
{
    if (m_ended)
        return;
    Slot& slot = *m_slots[fetch.Id()];
    if (slot.Piece >= 0)
        m_map.Advance(slot.Piece, fetch.Pos());
    switch (result) {
    case TPieceFetch::Result::Done:
        slot.Tries = 0;
        SaveState();
        NextWork(slot);
        break;
    case TPieceFetch::Result::Cut:
        Retry(slot, why);
        break;
    case TPieceFetch::Result::Mismatch:
        StopAll();
        if (OnLog)
            OnLog(m_probed ? QStringLiteral("Fetchlark:  Back to one connection: %1").arg(why)
                           : QStringLiteral("Fetchlark:  One connection: the server does not serve this file in "
                                            "pieces (%1)")
                                 .arg(why));
        End(Outcome::KeepPrefix, why);
        return;
    case TPieceFetch::Result::Changed:
        StopAll();
        if (OnLog)
            OnLog(QStringLiteral("Fetchlark:  Back to one connection: %1; the bytes received so far are of the "
                                 "old version and are dropped")
                      .arg(why));
        End(Outcome::StartOver, why);
        return;
    case TPieceFetch::Result::WriteFailed:
        StopAll();
        End(Outcome::Failed, QStringLiteral("Failed : could not write to %1").arg(m_path));
        return;
    }
    CheckEnd();
}

// A connection closed early or failed: again from where it stopped, after a
// pause that grows with each try; a connection that makes no headway for
// kMaxTries tries leaves its piece to the others.
void TPiecedDownload::Retry(Slot& slot, const QString& why)
{
    const qint64 from = slot.Piece >= 0 ? m_map.At(slot.Piece).Pos : -1;
    if (from > slot.TriedFrom)
        slot.Tries = 0; // it got further than last time
    slot.TriedFrom = from;
    ++slot.Tries;
    if (slot.Piece < 0 || m_map.At(slot.Piece).Done()) {
        NextWork(slot);
        return;
    }
    if (slot.Tries > kMaxTries) {
        if (OnLog)
            OnLog(QStringLiteral("Fetchlark:  Connection %1 gave up after %2 tries (%3)")
                      .arg(slot.Fetch->Id() + 1)
                      .arg(kMaxTries)
                      .arg(why));
        m_map.Release(slot.Piece);
        slot.Piece = -1;
        slot.Retired = true;
        WakeIdle();
        return;
    }
    if (OnLog)
        OnLog(QStringLiteral("Fetchlark:  Connection %1: %2; trying again from byte %3")
                  .arg(slot.Fetch->Id() + 1)
                  .arg(why)
                  .arg(from));
    const QPointer<TPiecedDownload> self(this);
    Slot* s = &slot;
    QTimer::singleShot(100 * slot.Tries, this, [self, s] {
        if (self && !self->m_ended && s->Piece >= 0 && !s->Fetch->Running())
            self->Fetch(*s);
    });
}

void TPiecedDownload::NextWork(Slot& slot)
{
    if (slot.Retired)
        return;
    const int id = slot.Fetch->Id();
    slot.Piece = m_map.Claim(id);
    // Before the probe has shown the server serves pieces, one connection only.
    if (slot.Piece < 0 && m_probed) {
        int victim = -1;
        slot.Piece = m_map.Steal(id, kMinPiece, &victim);
        if (slot.Piece >= 0) {
            const TPiece& cut = m_map.At(victim);
            m_slots[cut.Owner]->Fetch->MoveEnd(cut.End);
        }
    }
    if (slot.Piece >= 0)
        Fetch(slot);
}

void TPiecedDownload::Fetch(Slot& slot)
{
    const TPiece& p = m_map.At(slot.Piece);
    slot.Fetch->Start(m_url, p.Pos, p.End);
}

// A piece was left by a connection that gave up: the idle ones take it.
void TPiecedDownload::WakeIdle()
{
    for (auto& slot : m_slots)
        if (!slot->Retired && slot->Piece < 0)
            NextWork(*slot);
    CheckEnd();
}

bool TPiecedDownload::AnyRunning() const
{
    for (const auto& slot : m_slots)
        if (slot->Piece >= 0)
            return true;
    return false;
}

void TPiecedDownload::CheckEnd()
{
    if (m_ended || AnyRunning())
        return;
    if (m_map.Complete()) {
        m_saveTimer.stop();
        End(Outcome::Complete, QString());
        return;
    }
    // Every connection has given up with bytes still missing.
    SaveState();
    End(Outcome::Failed, QStringLiteral("Failed : every connection to the server failed; the partial file is kept "
                                        "and the download can be resumed"));
}

bool TPiecedDownload::SizeFile(QString& why)
{
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        why = QStringLiteral("Failed : cannot open %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Room reserved up front: a full disk shows now, not in the middle.
    // Where the file system cannot reserve, the file is only extended.
    bool ok = ::fallocate(fd, 0, 0, m_version.Length) == 0;
    if (!ok && errno == ENOSPC) {
        why = QStringLiteral("Failed : not enough room for %1 bytes in %2").arg(m_version.Length).arg(m_path);
    } else if (!ok) {
        struct stat st {};
        ok = ::fstat(fd, &st) == 0 && (st.st_size >= m_version.Length || ::ftruncate(fd, m_version.Length) == 0);
        if (!ok)
            why = QStringLiteral("Failed : cannot size %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    ::close(fd);
    return ok;
}

// What is in the file, flushed first, so the state file never claims a
// byte the file does not hold.
void TPiecedDownload::SaveState()
{
    for (auto& slot : m_slots) {
        if (slot->Piece < 0 || !slot->Fetch->Running())
            continue;
        if (slot->Fetch->Flush())
            m_map.Advance(slot->Piece, slot->Fetch->Pos());
    }
    TPieceStateData data;
    data.Url = m_url;
    data.Validator = m_version.Validator();
    data.Length = m_version.Length;
    data.Done = m_map.DoneRanges();
    m_state.Write(data);
}

void TPiecedDownload::StopAll()
{
    m_saveTimer.stop();
    for (auto& slot : m_slots) {
        if (slot->Piece >= 0 && slot->Fetch->Running() && slot->Fetch->Flush())
            m_map.Advance(slot->Piece, slot->Fetch->Pos());
        slot->Fetch->Stop();
        slot->Piece = -1;
    }
}

void TPiecedDownload::Stop()
{
    if (m_ended)
        return;
    m_ended = true;
    const bool sized = m_probed;
    StopAll();
    if (sized)
        SaveState();
}

void TPiecedDownload::End(Outcome outcome, const QString& why)
{
    m_ended = true;
    m_saveTimer.stop();
    if (OnEnded)
        OnEnded(outcome, why);
}

} // namespace flk
