#pragma once
// A real HTTP server for tests and benchmarks: lighttpd on 127.0.0.1 with a
// free port, a generated configuration and a temporary document root. It
// starts in the constructor and stops in the destructor.
//
// Redirect rules always present (mod_redirect, "301 Moved Permanently"):
//   /redirect/<path>     -> Location: /<path>                      (relative)
//   /absredirect/<path>  -> Location: http://127.0.0.1:<port>/<path> (absolute)
//   /loop                -> Location: /loop                          (never ends)
// More rules can be given to the constructor (lighttpd url.redirect syntax,
// pattern => target).
//
// IPv6: with alsoOnIPv6, every port (plain and secure) is served on [::1]
// too (V6Url).
//
// Secure ports: each certificate file given (certificate and key, PEM) gets
// its own https port on the same server (TlsPort(i), TlsUrl(path, i)), with
// two more rules:
//   /tohttps/<path>      -> https://127.0.0.1:<TlsPort(0)>/<path>
//   /tohttp/<path>       -> http://127.0.0.1:<port>/<path>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QProcess;

namespace flk::test {

class LoopbackHttpd {
public:
    using Redirect = QPair<QString, QString>;  // regular expression, target

    explicit LoopbackHttpd(const QList<Redirect>& extraRedirects = {}, const QStringList& tlsPemFiles = {},
                           bool alsoOnIPv6 = false);
    ~LoopbackHttpd();
    LoopbackHttpd(const LoopbackHttpd&) = delete;
    LoopbackHttpd& operator=(const LoopbackHttpd&) = delete;

    bool IsRunning() const;
    QString ErrorText() const { return m_error; }  // why it did not start

    quint16 Port() const { return m_port; }
    QString DocumentRoot() const;                  // absolute, no trailing "/"
    QString BaseUrl() const;                       // "http://127.0.0.1:<port>"
    QString Url(const QString& path) const;        // BaseUrl() + "/" + path
    QString V6Url(const QString& path) const;      // "http://[::1]:<port>/" + path (alsoOnIPv6)
    quint16 TlsPort(int i = 0) const { return m_tlsPorts.value(i); }
    QString TlsUrl(const QString& path, int i = 0) const;  // "https://127.0.0.1:<TlsPort(i)>/" + path

    // Writes a file under the document root (folders are created); returns
    // its local path. AddFileOfSize fills the file with a repeating pattern
    // (byte i is PatternByte(i)) without holding it in memory.
    QString AddFile(const QString& relPath, const QByteArray& content);
    QString AddFileOfSize(const QString& relPath, qint64 size);
    static char PatternByte(qint64 offset) { return static_cast<char>('a' + offset % 23); }

private:
    bool Start(const QList<Redirect>& extraRedirects, const QStringList& tlsPemFiles, bool alsoOnIPv6);

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QList<quint16> m_tlsPorts;
    QString m_error;
};

} // namespace flk::test
