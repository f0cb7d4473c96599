#pragma once
// A window that other processes find by its caption (FindWindow) and send
// messages to (SendMessage across processes, WM_COPYDATA).
//
// The receiving side listens on a Unix-domain socket named after its caption
// in a per-user folder ($XDG_RUNTIME_DIR/fetchlark, else /tmp/fetchlark-UID,
// mode 0700); a connection from another user is dropped before anything is
// read. One message is one connection: a frame (message number, wParam,
// lParam, data bytes) answered by the handler's result. The handler runs on
// the GUI thread from the event loop, which may be a nested one.

#include "Messages.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace flk {

class Endpoint : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam, const QByteArray& data)>;

    // Larger data frames are refused (the connection is dropped).
    static constexpr quint32 kMaxData = 1u << 20;

    explicit Endpoint(Handler handler, QObject* parent = nullptr);
    ~Endpoint() override;

    // Registers under `caption`; the previous caption stops answering. False
    // when a live window of this user already answers to `caption` or the
    // socket cannot be made; the endpoint then answers to no name.
    bool setName(const QString& caption);
    QString name() const { return m_name; }

    // Sends one message to the window captioned `caption` and waits for its
    // result, as SendMessage does (on the GUI thread the event loop keeps
    // running meanwhile). False when no window has that caption or the
    // window went away before answering.
    static bool Send(const QString& caption, UINT msg, WPARAM wParam, LPARAM lParam, const QByteArray& data,
                     LRESULT* result);
    // FindWindow: a window of this user answers to `caption`.
    static bool Exists(const QString& caption);

    // The per-user folder of the sockets (created when missing); empty when
    // it cannot be made safe (not ours, not a folder).
    static QString Directory();
    // The socket path for a caption.
    static QString PathFor(const QString& caption);

private:
    void acceptConnections();
    void readFrame(QLocalSocket* socket);

    Handler m_handler;
    QLocalServer* m_server = nullptr;
    QString m_name;
};

} // namespace flk
