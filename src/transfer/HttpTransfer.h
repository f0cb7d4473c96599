#pragma once
// THttpTransfer: one file over HTTP(S). HEAD for the size, a look at the
// local file (new, continued, or complete already: a question), GET straight
// into the file, and a check of what came against what the server promised.
//
//   Head -> HeadComplete -> OpenFile -> [ReDownloadAnswered] -> Get -> GetComplete -> Done
//                                     \-> Pieces -> PiecesComplete -> Done (or -> Get)
//
// A file larger than kPiecesFrom whose server names its version (ETag or
// Last-Modified) is fetched over several connections (TPiecedDownload) when
// the first piece's reply shows the server serves pieces of it; otherwise,
// and whenever a piece's reply says the server stopped doing so, over one.
//
// Each state is one method; DoLoop runs them until one starts something on
// the network (or asks a question) and returns. The client's OnRequestDone,
// posted after its socket events, drives the loop on. Completion is decided
// by the bytes in the file against the size the server promised, never by
// the figures shown.

#include "HttpProt.h"
#include "PieceFetch.h"
#include "PieceMap.h"
#include "TransferJob.h"

#include <algorithm>
#include <memory>

namespace flk {

class TFileStream;
class TPiecedDownload;

// The browser's session for one download: sent with the HEAD and the GET
// and with redirections within the site of the address the download
// started from; never to another site, never stored or logged.
struct THttpSession {
    QString Cookie;    // the "Cookie:" header's value
    QString Referer;
    QString UserAgent; // goes to every site, as the browser sends it
};

class THttpTransfer : public TTransferJob {
    Q_OBJECT
public:
    enum class State {
        Idle, Head, HeadComplete, OpenFile, ReDownloadAnswered, Get, GetComplete, Pieces, PiecesComplete, Done
    };

    // Files from this size on are fetched over several connections.
    static constexpr qint64 kPiecesFrom = 4 << 20;
    static constexpr int kMaxConnections = 16;

    THttpTransfer(const QString& url, const QString& localPath, TTransferObserver* observer,
                  QObject* parent = nullptr);
    ~THttpTransfer() override;

    void Start() override;
    void Abort() override;
    void Answer(bool yes) override;

    // The client, for its settings (Timeout, Agent, Cookie, Reference...)
    // before Start.
    THttpCli& Client() { return m_client; }
    // The session headers, before Start.
    void SetSession(const THttpSession& session) { m_session = session; }
    // The proxies for the download's addresses, before Start: every client
    // of the download takes them (redirections are judged one by one).
    void SetProxyRules(const TProxyRules& rules) { m_client.ProxyRules = rules; }
    // Connections for one download (1 to kMaxConnections), before Start.
    void SetConnections(int n) { m_connections = std::clamp(n, 1, kMaxConnections); }
    int Connections() const { return m_connections; }
    // Bytes a second from which the first connection is left alone (see
    // TPiecedDownload::kFastEnough); 0: the others always join.
    void SetFastEnough(qint64 bytesPerSecond) { m_fastEnough = bytesPerSecond; }
    // Makes a client of a piece like the download's own: every setting
    // (timeouts, agent, proxy...) and the browser's session for the address.
    void ConfigureClient(THttpCli& c) const;
    State CurrentState() const { return m_state; }
    // The address fetched: the given one, or where redirections led.
    QString Url() const { return m_url; }
    // Bytes on disk the GET continued from (0 for a whole download).
    qint64 ResumedFrom() const { return m_resumeFrom; }

private:
    enum class Step { Next, Pending };

    void DoLoop();
    Step DoHead();
    Step DoHeadComplete();
    Step DoOpenFile();
    Step DoReDownloadAnswered();
    Step DoGet();
    Step DoGetComplete();
    Step DoPieces();
    Step DoPiecesComplete();

    void Wire();
    void Unwire();
    Step StartRequest(THttpRequest request, State complete);
    void StartAt(qint64 offset);
    void ApplySession(THttpCli& c) const;
    void ReadVersion();
    QString OneConnectionReason() const;
    bool TakeStateFile(qint64& onDisk);
    void KeepOnly(qint64 bytes);
    void HeaderBegin();
    void HeaderLine();
    void HeaderEnd();
    void JudgeGetReply();
    void Refuse(const QString& why);
    void DocData(qint64 len);
    void StateChange();
    void RequestDone();
    void CloseFile();
    void RemoveIfEmptyAndNew();
    TTransferEnd Verify(qint64 size) const;
    TTransferEnd GetFailure() const;
    QString StatusText() const;
    QString FailureMessage() const;
    bool SecureFailure() const;

    THttpCli m_client;
    THttpSession m_session;
    QString m_siteUrl;           // the address the download started from: its site gets the session
    QString m_offeredName;       // the HEAD's Content-Disposition name, made safe
    QString m_url;
    QString m_path;
    std::unique_ptr<TFileStream> m_file;
    State m_state = State::Idle;
    State m_next = State::Idle;
    bool m_aborted = false;
    bool m_yes = false;          // the answer to the pending question
    bool m_inGet = false;        // the GET runs (the HEAD is behind)
    bool m_created = false;      // this transfer made the local file
    bool m_headUsable = true;    // the HEAD told something (not 405 / 501)
    qint64 m_headSize = -1;      // the HEAD's Content-Length
    bool m_rangeAsked = false;   // the GET carries a Range
    qint64 m_resumeFrom = 0;     // its first byte
    qint64 m_promised = -1;      // the whole file's size as the GET's reply promised it
    bool m_bodyBegun = false;
    bool m_toFtp = false;        // a Location led to an ftp address
    bool m_replyMoves = false;   // the reply being read carries a Location
    qint64 m_rangeStart = -1;    // the reply's Content-Range: first byte
    qint64 m_rangeTotal = -1;    // ... and the whole (-1 for "*" or none)
    QString m_refused;           // why the GET's reply was not taken into the file
    int m_connections = 4;
    qint64 m_fastEnough = -1;    // -1: TPiecedDownload's own
    bool m_acceptRangesNone = false; // the HEAD said "Accept-Ranges: none"
    TPieceVersion m_version;     // the HEAD's length and validator
    QList<TPieceMap::Range> m_resumeDone; // pieces in the file from the last attempt
    std::unique_ptr<TPiecedDownload> m_pieces;
    int m_piecesOutcome = 0;     // TPiecedDownload::Outcome of the pieces' end
    QString m_piecesWhy;
};

} // namespace flk
