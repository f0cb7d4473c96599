#include "LoopbackHttpd.h"

#include "LoopbackPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace flk::test {
namespace {

const char* const kLighttpd = "/usr/sbin/lighttpd";

QString Quoted(const QString& s)
{
    return "\"" + s + "\"";
}

} // namespace

LoopbackHttpd::LoopbackHttpd(const QList<Redirect>& extraRedirects, const QStringList& tlsPemFiles, bool alsoOnIPv6)
{
    if (!m_dir.isValid()) {
        m_error = "cannot create a temporary folder";
        return;
    }
    QDir(m_dir.path()).mkpath("root");
    Start(extraRedirects, tlsPemFiles, alsoOnIPv6);
}

LoopbackHttpd::~LoopbackHttpd()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
}

bool LoopbackHttpd::Start(const QList<Redirect>& extraRedirects, const QStringList& tlsPemFiles, bool alsoOnIPv6)
{
    if (!QFileInfo::exists(kLighttpd)) {
        m_error = QString("%1 is not installed").arg(kLighttpd);
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = FreeLoopbackPort();
        m_tlsPorts.clear();
        QString tlsSockets;
        for (const QString& pem : tlsPemFiles) {
            quint16 p = FreeLoopbackPort();
            while (p == m_port || m_tlsPorts.contains(p))
                p = FreeLoopbackPort();
            m_tlsPorts << p;
            for (const char* host : {"127.0.0.1", "[::1]"}) {
                if (host[0] == '[' && !alsoOnIPv6)
                    continue;
                tlsSockets += QString("$SERVER[\"socket\"] == \"%3:%1\" {\n"
                                      "  ssl.engine = \"enable\"\n  ssl.pemfile = %2\n}\n")
                                  .arg(p).arg(Quoted(pem), host);
            }
        }
        if (alsoOnIPv6)
            tlsSockets += QString("$SERVER[\"socket\"] == \"[::1]:%1\" { }\n").arg(m_port);
        QList<Redirect> rules = extraRedirects;
        if (!m_tlsPorts.isEmpty())
            rules << Redirect("^/tohttps/(.*)$", TlsUrl("$1"))
                  << Redirect("^/tohttp/(.*)$", BaseUrl() + "/$1");
        rules << Redirect("^/redirect/(.*)$", "/$1")
              << Redirect("^/absredirect/(.*)$", BaseUrl() + "/$1")
              << Redirect("^/loop$", "/loop");
        QStringList ruleText;
        for (const Redirect& r : rules)
            ruleText << Quoted(r.first) + " => " + Quoted(r.second);
        const QString conf = QString(
            "server.document-root = %1\n"
            "server.bind = \"127.0.0.1\"\n"
            "server.port = %2\n"
            "server.errorlog = %3\n"
            "server.modules = (\"mod_redirect\"%5)\n"
            "server.max-keep-alive-requests = 0\n"
            "mimetype.assign = (\".html\" => \"text/html\", \".htm\" => \"text/html\", "
            "\".txt\" => \"text/plain\", \"\" => \"application/octet-stream\")\n"
            "url.redirect = (%4)\n")
            .arg(Quoted(DocumentRoot())).arg(m_port)
            .arg(Quoted(m_dir.filePath("error.log")), ruleText.join(", "),
                 m_tlsPorts.isEmpty() ? QString() : QString(", \"mod_openssl\""))
            + tlsSockets;
        QFile f(m_dir.filePath("lighttpd.conf"));
        if (!f.open(QIODevice::WriteOnly) || f.write(conf.toUtf8()) < 0) {
            m_error = "cannot write the configuration";
            return false;
        }
        f.close();

        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process->start(kLighttpd, {"-D", "-f", f.fileName()});
        if (!m_process->waitForStarted(5000)) {
            m_error = "lighttpd did not start: " + m_process->errorString();
            return false;
        }
        for (int i = 0; i < 200 && m_process->state() == QProcess::Running; ++i) {
            if (LoopbackAccepting(m_port) && std::all_of(m_tlsPorts.begin(), m_tlsPorts.end(), LoopbackAccepting))
                return true;
            QThread::msleep(10);
        }
        m_process->kill();
        m_process->waitForFinished(2000);
    }
    QFile log(m_dir.filePath("error.log"));
    log.open(QIODevice::ReadOnly);
    m_error = "lighttpd did not listen: " + QString::fromUtf8(log.readAll());
    return false;
}

bool LoopbackHttpd::IsRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString LoopbackHttpd::DocumentRoot() const
{
    return m_dir.filePath("root");
}

QString LoopbackHttpd::BaseUrl() const
{
    return QString("http://127.0.0.1:%1").arg(m_port);
}

QString LoopbackHttpd::Url(const QString& path) const
{
    return BaseUrl() + "/" + (path.startsWith('/') ? path.mid(1) : path);
}

QString LoopbackHttpd::V6Url(const QString& path) const
{
    return QString("http://[::1]:%1/").arg(m_port) + (path.startsWith('/') ? path.mid(1) : path);
}

QString LoopbackHttpd::TlsUrl(const QString& path, int i) const
{
    return QString("https://127.0.0.1:%1/").arg(TlsPort(i)) + (path.startsWith('/') ? path.mid(1) : path);
}

QString LoopbackHttpd::AddFile(const QString& relPath, const QByteArray& content)
{
    const QString path = DocumentRoot() + "/" + relPath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

QString LoopbackHttpd::AddFileOfSize(const QString& relPath, qint64 size)
{
    const QString path = DocumentRoot() + "/" + relPath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return path;
    // The pattern repeats every 23 bytes; a block that is a multiple of 23
    // can be written again and again.
    const qint64 blockSize = 23 * 45591;  // about 1 MiB
    QByteArray block(blockSize, '\0');
    for (qint64 i = 0; i < blockSize; ++i)
        block[i] = PatternByte(i);
    for (qint64 written = 0; written < size;) {
        const qint64 n = std::min<qint64>(blockSize, size - written);
        f.write(block.constData(), n);
        written += n;
    }
    return path;
}

} // namespace flk::test
