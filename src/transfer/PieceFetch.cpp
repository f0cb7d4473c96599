#include "PieceFetch.h"

#include "FileStream.h"
#include "HttpProt.h"

#include <QMetaObject>

#include <algorithm>

namespace flk {
namespace {

struct TContentRange {
    qint64 First = -1, Last = -1, Total = -1;
};

// "bytes first-last/total"; -1 for what is missing or unreadable ("*").
TContentRange ParseContentRange(const QString& value)
{
    TContentRange r;
    QString v = value.trimmed();
    if (!v.startsWith(QLatin1String("bytes"), Qt::CaseInsensitive))
        return r;
    v = v.mid(5).trimmed();
    const qsizetype dash = v.indexOf(QLatin1Char('-'));
    const qsizetype slash = v.indexOf(QLatin1Char('/'));
    if (dash <= 0 || slash <= dash)
        return r;
    bool ok = false;
    if (const qint64 n = v.left(dash).trimmed().toLongLong(&ok); ok && n >= 0)
        r.First = n;
    if (const qint64 n = v.mid(dash + 1, slash - dash - 1).trimmed().toLongLong(&ok); ok && n >= 0)
        r.Last = n;
    if (const qint64 n = v.mid(slash + 1).trimmed().toLongLong(&ok); ok && n >= 0)
        r.Total = n;
    return r;
}

} // namespace

TPieceFetch::TPieceFetch(int id, const QString& path, const TPieceVersion& version,
                         const std::function<void(THttpCli&)>& configure, QObject* parent)
    : QObject(parent), m_id(id), m_path(path), m_version(version), m_configure(configure),
      m_client(std::make_unique<THttpCli>())
{
    m_client->OnHeaderEnd = [this](THttpCli*) { HeaderEnd(); };
    m_client->OnDocData = [this](THttpCli*, const char*, int len) { DocData(len); };
    m_client->OnRequestDone = [this](THttpCli*, THttpRequest, quint16) { RequestDone(); };
}

TPieceFetch::~TPieceFetch()
{
    m_client->OnHeaderEnd = nullptr;
    m_client->OnDocData = nullptr;
    m_client->OnRequestDone = nullptr;
    Stop();
}

QString TPieceFetch::HeaderValue(const QStringList& headers, const QString& name)
{
    for (const QString& line : headers) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return QString();
}

void TPieceFetch::Start(const QString& url, qint64 from, qint64 end)
{
    ++m_generation;
    m_from = from;
    m_end = m_asked = end;
    m_accepted = false;
    m_stopping = false;
    m_rejected = Result::Done;
    m_why.clear();
    m_file = std::make_unique<TFileStream>(m_path);
    if (!m_file->OpenPiece(from, end)) {
        const QString why = m_file->ErrorText();
        m_file.reset();
        m_running = false;
        const quint64 generation = m_generation;
        // Reported as an event, like every other end.
        QMetaObject::invokeMethod(
            this,
            [this, why, generation] {
                if (generation == m_generation && OnEnded)
                    OnEnded(*this, Result::WriteFailed, why);
            },
            Qt::QueuedConnection);
        return;
    }
    m_configure(*m_client);
    m_client->Http11 = true;
    m_client->URL = url;
    m_client->ContentRangeBegin = QString::number(from);
    m_client->ContentRangeEnd = QString::number(end - 1);
    m_client->ReceiveStream = m_file.get();
    m_running = true;
    try {
        m_client->StartRequest(httpGET);
    } catch (const EHttpException& e) {
        m_client->ReceiveStream = nullptr;
        m_running = false;
        const QString why = e.Message();
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, why, generation] {
                if (generation == m_generation && OnEnded)
                    OnEnded(*this, Result::Cut, why);
            },
            Qt::QueuedConnection);
    }
}

void TPieceFetch::MoveEnd(qint64 end)
{
    m_end = end;
    if (m_file)
        m_file->SetLimit(end);
    if (m_running && Pos() >= m_end)
        StopAtEnd();
}

void TPieceFetch::Stop()
{
    ++m_generation;
    if (m_running) {
        m_running = false;
        m_client->ReceiveStream = nullptr;
        try {
            m_client->AbortRequest();
        } catch (...) {
        }
    }
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
}

qint64 TPieceFetch::Pos() const
{
    return m_file ? std::min(m_file->Position(), m_end) : m_from;
}

bool TPieceFetch::Flush()
{
    return !m_file || m_file->flush();
}

// Why the reply is not the piece asked for (empty when it is), and what
// that means for the download.
QString TPieceFetch::Judge(Result& result) const
{
    const int status = m_client->ResponseStatus();
    const QStringList& headers = m_client->ResponseHeaders();
    result = Result::Mismatch;
    if (status == 200)
        return QStringLiteral("the server answered a range request with the whole file (200)");
    if (status != 206)
        return QStringLiteral("the server answered a range request with %1 %2").arg(status).arg(m_client->ResponseReason());
    const TContentRange range = ParseContentRange(HeaderValue(headers, QStringLiteral("Content-Range")));
    if (range.Total >= 0 && range.Total != m_version.Length) {
        result = Result::Changed;
        return QStringLiteral("the file on the server now has %1 bytes instead of %2").arg(range.Total).arg(m_version.Length);
    }
    const QString etag = HeaderValue(headers, QStringLiteral("ETag"));
    const QString modified = HeaderValue(headers, QStringLiteral("Last-Modified"));
    const bool byTag = !m_version.ETag.isEmpty();
    const QString sent = byTag ? etag : modified;
    if (!sent.isEmpty() && sent != (byTag ? m_version.ETag : m_version.LastModified)) {
        result = Result::Changed;
        return byTag ? QStringLiteral("the file changed on the server (its ETag is now %1)").arg(sent)
                     : QStringLiteral("the file changed on the server (it is now dated %1)").arg(sent);
    }
    if (sent.isEmpty())
        return byTag ? QStringLiteral("the server sent a piece without the file's ETag")
                     : QStringLiteral("the server sent a piece without the file's date");
    if (range.First != m_from || range.Last != m_asked - 1 || range.Total < 0)
        return QStringLiteral("the server sent bytes %1 where bytes %2-%3/%4 were asked")
            .arg(HeaderValue(headers, QStringLiteral("Content-Range")).isEmpty()
                     ? QStringLiteral("without a range")
                     : HeaderValue(headers, QStringLiteral("Content-Range")))
            .arg(m_from)
            .arg(m_asked - 1)
            .arg(m_version.Length);
    if (m_client->Chunked() || m_client->AnnouncedLength() != m_asked - m_from)
        return QStringLiteral("the server announced %1 bytes for a piece of %2 bytes")
            .arg(m_client->AnnouncedLength())
            .arg(m_asked - m_from);
    result = Result::Done;
    return QString();
}

void TPieceFetch::HeaderEnd()
{
    if (!m_running)
        return;
    const int status = m_client->ResponseStatus();
    // A redirection is followed by the client; the reply it leads to is judged.
    if (status >= 300 && status < 400)
        return;
    if (status >= 400 && status != 416) {
        // Refused for now (busy, too many connections...): tried again later.
        Reject(Result::Cut, QStringLiteral("%1 %2").arg(status).arg(m_client->ResponseReason()));
        return;
    }
    Result result;
    const QString why = Judge(result);
    if (!why.isEmpty()) {
        Reject(result, why);
        return;
    }
    m_accepted = true;
    if (OnAccepted)
        OnAccepted(*this);
}

// The body never reaches the file: the stream goes before the first byte.
void TPieceFetch::Reject(Result result, const QString& why)
{
    m_rejected = result;
    m_why = why;
    m_client->ReceiveStream = nullptr;
    m_client->AbortRequest();
}

void TPieceFetch::DocData(qint64 len)
{
    if (!m_running || !m_accepted)
        return;
    if (OnProgress)
        OnProgress(*this, len);
    if (m_from + m_client->ReceivedBytes() >= m_end && m_end < m_asked)
        StopAtEnd();
}

// The piece's end moved back and has been reached: the request stops now
// (a socket with bytes waiting would otherwise be offered them again and
// again). The stream stays: a block the client still hands it is cut at the
// end, and RequestDone follows as an event.
void TPieceFetch::StopAtEnd()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_client->AbortRequest();
}

void TPieceFetch::RequestDone()
{
    if (!m_running || m_client->ClientState() != httpReady)
        return;
    m_running = false;
    m_client->ReceiveStream = nullptr;
    const bool written = m_file && m_file->flush();
    const qint64 pos = Pos();
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
    m_from = pos; // where a next try starts
    Result result = Result::Done;
    QString why;
    if (m_rejected != Result::Done) {
        result = m_rejected;
        why = m_why;
    } else if (!written) {
        result = Result::WriteFailed;
        why = QStringLiteral("could not write to %1").arg(m_path);
    } else if (pos < m_end) {
        result = Result::Cut;
        why = m_client->ResponseStatus() >= 400 ? m_client->ResponseReason()
                                                : QStringLiteral("the connection closed early");
    }
    if (OnEnded)
        OnEnded(*this, result, why);
}

} // namespace flk
