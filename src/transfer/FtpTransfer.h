#pragma once
// TFtpTransfer: one file over FTP. Log in, change to the file's folder, binary
// type, ask the whole file's SIZE, then continue a partial local file (REST)
// or fetch it whole, and check the end: a good final reply and a file whose
// size is the whole the server named.
//
//   Connect -> Cwd* -> Type -> Size -> Decide -> [ReDownloadAnswered]
//     -> Retr -> RetrComplete -> [RestartAnswered: Connect again without REST]
//     -> Quit -> QuitComplete -> Done
//
// Each state is one method; DoLoop runs them until one starts a request on
// the client (or asks a question). The client's OnRequestDone is posted
// after its socket events and drives the loop on. A watchdog gives up on a
// server that stays silent for Timeout seconds.

#include "Ftpcli.h"
#include "ProxyRules.h"
#include "TransferJob.h"
#include "Url.h"

#include <QTimer>

namespace flk {

class TFtpTransfer : public TTransferJob {
    Q_OBJECT
public:
    enum class State {
        Idle,
        Connect,
        ConnectComplete,
        Cwd,
        CwdComplete,
        Type,
        TypeComplete,
        Size,
        SizeComplete,
        Decide,
        ReDownloadAnswered,
        Retr,
        RetrComplete,
        RestartAnswered,
        Quit,
        QuitComplete,
        Done
    };

    // Design-time settings of the download's client.
    static const QString kPort;     // "21"
    static const QString kUserName; // "anonymous"
    static const QString kPassWord; // an e-mail-style address

    // `urlBase` is the address without its file name, `remoteFileName` the
    // name as the address spells it (percent-escaped); `resumeAllowed`
    // continues a partial local file.
    TFtpTransfer(const QString& urlBase, const QString& remoteFileName, const QString& localPath, bool resumeAllowed,
                 TTransferObserver* observer, QObject* parent = nullptr);
    ~TFtpTransfer() override;

    void Start() override;
    void Abort() override;
    void Answer(bool yes) override;

    // Seconds the server may stay silent before the transfer gives up.
    int Timeout = 30;
    TFtpClient& Client() { return m_client; }
    // The proxy settings, before Start. FTP does not go through a proxy:
    // an address they send to one fails with a clear message rather than
    // going around the proxy the user named.
    void SetProxyRules(const TProxyRules& rules);
    State CurrentState() const { return m_state; }

private:
    enum class Step { Next, Pending };

    void DoLoop();
    Step DoConnect();
    Step DoConnectComplete();
    Step DoCwd();
    Step DoCwdComplete();
    Step DoType();
    Step DoTypeComplete();
    Step DoSize();
    Step DoSizeComplete();
    Step DoDecide();
    Step DoReDownloadAnswered();
    Step DoRetr();
    Step DoRetrComplete();
    Step DoRestartAnswered();
    Step DoQuit();
    Step DoQuitComplete();

    Step Request(void (TFtpClient::*start)(), State complete);
    Step Fail(const QString& logLine);
    Step ProxyRefused();
    Step FailReply();
    Step End(TTransferEnd end);
    TTransferEnd Verify(qint64 size) const;
    void Display(const QString& line);
    void ProgressCount(qint64 count);
    void Heard();
    void TimedOut();
    qint64 LocalSize() const;
    void RemoveIfEmptyAndNew();

    TFtpClient m_client;
    TFtpTarget m_address;
    TProxy m_proxy;        // the proxy the settings name for the address; direct when none
    QStringList m_folders; // the CWD steps
    int m_folder = 0;
    QString m_localPath;
    bool m_resume;
    State m_state = State::Idle;
    State m_next = State::Idle;
    quint16 m_error = 0;     // the last request's result
    bool m_yes = false;      // the answer to the pending question
    bool m_aborted = false;
    bool m_existed = false;  // the local file was there before the transfer
    bool m_sizeAsked = false;
    qint64 m_size = -1;      // SIZE's answer
    qint64 m_announced = -1; // the 150 reply's byte count
    qint64 m_restFrom = 0;   // bytes on disk the RETR continues from
    qint64 m_lastCount = 0;
    bool m_sized = false;    // TransferSized went out for this RETR
    TTransferEnd m_end;      // delivered after QUIT
    QTimer m_watchdog;
};

} // namespace flk
