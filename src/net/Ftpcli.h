#pragma once
// TFtpClient: an FTP client over two asynchronous sockets, one for the
// control connection and one for the data connection.
//
// Every request is started without waiting (its end is announced by
// OnRequestDone, posted through the client's hidden window) or run by a
// ...Sync call that pumps messages until the client is ready again, giving
// up after Timeout seconds without progress ("426 Timeout").
//
// Compound requests chain steps and stop at the first failure; the steps
// always run in this order: open, USER, PASS (skipped when USER was
// answered with anything but 331), CWD (only with a HostDirName), TYPE,
// data-connection set-up (PASV, or Listen and PORT), REST, RETR, QUIT.
//
// What the client shows through OnDisplay: "> " + each command sent,
// "< " + each reply line, "! " + its own notes.
//
// A download into a local file moves the data connection's bytes into the
// file inside the kernel, up to 256 KiB a round, with one OnProgress per
// round; with DisplayFileFlag (or no file) it reads 2048-byte blocks.
//
// Failures end the request with an error code: the server's reply code, or
// 500 (host lookup, connection, reply line too long, connection lost), 550
// (local file, data connection) or 426 (time-out, abort). ErrorMessage then
// holds the reply line or the local text. Starting a request in the wrong
// state throws FtpException ("FTP component not ready", "FTP component not
// connected", "FTP component already connected").

#include "FtpLocalFile.h"
#include "Messages.h"
#include "ReadThrottle.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include "Exception.h"
#include <vector>

namespace flk {

class TRateLimit;
class TWSocket;

class FtpException : public Exception {
public:
    using Exception::Exception;
};

enum TFtpState {
    ftpNotConnected,
    ftpReady,
    ftpInternalReady, // between the steps of a compound request
    ftpDnsLookup,
    ftpConnected,
    ftpAbort,
    ftpWaitingBanner,
    ftpWaitingResponse
};

enum TFtpRequest {
    ftpNone,
    ftpCwdAsync,
    ftpTypeSetAsync,
    ftpQuitAsync,
    ftpConnectAsync, // open, USER, PASS
    ftpGetAsync,     // data connection, RETR
    ftpRestGetAsync, // data connection, REST, RETR
    ftpTransferAsync, // open, USER, PASS, CWD, TYPE, data connection, REST, RETR, QUIT
    ftpSizeAsync      // SIZE of HostFileName (the answer is in LastReply)
};

class TFtpClient;
using TFtpDisplay = std::function<void(TFtpClient* Sender, QString& Msg)>;
using TFtpCommand = std::function<void(TFtpClient* Sender, QString& Cmd)>;
using TFtpNotify = std::function<void(TFtpClient* Sender)>;
using TFtpProgress = std::function<void(TFtpClient* Sender, qint64 Count, bool& Abort)>;
using TFtpSessionEvent = std::function<void(TFtpClient* Sender, quint16 Error)>;
using TFtpRequestDone = std::function<void(TFtpClient* Sender, TFtpRequest RqType, quint16 Error)>;

class TFtpClient : public HiddenWindow {
    Q_OBJECT
public:
    explicit TFtpClient(QObject* owner = nullptr);
    ~TFtpClient() override;

    // --- settings ---
    int Timeout = 15;           // seconds a synchronous call may wait; 0 = none
    bool MultiThreaded = false; // both choices pump the GUI thread's events here
    QString HostName;
    QString Port = "ftp";
    QString UserName;
    QString PassWord;
    QString HostDirName;
    QString HostFileName;
    QString LocalFileName;
    bool DisplayFlag = false;
    bool DisplayFileFlag = false; // received lines go to OnDisplayFile, no local file needed
    bool Binary = true;           // TYPE I, else TYPE A
    bool PassiveMode = false;
    TFtpShareMode ShareMode = ftpShareExclusive;
    // Not owned: a download's data is read no faster than it allows (nullptr: no limit).
    TRateLimit* RateLimit = nullptr;

    // --- run-time state ---
    QString ErrorMessage() const { return m_errorMessage; }
    QString LastReply() const { return m_lastReply; }
    int ReplyCode() const { return m_replyCode; }
    TFtpState State() const { return m_state; }
    TFtpRequest RequestType() const { return m_requestType; }
    bool Connected() const { return m_connected; }
    qint64 RestartOffset() const { return m_restartOffset; }
    qint64 ByteCount() const { return m_byteCount; }
    // The error code of the last finished request (0 = success).
    quint16 RequestResult() const { return m_requestResult; }

    // --- events ---
    TFtpDisplay OnDisplay;
    TFtpDisplay OnDisplayFile;
    TFtpCommand OnCommand;
    TFtpNotify OnResponse;     // each reply line; LastReply holds it
    TFtpProgress OnProgress;   // bytes of the file so far (restart offset included)
    TFtpSessionEvent OnSessionConnected;
    TFtpSessionEvent OnSessionClosed;
    TFtpRequestDone OnRequestDone;
    TFtpNotify OnStateChange;

    // --- requests without waiting; each throws FtpException when it cannot start ---
    void ConnectAsync();
    void CwdAsync();
    void TypeSetAsync();
    void GetAsync();
    void RestGetAsync();
    void QuitAsync();
    // "SIZE " + HostFileName: the whole file's size, asked before a REST so
    // a download can be judged against it. Ends with 213 or the refusal.
    void SizeAsync();
    // A whole download in one request: connect, log in, change to
    // HostDirName (when given), set the type, continue a partial local file,
    // retrieve and quit (QUIT is sent after a failure too).
    void TransferAsync();

    // --- synchronous requests: true when the request ended without error ---
    bool ConnectSync();
    bool CwdSync();
    bool TypeSetSync();
    bool GetSync();
    bool RestGetSync();
    bool QuitSync();
    bool TransferSync();
    // Closes both connections and the local file at once; the client is
    // ready afterwards. A request that was running ends with 426.
    bool AbortSync();

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual void TriggerDisplay(const QString& msg);
    virtual void TriggerDisplayFile(const QString& line);
    virtual void TriggerCommand(QString& cmd);
    virtual void TriggerResponse();
    virtual bool TriggerProgress(qint64 count); // true when the handler asks to abort
    virtual void TriggerSessionConnected(quint16 error);
    virtual void TriggerSessionClosed(quint16 error);
    virtual void TriggerRequestDone(TFtpRequest rqType, quint16 error);
    virtual void TriggerStateChange();

private:
    enum Step : unsigned {
        stepOpen = 1u << 0,
        stepUser = 1u << 1,
        stepPass = 1u << 2,
        stepCwd = 1u << 3,
        stepType = 1u << 4,
        stepPort = 1u << 5, // data-connection set-up
        stepRest = 1u << 6,
        stepRetr = 1u << 7,
        stepQuit = 1u << 8,
    };
    // Who reads the next reply line.
    enum class ReplyHandler { None, Generic, RetrFirst, RetrFinal };
    // What runs after a reply the generic check accepted or refused.
    // PasvOnRefusal: an EPSV the server does not know is followed by PASV.
    enum class Continuation { None, CloseControl, PasvOnRefusal };

    // request start
    void CheckReady() const;
    void StartCompound(TFtpRequest rq, unsigned steps);
    void StartSingle(TFtpRequest rq, const QString& cmd, std::vector<int> okCodes,
                     Continuation next = Continuation::None);
    bool WaitUntilReady();
    template <typename F> bool RunSync(F start);

    // stepper
    void NextStep();
    void RunStep(Step step);
    void StepOpen();
    void StepPort();
    void StepRest();
    void StepRetr();
    void Done(quint16 error);
    void Finish(quint16 error);
    void FailStep(const QString& reply, int code, quint16 error);

    // control connection
    void ExecCommand(const QString& cmd, std::vector<int> okCodes, Continuation next = Continuation::None);
    void SendCommand(QString cmd);
    void ControlDnsLookupDone(quint16 error);
    void ControlSessionConnected(quint16 error);
    void ControlDataAvailable();
    void ControlSessionClosed(quint16 error);
    void HandleLine(const QString& line);
    void GreetingLine(const QString& line);
    void GenericReply(const QString& line);
    void RetrFirstReply(const QString& line);
    void RetrFinalReply(const QString& line);
    void CloseControlAfter(const QString& reply, quint16 error);

    // data connection
    void ClearDataHandlers();
    void AssignDataHandlers();
    void CloseData();
    void SendRetr();
    void DataSessionAvailable(quint16 error);
    void DataSessionConnected(quint16 error);
    void DataAvailable();
    void DataSessionClosed(quint16 error);
    void LocalWriteFailed();
    void DisplayFileLines(const char* data, int len);
    bool CloseLocalFile();
    void CompletionCheck();

    void SetState(TFtpState state);
    QString SocketErrorReply(int code) const;

    std::unique_ptr<TWSocket> m_control;
    std::unique_ptr<TWSocket> m_data;
    TReadThrottle m_throttle;
    TFtpLocalFile m_localFile;
    QTimer m_waitTimer; // wakes the synchronous wait at its deadline

    TFtpState m_state = ftpReady;
    TFtpRequest m_requestType = ftpNone;
    bool m_connected = false;
    QString m_errorMessage;
    QString m_lastReply;
    int m_replyCode = 0;
    quint16 m_requestResult = 0;

    // compound request
    bool m_compound = false;
    unsigned m_steps = 0;
    Step m_lastStep = stepOpen;
    Step m_prevStep = stepOpen;
    bool m_stepRunning = false;
    quint16 m_failCode = 0;
    Step m_failedStep = stepOpen;
    bool m_haveSavedReply = false;
    QString m_savedReply;
    int m_savedReplyCode = 0;
    bool m_doneLatch = true; // set once the running step has reported

    // the running command
    std::vector<int> m_okCodes;
    ReplyHandler m_handler = ReplyHandler::None;
    Continuation m_next = Continuation::None;
    bool m_closeExpected = false; // we close the control connection ourselves
    quint16 m_closeResult = 0;    // the step's result when it does

    // control input
    static constexpr int kControlBufferSize = 4096;
    char m_rcvBuf[kControlBufferSize];
    int m_rcvCount = 0;

    // data transfer
    QString m_pasvReply; // the 227 (PASV) or 229 (EPSV) reply
    QString m_dataCommand;
    qint64 m_restartOffset = 0;
    bool m_restAccepted = false; // the REST step was answered 350
    qint64 m_byteCount = 0;
    bool m_finalReply = false;
    bool m_dataClosed = false;
    quint16 m_dataCloseCode = 0;
    bool m_writeFailed = false;
    bool m_abortRequested = false; // OnProgress asked to stop
    QElapsedTimer m_transferClock;
    QByteArray m_fileLine; // partial line for OnDisplayFile
    QElapsedTimer m_progressClock; // last progress, for the synchronous wait
    qint64 m_lastProgressMs = -1;
};

} // namespace flk
