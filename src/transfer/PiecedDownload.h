#pragma once
// TPiecedDownload: the body of one HTTP download fetched over several
// connections at once, each a TPieceFetch writing its range in place.
//
// The first connection is the probe: only when its reply proves the server
// serves pieces of this very file (206, the range asked, the HEAD's length
// and validator) is the state file written, the file sized to its length
// and the other connections started. A connection that runs out of work
// takes waiting pieces, then half of the largest piece still being fetched.
// A connection that fails is tried again from where it stopped, a few
// times; a reply that is not the piece asked for ends the whole download
// here, and the owner goes on over one connection (see Outcome).

#include "PieceFetch.h"
#include "PieceMap.h"
#include "PieceState.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace flk {

class TPiecedDownload : public QObject {
    Q_OBJECT
public:
    // Pieces smaller than this are not split again.
    static constexpr qint64 kMinPiece = 1 << 20;
    // Tries of one connection in a row without a byte coming.
    static constexpr int kMaxTries = 5;
    // How often the state file follows the pieces while they run.
    static constexpr int kSaveEveryMs = 3000;
    // The first connection runs alone this long; when it brings at least
    // kFastEnough bytes a second, it stays alone: more connections share the
    // same link (or the same disk) and only cost.
    static constexpr int kWidenAfterMs = 250;
    static constexpr qint64 kFastEnough = 128 << 20;

    enum class Outcome {
        Complete,   // every byte of the length is in the file
        KeepPrefix, // the server stopped serving pieces: the bytes from 0 to DonePrefix() are good
        StartOver,  // the file changed on the server: nothing on disk is of the version now served
        Failed      // see the reason; the file and the state file stay for a resume
    };

    TPiecedDownload(const QString& url, const QString& path, const TPieceVersion& version, int connections,
                    const std::function<void(THttpCli&)>& configure, QObject* parent = nullptr);
    ~TPiecedDownload() override;

    // Ranges already in the file (from the state file), before Start.
    void Resume(const QList<TPieceMap::Range>& done) { m_resumed = done; }
    // Bytes a second from which one connection stays alone; 0: never alone.
    void SetFastEnough(qint64 bytesPerSecond) { m_fastEnough = bytesPerSecond; }
    void Start();
    // Stops every connection; the state file keeps what is in the file.
    void Stop();

    qint64 DoneBytes() const { return m_map.DoneBytes(); }
    qint64 DonePrefix() const { return m_map.DonePrefix(); }
    qint64 StartedFrom() const { return m_startedFrom; }

    std::function<void(const QString&)> OnLog;
    std::function<void(qint64 total, qint64 from)> OnSized;
    std::function<void(qint64 bytes, qint64 block)> OnProgress;
    std::function<void(Outcome, const QString& why)> OnEnded;

private:
    struct Slot {
        std::unique_ptr<TPieceFetch> Fetch;
        int Piece = -1;     // in the map; -1: idle
        int Tries = 0;
        qint64 TriedFrom = -1;
        bool Retired = false;
    };

    Slot& MakeSlot();
    void Accepted(TPieceFetch& fetch);
    void Widen();
    void Progressed(TPieceFetch& fetch, qint64 block);
    void Ended(TPieceFetch& fetch, TPieceFetch::Result result, const QString& why);
    void Retry(Slot& slot, const QString& why);
    void NextWork(Slot& slot);
    void Fetch(Slot& slot);
    void WakeIdle();
    bool AnyRunning() const;
    void CheckEnd();
    bool SizeFile(QString& why);
    void SaveState();
    void StopAll();
    void End(Outcome outcome, const QString& why);

    QString m_url;
    QString m_path;
    TPieceVersion m_version;
    int m_connections;
    std::function<void(THttpCli&)> m_configure;
    TPieceMap m_map;
    TPieceState m_state;
    QList<TPieceMap::Range> m_resumed;
    std::vector<std::unique_ptr<Slot>> m_slots;
    QTimer m_saveTimer;
    qint64 m_startedFrom = 0;
    bool m_probed = false;  // the first reply showed the server serves pieces
    qint64 m_fastEnough = kFastEnough;
    QElapsedTimer m_probeClock;
    bool m_ended = false;
};

} // namespace flk
