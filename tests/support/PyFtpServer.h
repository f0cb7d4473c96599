#pragma once
// A real FTP server for end-to-end tests and benchmarks: Debian's pyftpdlib,
// anonymous and read-only, serving one directory on 127.0.0.1. The server
// runs while the object lives.

#include <QProcess>
#include <QString>

namespace flk::test {

class PyFtpServer {
public:
    // Starts the server on a free port of 127.0.0.1 with `root` as its root
    // directory and waits until the port accepts connections.
    explicit PyFtpServer(const QString& root);
    // The same, with a named login too (anonymous stays): its session
    // starts in `home`, a folder inside root, and sees the whole tree, as
    // an account on a Unix server does.
    PyFtpServer(const QString& root, const QString& user, const QString& password, const QString& home);
    // Anonymous only, listening on `host` ("::1" for IPv6 loopback).
    PyFtpServer(const QString& root, const QString& host);
    ~PyFtpServer();

    PyFtpServer(const PyFtpServer&) = delete;
    PyFtpServer& operator=(const PyFtpServer&) = delete;

    // True once the server accepts connections.
    bool isRunning() const { return m_running; }
    quint16 port() const { return m_port; }
    // What the server printed, for a test's failure message.
    QString output();

private:
    bool WaitUntilAccepting(int milliseconds);

    QString m_host = QStringLiteral("127.0.0.1");
    QProcess m_process;
    quint16 m_port = 0;
    bool m_running = false;
};

} // namespace flk::test
