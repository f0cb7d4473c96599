#pragma once
// What a transfer reports to whoever watches it (the download dialog), and
// the questions it asks. Every call comes on the GUI thread from the
// transfer's own state machine; none may open a modal box or run a message
// loop before it returns: a question is answered later through
// TTransferJob::Answer, and TransferEnded arrives as a posted event, after
// the network client's own event has returned.

#include <QString>
#include <QtGlobal>

namespace flk {

enum class TTransferQuestion {
    ReDownloadComplete,  // a file as large as the server's is on disk: fetch it again?
    RestartWithoutResume // the server refused REST: start again from byte 0?
};

enum class TTransferOutcome {
    Complete,  // the file on disk is the whole file the server promised
    Failed,    // see logLine / message; the partial file (if any) is kept
    Declined,  // the user answered No to a question: nothing changed
    MovedToFtp // an HTTP redirection led to an ftp address (url)
};

struct TTransferEnd {
    TTransferOutcome outcome = TTransferOutcome::Failed;
    QString logLine;  // the failure's line for the details log
    QString message;  // the failure's box text; empty when it is only logged
    QString url;      // MovedToFtp: where the redirection led
    qint64 size = 0;  // bytes of the local file at the end
    bool secureFailure = false; // a secure connection was refused: nothing came
};

class TTransferObserver {
public:
    virtual ~TTransferObserver() = default;
    virtual void TransferLog(const QString& line) = 0;
    // An HTTP redirection was followed: the address now fetched.
    virtual void TransferMoved(const QString& url) = 0;
    // The body starts: the whole file's size (-1 while unknown) and the
    // bytes already on disk that this transfer continues from.
    virtual void TransferSized(qint64 total, qint64 from) = 0;
    // Bytes of the file so far (continued part included) and the size of
    // the block that just came.
    virtual void TransferProgress(qint64 bytes, qint64 block) = 0;
    virtual void TransferAsk(TTransferQuestion question) = 0;
    // The server named the file (Content-Disposition, already made safe)
    // before the local file is opened. The answer is the local path to use
    // instead of the one given at the start; empty keeps that one. The
    // default keeps it.
    virtual QString TransferNamed(const QString& name)
    {
        Q_UNUSED(name);
        return QString();
    }
    virtual void TransferEnded(const TTransferEnd& end) = 0;
};

} // namespace flk
