#include "PyFtpServer.h"

#include "LoopbackPort.h"

#include <QElapsedTimer>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace flk::test {
namespace {
// Debian's interpreter: the package lives in its dist-packages, which another
// python3 earlier on PATH would not see.
const char* const kPython = "/usr/bin/python3";

// True when a connection to the port succeeds and the server greets.
bool Greets(const QString& host, quint16 port)
{
    const bool v6 = host.contains(':');
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = LoopbackAddress(port);
    sockaddr_in6 a6{};
    a6.sin6_family = AF_INET6;
    a6.sin6_port = htons(port);
    inet_pton(AF_INET6, host.toLatin1().constData(), &a6.sin6_addr);
    bool ok = v6 ? ::connect(fd, reinterpret_cast<sockaddr*>(&a6), sizeof a6) == 0
                 : ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (ok) {
        pollfd p{fd, POLLIN, 0};
        char greeting[256];
        ok = ::poll(&p, 1, 2000) > 0 && ::recv(fd, greeting, sizeof greeting, 0) > 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

// pyftpdlib with one named login whose session starts in its home folder
// while the whole tree stays visible. Arguments: port root user password home.
const char* const kLoginFolderServer = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
port, root, user, password, home = sys.argv[1:6]
class LoginFolderFS(AbstractedFS):
    def __init__(self, home_dir, cmd_channel):
        super().__init__(root, cmd_channel)
        self.cwd = self.fs2ftp(home_dir)
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, home, perm="elr")
authorizer.add_anonymous(root)
FTPHandler.authorizer = authorizer
FTPHandler.abstracted_fs = LoginFolderFS
FTPServer(("127.0.0.1", int(port)), FTPHandler).serve_forever()
)";

PyFtpServer::PyFtpServer(const QString& root) : PyFtpServer(root, {}, {}, {})
{
}

PyFtpServer::PyFtpServer(const QString& root, const QString& host) : m_host(host)
{
    for (int attempt = 0; attempt < 3 && !m_running; ++attempt) {
        m_port = FreeLoopbackPort();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(kPython, {"-m", "pyftpdlib", "-i", host, "-p", QString::number(m_port), "-d", root});
        if (!m_process.waitForStarted(5000))
            continue;
        m_running = WaitUntilAccepting(10000);
        if (!m_running) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

PyFtpServer::PyFtpServer(const QString& root, const QString& user, const QString& password, const QString& home)
{
    // A port that was free a moment ago may be taken by the time the server
    // binds; a second try with another port covers that race.
    for (int attempt = 0; attempt < 3 && !m_running; ++attempt) {
        m_port = FreeLoopbackPort();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        if (user.isEmpty())
            m_process.start(kPython, {"-m", "pyftpdlib", "-i", "127.0.0.1", "-p", QString::number(m_port), "-d", root});
        else
            m_process.start(kPython, {"-c", kLoginFolderServer, QString::number(m_port), root, user, password, home});
        if (!m_process.waitForStarted(5000))
            continue;
        m_running = WaitUntilAccepting(10000);
        if (!m_running) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

PyFtpServer::~PyFtpServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString PyFtpServer::output()
{
    return QString::fromLocal8Bit(m_process.readAll());
}

bool PyFtpServer::WaitUntilAccepting(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        if (m_process.state() == QProcess::NotRunning)
            return false;
        if (Greets(m_host, m_port))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace flk::test
