#include "Endpoint.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace flk {
namespace {

// Frame header, native byte order: both ends run on this machine.
struct FrameHeader {
    quint32 msg;
    quint32 dataLength;
    quint64 wParam;
    qint64 lParam;
};
static_assert(sizeof(FrameHeader) == 24);

const char* const kFrameSize = "flkFrameNeeded";

bool PeerIsSameUser(int fd)
{
    ucred cred{};
    socklen_t len = sizeof(cred);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    return cred.uid == geteuid();
}

QString EscapeCaption(const QString& caption)
{
    QString s = caption;
    s.replace('%', "%25");
    s.replace('/', "%2F");
    return s;
}

bool OnGuiThread()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Waits until `fd` is ready for `events`. On the GUI thread the event loop
// runs meanwhile, so a window in this very process can answer.
bool WaitReady(int fd, short events)
{
    if (OnGuiThread()) {
        QSocketNotifier notifier(fd, events == POLLIN ? QSocketNotifier::Read : QSocketNotifier::Write);
        bool ready = false;
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            ready = true;
            notifier.setEnabled(false);
        });
        PumpUntil([&] { return ready; });
        return true;
    }
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = poll(&p, 1, -1);
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitReady(fd, POLLOUT))
                return false;
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

bool ReceiveAll(int fd, char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = recv(fd, data, size, 0);
        if (n > 0) {
            data += n;
            size -= size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitReady(fd, POLLIN))
                return false;
        } else if (!(n < 0 && errno == EINTR)) {
            return false; // closed before answering
        }
    }
    return true;
}

// A connected, non-blocking socket to the window captioned `caption`, or -1.
int Connect(const QString& caption)
{
    const QByteArray path = QFile::encodeName(Endpoint::PathFor(caption));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof(addr.sun_path))
        return -1;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int rc;
    do
        rc = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    while (rc != 0 && errno == EINTR);
    if (rc != 0 || !PeerIsSameUser(fd)) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

} // namespace

Endpoint::Endpoint(Handler handler, QObject* parent) : QObject(parent), m_handler(std::move(handler)) {}

Endpoint::~Endpoint()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QString Endpoint::Directory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString dir;
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        dir = runtime + "/fetchlark";
    else
        dir = QStringLiteral("/tmp/fetchlark-%1").arg(geteuid());
    const QByteArray native = QFile::encodeName(dir);
    if (mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st{};
    if (lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return {};
    if ((st.st_mode & 0777) != 0700 && chmod(native.constData(), 0700) != 0)
        return {};
    return dir;
}

QString Endpoint::PathFor(const QString& caption)
{
    const QString dir = Directory();
    return dir.isEmpty() ? QString() : dir + '/' + EscapeCaption(caption);
}

bool Endpoint::setName(const QString& caption)
{
    if (m_server && m_name == caption)
        return true;
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
        m_name.clear();
    }
    const QString path = PathFor(caption);
    if (path.isEmpty() || Exists(caption))
        return false;
    QLocalServer::removeServer(path); // a stale socket left by a crash
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        delete server;
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, &Endpoint::acceptConnections);
    m_server = server;
    m_name = caption;
    return true;
}

void Endpoint::acceptConnections()
{
    QLocalServer* server = m_server;
    while (server && server->hasPendingConnections()) {
        QLocalSocket* socket = server->nextPendingConnection();
        if (!PeerIsSameUser(int(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrame(socket); });
        if (socket->bytesAvailable() > 0)
            readFrame(socket);
    }
}

void Endpoint::readFrame(QLocalSocket* socket)
{
    if (socket->property(kFrameSize).toBool())
        return; // this connection's one message is being handled
    if (socket->bytesAvailable() < qint64(sizeof(FrameHeader)))
        return;
    FrameHeader header{};
    socket->peek(reinterpret_cast<char*>(&header), sizeof(header));
    if (header.dataLength > kMaxData) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(sizeof(header) + header.dataLength))
        return;
    socket->read(reinterpret_cast<char*>(&header), sizeof(header));
    const QByteArray data = socket->read(header.dataLength);
    socket->setProperty(kFrameSize, true);

    // The handler may run a nested event loop; the socket may go meanwhile.
    QPointer<QLocalSocket> guard(socket);
    const qint64 result = m_handler ? m_handler(header.msg, header.wParam, header.lParam, data) : 0;
    if (!guard)
        return;
    guard->write(reinterpret_cast<const char*>(&result), sizeof(result));
    guard->disconnectFromServer();
}

bool Endpoint::Send(const QString& caption, UINT msg, WPARAM wParam, LPARAM lParam, const QByteArray& data,
                    LRESULT* result)
{
    if (quint32(data.size()) > kMaxData)
        return false;
    const int fd = Connect(caption);
    if (fd < 0)
        return false;
    FrameHeader header{msg, quint32(data.size()), quint64(wParam), qint64(lParam)};
    QByteArray frame(reinterpret_cast<const char*>(&header), sizeof(header));
    frame += data;
    qint64 answer = 0;
    const bool ok = SendAll(fd, frame.constData(), size_t(frame.size()))
                    && ReceiveAll(fd, reinterpret_cast<char*>(&answer), sizeof(answer));
    close(fd);
    if (ok && result)
        *result = LRESULT(answer);
    return ok;
}

bool Endpoint::Exists(const QString& caption)
{
    const int fd = Connect(caption);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

} // namespace flk
