#include "TransferJob.h"

#include <QMetaObject>
#include <QPointer>

namespace flk {

TTransferJob::TTransferJob(TTransferObserver* observer, QObject* parent) : QObject(parent), m_observer(observer) {}

TTransferJob::~TTransferJob() = default;

void TTransferJob::Log(const QString& line)
{
    if (m_observer)
        m_observer->TransferLog(line);
}

void TTransferJob::Moved(const QString& url)
{
    if (m_observer)
        m_observer->TransferMoved(url);
}

QString TTransferJob::Named(const QString& name)
{
    return m_observer ? m_observer->TransferNamed(name) : QString();
}

void TTransferJob::Sized(qint64 total, qint64 from)
{
    m_total = total;
    m_from = from;
    m_bytes = from;
    if (m_observer)
        m_observer->TransferSized(total, from);
}

void TTransferJob::Progress(qint64 bytes, qint64 block)
{
    m_bytes = bytes;
    if (m_observer)
        m_observer->TransferProgress(bytes, block);
    emit Progressed(bytes);
}

void TTransferJob::Ask(TTransferQuestion question)
{
    if (m_observer)
        m_observer->TransferAsk(question);
}

void TTransferJob::Finish(TTransferEnd end)
{
    m_finished = true;
    const QPointer<TTransferJob> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, end] {
            if (self && self->m_observer)
                self->m_observer->TransferEnded(end);
        },
        Qt::QueuedConnection);
}

TTransferEnd TTransferJob::Failure(const QString& logLine, const QString& message)
{
    TTransferEnd end;
    end.outcome = TTransferOutcome::Failed;
    end.logLine = logLine;
    end.message = message;
    return end;
}

} // namespace flk
