#pragma once
// TPieceFetch: one connection of a download fetched in pieces. It asks for
// one byte range ("Range: bytes=first-last") and writes the reply's body in
// place in the file, through a TFileStream of its own opened at the piece's
// first byte (the splice path stays). The reply must be the piece asked for,
// of the same file: status 206, a Content-Range with the same first and last
// byte and the HEAD's length, a Content-Length to match, and the HEAD's
// validator (ETag, or Last-Modified when there was no ETag). Anything else
// ends the fetch before a byte of its body reaches the file.
//
// The piece's end may move back while it runs (another connection took the
// rest): the stream drops bytes past the end and the request is stopped there.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace flk {

class THttpCli;
class TFileStream;

// What every piece's reply must show: the HEAD's length and validator.
struct TPieceVersion {
    qint64 Length = -1;
    QString ETag;
    QString LastModified;
    // The validator the state file keeps: the ETag, or the date.
    QString Validator() const { return ETag.isEmpty() ? LastModified : ETag; }
};

class TPieceFetch : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Done,        // every byte of the piece is in the file
        Cut,         // the connection failed or closed early: worth another try from Pos()
        Mismatch,    // the server did not answer with the piece asked for (200, another range)
        Changed,     // the file on the server is another version (validator or length)
        WriteFailed  // the local file refused the bytes
    };

    // `configure` makes the client like the download's own (timeouts, agent,
    // session, proxy...).
    TPieceFetch(int id, const QString& path, const TPieceVersion& version,
                const std::function<void(THttpCli&)>& configure, QObject* parent = nullptr);
    ~TPieceFetch() override;

    // Fetches [from, end) of url into the file.
    void Start(const QString& url, qint64 from, qint64 end);
    void MoveEnd(qint64 end);
    // Stops at once (the bytes written stay); no OnEnded follows.
    void Stop();
    bool Running() const { return m_running; }
    int Id() const { return m_id; }
    // The next byte the piece needs: every byte before it is in the file
    // (once Flush has returned).
    qint64 Pos() const;
    qint64 End() const { return m_end; }
    bool Flush();

    // A header line of a reply (name without the colon), trimmed; empty when absent.
    static QString HeaderValue(const QStringList& headers, const QString& name);

    std::function<void(TPieceFetch&)> OnAccepted;              // the reply is the piece asked for
    std::function<void(TPieceFetch&, qint64 block)> OnProgress; // bytes came
    std::function<void(TPieceFetch&, Result, const QString& why)> OnEnded;

private:
    void HeaderEnd();
    void DocData(qint64 len);
    void RequestDone();
    void Reject(Result result, const QString& why);
    void StopAtEnd();
    QString Judge(Result& result) const;

    int m_id;
    QString m_path;
    TPieceVersion m_version;
    std::function<void(THttpCli&)> m_configure;
    std::unique_ptr<THttpCli> m_client;
    std::unique_ptr<TFileStream> m_file;
    qint64 m_from = 0;
    qint64 m_end = 0;      // the piece's end now (it may move back)
    qint64 m_asked = 0;    // the end the request asked for
    bool m_running = false;
    bool m_accepted = false;
    bool m_stopping = false;
    Result m_rejected = Result::Done;
    QString m_why;
    quint64 m_generation = 0; // events of a stopped request are not this one's
};

} // namespace flk
