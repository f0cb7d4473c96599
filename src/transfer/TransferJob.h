#pragma once
// TTransferJob: one download from start to end, run by an explicit state
// machine (THttpTransfer, TFtpTransfer). The owner creates it with the
// address and the local path, calls Start, answers its questions with
// Answer, and may Abort it at any time. It never waits in a message loop:
// every step starts something and returns; the network client's completion
// drives the next step.

#include "RateLimit.h"
#include "TransferObserver.h"

#include <QObject>
#include <QString>

namespace flk {

class TTransferJob : public QObject {
    Q_OBJECT
public:
    explicit TTransferJob(TTransferObserver* observer, QObject* parent = nullptr);
    ~TTransferJob() override;

    virtual void Start() = 0;
    // Stops at once: connections and the local file are closed, what came
    // stays on disk, and no TransferEnded follows.
    virtual void Abort() = 0;
    // The answer to the pending TransferAsk.
    virtual void Answer(bool yes) = 0;
    // The job at rest with its outcome delivered (or aborted).
    bool Finished() const { return m_finished; }
    // No more reports to the observer (it is going away).
    void Detach() { m_observer = nullptr; }

    // Figures for the statistics: the whole size (-1 unknown), bytes of the
    // file so far, and the bytes that were on disk before this transfer.
    qint64 Total() const { return m_total; }
    qint64 Bytes() const { return m_bytes; }
    qint64 From() const { return m_from; }

    // This download's own speed limit, which every connection of it reads
    // through; its parent, set by the owner, is the limit of all downloads.
    TRateLimit& RateLimit() { return m_rateLimit; }

signals:
    // Bytes of the file so far, as TransferProgress reports them.
    void Progressed(qint64 bytes);

protected:
    void Log(const QString& line);
    void Moved(const QString& url);
    // The observer's answer to a name from the server: the new local path,
    // or empty.
    QString Named(const QString& name);
    void Sized(qint64 total, qint64 from);
    void Progress(qint64 bytes, qint64 block);
    void Ask(TTransferQuestion question);
    // Delivers the end as a posted event: the observer may then show boxes,
    // close its window or delete this job.
    void Finish(TTransferEnd end);
    void MarkAborted() { m_finished = true; }
    // The file was found complete on disk or failed with its reason.
    static TTransferEnd Failure(const QString& logLine, const QString& message = QString());

private:
    TTransferObserver* m_observer;
    TRateLimit m_rateLimit;
    bool m_finished = false;
    qint64 m_total = -1;
    qint64 m_bytes = 0;
    qint64 m_from = 0;
};

} // namespace flk
