#pragma once
// Watches a transfer the way the download dialog does, without a window:
// records what it reports and answers its questions later, by an event, as
// a box would.

#include "NetTestUtil.h"
#include "TransferJob.h"

#include <QFile>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace flk::test {

struct RecordingObserver : TTransferObserver {
    QStringList log;
    QStringList moves;
    QList<QPair<qint64, qint64>> sizes; // (total, from)
    qint64 bytes = -1;
    QList<TTransferQuestion> questions;
    bool answer = false;                // what every question gets
    std::optional<TTransferEnd> end;
    TTransferJob* job = nullptr;
    QStringList names;                  // names the server gave
    QString namedFolder;                // when set, a named file goes there under its name

    void TransferLog(const QString& line) override { log << line; }
    void TransferMoved(const QString& url) override { moves << url; }
    void TransferSized(qint64 total, qint64 from) override { sizes.append({total, from}); }
    void TransferProgress(qint64 b, qint64) override { bytes = b; }
    void TransferAsk(TTransferQuestion q) override
    {
        questions << q;
        QTimer::singleShot(0, [this] { job->Answer(answer); });
    }
    void TransferEnded(const TTransferEnd& e) override { end = e; }
    QString TransferNamed(const QString& name) override
    {
        names << name;
        return namedFolder.isEmpty() ? QString() : namedFolder + QLatin1Char('/') + name;
    }

    // Starts the job and runs messages until it has ended.
    bool Run(TTransferJob& j, int limitMs = 15000)
    {
        job = &j;
        j.Start();
        return PumpFor([this] { return end.has_value(); }, limitMs);
    }
    bool Complete() const { return end && end->outcome == TTransferOutcome::Complete; }
    QString Failure() const { return end && end->outcome == TTransferOutcome::Failed ? end->logLine : QString(); }
};

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Bytes that differ from offset to offset, so a misplaced block shows.
inline QByteArray Pattern(qint64 size, qint64 from = 0)
{
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        b[i] = static_cast<char>('A' + (from + i) * 7 % 53);
    return b;
}

} // namespace flk::test
