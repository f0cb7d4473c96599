#include "Ftpcli.h"

#include "FtpReply.h"
#include "RateLimit.h"
#include "WSocket.h"

#include <QCoreApplication>
#include <QPointer>
#include <arpa/inet.h>
#include <cstring>

namespace flk {
namespace {

// The hidden window's message that fires OnRequestDone after a request has
// ended: wParam the request kind, lParam the error code.
constexpr UINT WM_FTP_REQUEST_DONE = WM_USER + 1;
constexpr int kDataBlock = 2048;
// A download into a file moves up to this much per round, socket to file.
constexpr qint64 kFileMoveSize = 256 << 10;
constexpr quint16 kLocalFailure = 550;
constexpr quint16 kConnectionFailure = 500;
constexpr quint16 kTimeout = 426;

// Steps in the order the stepper takes them.
constexpr unsigned kStepOrder[] = {1u << 0, 1u << 1, 1u << 2, 1u << 3, 1u << 4, 1u << 5, 1u << 6, 1u << 7, 1u << 8};

bool Accepts(const std::vector<int>& codes, int code)
{
    if (codes.empty())
        return code < 500;
    for (int c : codes)
        if (c == code)
            return true;
    return false;
}

} // namespace

TFtpClient::TFtpClient(QObject* owner)
    : HiddenWindow(owner), m_control(std::make_unique<TWSocket>()), m_data(std::make_unique<TWSocket>())
{
    m_control->OnDnsLookupDone = [this](TWSocket*, quint16 e) { ControlDnsLookupDone(e); };
    m_control->OnSessionConnected = [this](TWSocket*, quint16 e) { ControlSessionConnected(e); };
    m_control->OnDataAvailable = [this](TWSocket*, quint16) { ControlDataAvailable(); };
    m_control->OnSessionClosed = [this](TWSocket*, quint16 e) { ControlSessionClosed(e); };
    m_waitTimer.setSingleShot(true);
    m_progressClock.start();
}

TFtpClient::~TFtpClient()
{
    ClearDataHandlers();
    m_control->OnSessionClosed = nullptr;
    m_control->OnDnsLookupDone = nullptr;
    m_localFile.Close();
}

// ---------------------------------------------------------------- events

void TFtpClient::TriggerDisplay(const QString& msg)
{
    if (OnDisplay) {
        QString m = msg;
        OnDisplay(this, m);
    }
}

void TFtpClient::TriggerDisplayFile(const QString& line)
{
    if (OnDisplayFile) {
        QString m = line;
        OnDisplayFile(this, m);
    }
}

void TFtpClient::TriggerCommand(QString& cmd)
{
    if (OnCommand)
        OnCommand(this, cmd);
}

void TFtpClient::TriggerResponse()
{
    if (OnResponse)
        OnResponse(this);
}

bool TFtpClient::TriggerProgress(qint64 count)
{
    // Progress keeps a synchronous call alive.
    m_lastProgressMs = m_progressClock.elapsed();
    bool abort = false;
    if (OnProgress)
        OnProgress(this, count, abort);
    return abort;
}

void TFtpClient::TriggerSessionConnected(quint16 error)
{
    if (OnSessionConnected)
        OnSessionConnected(this, error);
}

void TFtpClient::TriggerSessionClosed(quint16 error)
{
    if (OnSessionClosed)
        OnSessionClosed(this, error);
}

void TFtpClient::TriggerRequestDone(TFtpRequest rqType, quint16 error)
{
    if (OnRequestDone)
        OnRequestDone(this, rqType, error);
}

void TFtpClient::TriggerStateChange()
{
    if (OnStateChange)
        OnStateChange(this);
}

LRESULT TFtpClient::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_FTP_REQUEST_DONE) {
        TriggerRequestDone(TFtpRequest(wParam), quint16(lParam));
        return 0;
    }
    return HiddenWindow::WndProc(msg, wParam, lParam);
}

void TFtpClient::SetState(TFtpState state)
{
    if (m_state == state)
        return;
    m_state = state;
    TriggerStateChange();
}

QString TFtpClient::SocketErrorReply(int code) const
{
    return "500 " + WSocketErrorText(code) + " (Winsock error #" + QString::number(code) + ")";
}

// ---------------------------------------------------------- request start

void TFtpClient::CheckReady() const
{
    if (m_state != ftpReady && m_state != ftpInternalReady)
        throw FtpException("FTP component not ready");
}

void TFtpClient::StartCompound(TFtpRequest rq, unsigned steps)
{
    if ((steps & stepOpen) && m_connected)
        throw FtpException("FTP component already connected");
    CheckReady();
    if (!(steps & stepOpen) && !m_connected)
        throw FtpException("FTP component not connected");
    m_haveSavedReply = false;
    m_requestType = rq;
    m_requestResult = 0;
    m_failCode = 0;
    m_lastReply.clear();
    m_errorMessage.clear();
    m_compound = true;
    m_steps = steps;
    m_stepRunning = false;
    NextStep();
}

void TFtpClient::StartSingle(TFtpRequest rq, const QString& cmd, std::vector<int> okCodes, Continuation next)
{
    CheckReady();
    if (!m_connected)
        throw FtpException("FTP component not connected");
    m_requestType = rq;
    m_requestResult = 0;
    m_errorMessage.clear();
    ExecCommand(cmd, std::move(okCodes), next);
}

void TFtpClient::ConnectAsync()
{
    StartCompound(ftpConnectAsync, stepOpen | stepUser | stepPass);
}

void TFtpClient::GetAsync()
{
    StartCompound(ftpGetAsync, stepPort | stepRetr);
}

void TFtpClient::RestGetAsync()
{
    StartCompound(ftpRestGetAsync, stepPort | stepRest | stepRetr);
}

void TFtpClient::TransferAsync()
{
    StartCompound(ftpTransferAsync,
                  stepOpen | stepUser | stepPass | stepCwd | stepType | stepPort | stepRest | stepRetr | stepQuit);
}

void TFtpClient::CwdAsync()
{
    if (HostDirName.isEmpty())
        throw FtpException("HostDirName emtpy");
    StartSingle(ftpCwdAsync, "CWD " + HostDirName, {200, 250, 257});
}

void TFtpClient::TypeSetAsync()
{
    StartSingle(ftpTypeSetAsync, QString("TYPE ") + (Binary ? "I" : "A"), {200});
}

void TFtpClient::SizeAsync()
{
    StartSingle(ftpSizeAsync, "SIZE " + HostFileName, {213});
}

void TFtpClient::QuitAsync()
{
    StartSingle(ftpQuitAsync, "QUIT", {221}, Continuation::CloseControl);
}

// -------------------------------------------------------- synchronous calls

template <typename F> bool TFtpClient::RunSync(F start)
{
    try {
        start();
    } catch (const FtpException& e) {
        m_errorMessage = e.Message();
        return false;
    }
    return WaitUntilReady();
}

bool TFtpClient::ConnectSync() { return RunSync([this] { ConnectAsync(); }); }
bool TFtpClient::CwdSync() { return RunSync([this] { CwdAsync(); }); }
bool TFtpClient::TypeSetSync() { return RunSync([this] { TypeSetAsync(); }); }
bool TFtpClient::GetSync() { return RunSync([this] { GetAsync(); }); }
bool TFtpClient::RestGetSync() { return RunSync([this] { RestGetAsync(); }); }
bool TFtpClient::QuitSync() { return RunSync([this] { QuitAsync(); }); }
bool TFtpClient::TransferSync() { return RunSync([this] { TransferAsync(); }); }

bool TFtpClient::WaitUntilReady()
{
    const qint64 started = m_progressClock.elapsed();
    // The owner may be destroyed while messages run: then not one more
    // member access.
    const QPointer<TFtpClient> self(this);
    while (m_state != ftpReady) {
        const qint64 now = m_progressClock.elapsed();
        const qint64 deadline = qMax(started, m_lastProgressMs) + qint64(Timeout) * 1000;
        if (QCoreApplication::closingDown() || (Timeout > 0 && now >= deadline)) {
            AbortSync();
            m_errorMessage = "426 Timeout";
            m_requestResult = kTimeout;
            return false;
        }
        if (Timeout > 0 && !m_waitTimer.isActive())
            m_waitTimer.start(int(qMin<qint64>(deadline - now + 1, 60000)));
        PumpOnce();
        if (!self)
            return false;
    }
    m_waitTimer.stop();
    return m_requestResult == 0;
}

bool TFtpClient::AbortSync()
{
    const bool running = !m_doneLatch;
    SetState(ftpAbort);
    m_control->CancelDnsLookup();
    ClearDataHandlers();
    if (m_control->State() != wsClosed)
        m_control->Close();
    if (m_data->State() != wsClosed)
        m_data->Close();
    m_localFile.Close();
    m_connected = false;
    m_compound = false;
    m_steps = 0;
    m_doneLatch = true;
    m_handler = ReplyHandler::None;
    m_rcvCount = 0;
    if (running) {
        // The interrupted request must not look like a success.
        m_requestResult = kTimeout;
        m_errorMessage = "426 Aborted";
    }
    SetState(ftpReady);
    return true;
}

// ------------------------------------------------------------------ stepper

void TFtpClient::NextStep()
{
    if (m_failCode != 0) {
        const bool keepQuit = (m_steps & stepQuit) && m_failedStep != stepQuit;
        m_steps = keepQuit ? unsigned(stepQuit) : 0u;
    }
    for (unsigned bit : kStepOrder) {
        if (!(m_steps & bit))
            continue;
        m_steps &= ~bit;
        const Step step = Step(bit);
        if (step == stepPass && m_lastStep == stepUser && m_replyCode != 331)
            continue;
        if (step == stepCwd && HostDirName.isEmpty())
            continue;
        RunStep(step);
        return;
    }
    Finish(m_failCode);
}

void TFtpClient::RunStep(Step step)
{
    m_prevStep = m_lastStep;
    m_lastStep = step;
    m_doneLatch = false;
    try {
        switch (step) {
        case stepOpen:
            StepOpen();
            break;
        case stepUser:
            if (UserName.isEmpty())
                throw FtpException("UserName emtpy");
            ExecCommand("USER " + UserName, {331, 230});
            break;
        case stepPass:
            if (PassWord.isEmpty())
                throw FtpException("Password emtpy");
            ExecCommand("PASS " + PassWord, {230});
            break;
        case stepCwd:
            ExecCommand("CWD " + HostDirName, {200, 250, 257});
            break;
        case stepType:
            ExecCommand(QString("TYPE ") + (Binary ? "I" : "A"), {200});
            break;
        case stepPort:
            StepPort();
            break;
        case stepRest:
            StepRest();
            break;
        case stepRetr:
            StepRetr();
            break;
        case stepQuit:
            m_haveSavedReply = true;
            m_savedReply = m_lastReply;
            m_savedReplyCode = m_replyCode;
            ExecCommand("QUIT", {221}, Continuation::CloseControl);
            break;
        }
    } catch (const std::exception& e) {
        // A step that cannot start fails the request instead of leaving it
        // hanging between steps.
        FailStep(ExceptionMessage(e), kConnectionFailure, kConnectionFailure);
    }
}

void TFtpClient::FailStep(const QString& reply, int code, quint16 error)
{
    m_lastReply = reply;
    m_replyCode = code;
    if (m_errorMessage.isEmpty())
        m_errorMessage = reply;
    Done(error);
}

void TFtpClient::Done(quint16 error)
{
    if (m_doneLatch)
        return;
    m_doneLatch = true;
    if (m_compound && m_state != ftpAbort) {
        if (error != 0 && m_failCode == 0) {
            m_failCode = error;
            m_failedStep = m_lastStep;
            if (m_errorMessage.isEmpty())
                m_errorMessage = m_lastReply;
        }
        SetState(ftpInternalReady);
        NextStep();
        return;
    }
    Finish(error);
}

void TFtpClient::Finish(quint16 error)
{
    m_doneLatch = true;
    SetState(ftpReady);
    ClearDataHandlers();
    if (m_data->State() != wsClosed)
        m_data->Close();
    m_localFile.Close();
    if (m_compound && m_haveSavedReply) {
        m_lastReply = m_savedReply;
        m_replyCode = m_savedReplyCode;
    }
    m_compound = false;
    m_haveSavedReply = false;
    m_requestResult = error;
    if (error != 0 && m_errorMessage.isEmpty())
        m_errorMessage = m_lastReply;
    PostMessage(handle(), WM_FTP_REQUEST_DONE, WPARAM(m_requestType), LPARAM(error));
}

void TFtpClient::StepOpen()
{
    if (m_connected)
        throw FtpException("FTP component already connected");
    SetState(ftpDnsLookup);
    m_rcvCount = 0;
    m_closeExpected = false;
    try {
        m_control->DnsLookup(HostName);
    } catch (const ESocketException& e) {
        const int code = m_control->LastError();
        FailStep("500 " + e.Message(), 500, quint16(code ? code : kConnectionFailure));
    }
}

void TFtpClient::ControlDnsLookupDone(quint16 error)
{
    if (m_state != ftpDnsLookup)
        return;
    if (error != 0) {
        FailStep(SocketErrorReply(error), 500, error);
        return;
    }
    try {
        m_control->SetAddr(m_control->DnsResult());
        m_control->SetProto("tcp");
        m_control->SetPort(Port);
        SetState(ftpWaitingBanner);
        m_control->Connect();
    } catch (const ESocketException& e) {
        const int code = m_control->LastError();
        m_replyCode = 500;
        CloseControlAfter("500 " + e.Message(), quint16(code ? code : kConnectionFailure));
    }
}

void TFtpClient::ControlSessionConnected(quint16 error)
{
    if (m_state != ftpWaitingBanner)
        return;
    if (error != 0) {
        FailStep(SocketErrorReply(error) + m_control->ConnectTriedText(), 500, error);
        return;
    }
    m_connected = true;
}

// ----------------------------------------------------- control connection

void TFtpClient::ExecCommand(const QString& cmd, std::vector<int> okCodes, Continuation next)
{
    CheckReady();
    if (!m_connected)
        throw FtpException("FTP component not connected");
    m_okCodes = std::move(okCodes);
    m_next = next;
    m_doneLatch = false;
    m_handler = ReplyHandler::Generic;
    SetState(ftpWaitingResponse);
    SendCommand(cmd);
}

void TFtpClient::SendCommand(QString cmd)
{
    TriggerCommand(cmd);
    TriggerDisplay("> " + cmd);
    if (m_control->State() == wsConnected)
        m_control->SendText((cmd + "\r\n").toUtf8());
}

void TFtpClient::ControlDataAvailable()
{
    const int room = kControlBufferSize - m_rcvCount;
    if (room > 0) {
        const int n = m_control->Receive(m_rcvBuf + m_rcvCount, room);
        if (n <= 0)
            return;
        m_rcvCount += n;
    }
    int start = 0;
    for (int i = 0; i < m_rcvCount; ++i) {
        if (m_rcvBuf[i] != '\n')
            continue;
        int end = i;
        if (end > start && m_rcvBuf[end - 1] == '\r')
            --end;
        const QString line = QString::fromUtf8(m_rcvBuf + start, end - start);
        start = i + 1;
        const int before = m_rcvCount;
        HandleLine(line);
        if (m_rcvCount != before) // an abort emptied the buffer
            return;
    }
    if (start > 0) {
        std::memmove(m_rcvBuf, m_rcvBuf + start, size_t(m_rcvCount - start));
        m_rcvCount -= start;
    }
    if (m_rcvCount == kControlBufferSize) {
        // No line end in a full buffer: the session cannot go on.
        m_rcvCount = 0;
        TriggerDisplay("! Reply line too long");
        CloseControlAfter("500 Reply line too long", kConnectionFailure);
    }
}

void TFtpClient::HandleLine(const QString& line)
{
    m_lastReply = line;
    TriggerResponse();
    switch (m_state) {
    case ftpWaitingBanner:
        GreetingLine(line);
        break;
    case ftpWaitingResponse:
        switch (m_handler) {
        case ReplyHandler::Generic:
            GenericReply(line);
            break;
        case ReplyHandler::RetrFirst:
            RetrFirstReply(line);
            break;
        case ReplyHandler::RetrFinal:
            RetrFinalReply(line);
            break;
        case ReplyHandler::None:
            TriggerDisplay("< " + line);
            break;
        }
        break;
    default:
        TriggerDisplay("< " + line);
        break;
    }
}

void TFtpClient::GreetingLine(const QString& line)
{
    TriggerDisplay("< " + line);
    if (TFtpReply::IsContinuation(line))
        return;
    m_replyCode = TFtpReply::Code(line);
    if (m_replyCode != 220) {
        m_errorMessage = line;
        CloseControlAfter(line, quint16(m_replyCode ? m_replyCode : kConnectionFailure));
        return;
    }
    SetState(ftpConnected);
    TriggerSessionConnected(0);
    Done(0);
}

void TFtpClient::GenericReply(const QString& line)
{
    TriggerDisplay("< " + line);
    if (TFtpReply::IsContinuation(line))
        return;
    m_replyCode = TFtpReply::Code(line);
    if (m_next == Continuation::PasvOnRefusal) {
        m_next = Continuation::None;
        if (m_replyCode >= 500 && m_replyCode < 600) {
            // A server without EPSV may still know PASV: only its port is used.
            m_okCodes = {200, 227};
            SendCommand("PASV");
            return;
        }
    }
    quint16 error = 0;
    if (!Accepts(m_okCodes, m_replyCode)) {
        error = quint16(m_replyCode ? m_replyCode : kConnectionFailure);
        if (m_errorMessage.isEmpty())
            m_errorMessage = m_lastReply;
    }
    if (PassiveMode && (m_replyCode == 227 || m_replyCode == 229))
        m_pasvReply = line;
    if (m_lastStep == stepRest)
        m_restAccepted = m_replyCode == 350;
    if (m_next == Continuation::CloseControl) {
        m_next = Continuation::None;
        CloseControlAfter(line, error);
        return;
    }
    Done(error);
}

// Closes the control connection on purpose; the running step then ends with
// `error` when the close has been reported.
void TFtpClient::CloseControlAfter(const QString& reply, quint16 error)
{
    m_lastReply = reply;
    if (error != 0)
        m_replyCode = TFtpReply::Code(reply) ? TFtpReply::Code(reply) : int(error);
    m_closeExpected = true;
    m_closeResult = error;
    m_control->Close();
    if (m_closeExpected) {
        // The socket was closed already, so no close event will end the step.
        m_closeExpected = false;
        if (error != 0 && m_errorMessage.isEmpty())
            m_errorMessage = m_lastReply;
        SetState(ftpInternalReady);
        Done(error);
    }
}

void TFtpClient::ControlSessionClosed(quint16 error)
{
    const bool aborting = m_state == ftpAbort;
    const bool wasConnected = m_connected;
    m_connected = false;
    m_rcvCount = 0;
    if (wasConnected) {
        if (!aborting)
            SetState(ftpNotConnected);
        TriggerSessionClosed(error);
    }
    if (aborting)
        return;
    if (m_doneLatch) {
        SetState(ftpReady);
        return;
    }
    quint16 result = m_closeResult;
    if (!m_closeExpected) {
        // The server went away while we waited for it.
        m_lastReply = "500 Connection closed by the server";
        m_replyCode = 500;
        result = kConnectionFailure;
    }
    m_closeExpected = false;
    m_closeResult = 0;
    if (result != 0 && m_errorMessage.isEmpty())
        m_errorMessage = m_lastReply;
    SetState(ftpInternalReady);
    Done(result);
}

// --------------------------------------------------------- data connection

void TFtpClient::ClearDataHandlers()
{
    m_data->OnSessionAvailable = nullptr;
    m_data->OnSessionConnected = nullptr;
    m_data->OnDataAvailable = nullptr;
    m_data->OnSessionClosed = nullptr;
}

void TFtpClient::AssignDataHandlers()
{
    m_data->OnSessionConnected = [this](TWSocket*, quint16 e) { DataSessionConnected(e); };
    m_data->OnDataAvailable = [this](TWSocket*, quint16) { DataAvailable(); };
    m_data->OnSessionClosed = [this](TWSocket*, quint16 e) { DataSessionClosed(e); };
}

void TFtpClient::CloseData()
{
    ClearDataHandlers();
    if (m_data->State() != wsClosed)
        m_data->Close();
}

void TFtpClient::StepPort()
{
    CloseData();
    m_pasvReply.clear();
    // Over IPv6 the data connection is set up with the extended commands,
    // whose replies carry no IPv4 address; IPv4 keeps PASV and PORT.
    const bool v6 = m_control->PeerFamily() == AF_INET6;
    m_data->SetProto("tcp");
    m_data->SetAddr(v6 ? "::" : "0.0.0.0");
    m_data->SetPort("0");
    if (PassiveMode) {
        if (v6)
            ExecCommand("EPSV", {229}, Continuation::PasvOnRefusal);
        else
            ExecCommand("PASV", {200, 227});
        return;
    }
    m_data->SetLingerOnOff(wsLingerOn);
    m_data->SetLingerTimeout(10);
    m_data->OnSessionAvailable = [this](TWSocket*, quint16 e) { DataSessionAvailable(e); };
    m_data->Listen();
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    if (m_data->GetSockName(local, len) != 0) {
        const int code = m_data->LastError();
        CloseData();
        FailStep("Unable to establish data connection, error #" + QString::number(code), kLocalFailure,
                 kLocalFailure);
        return;
    }
    const int p = TSocketAddress::FromRaw(local, len).Port();
    if (v6) {
        // The address the server reached us at, without a zone of our own.
        const QString here = m_control->GetLocalAddr().section(u'%', 0, 0);
        ExecCommand(QString("EPRT |2|%1|%2|").arg(here).arg(p), {200});
        return;
    }
    QString host;
    if (m_control->Addr() == "127.0.0.1")
        host = "127,0,0,1";
    else
        host = m_control->GetLocalAddr().replace(u'.', u',');
    ExecCommand(QString("PORT %1,%2,%3").arg(host).arg(p / 256).arg(p % 256), {200, 227});
}

void TFtpClient::StepRest()
{
    m_restAccepted = false;
    m_restartOffset = TFtpLocalFile::SizeOf(LocalFileName);
    if (m_restartOffset <= 0) {
        Done(0);
        return;
    }
    ExecCommand("REST " + QString::number(m_restartOffset), {});
}

void TFtpClient::StepRetr()
{
    m_dataCommand = "RETR";
    if (!m_connected)
        throw FtpException(m_dataCommand + ": not connected");
    if (LocalFileName.isEmpty() && !DisplayFileFlag)
        throw FtpException("LocalFileName empty");
    if (!(m_prevStep == stepRest && m_restAccepted))
        m_restartOffset = 0;
    m_restAccepted = false;
    m_finalReply = false;
    m_dataClosed = false;
    m_writeFailed = false;
    m_abortRequested = false;
    m_byteCount = 0;
    m_dataCloseCode = 0;
    m_fileLine.clear();

    if (!DisplayFileFlag) {
        const bool opened = m_restartOffset > 0 ? m_localFile.OpenAt(LocalFileName, m_restartOffset, ShareMode)
                                                : m_localFile.Create(LocalFileName, ShareMode);
        if (!opened) {
            CloseData();
            FailStep("Unable to open local file " + LocalFileName, kLocalFailure, kLocalFailure);
            return;
        }
    }
    if (!PassiveMode) {
        m_transferClock.start();
        SendRetr();
        return;
    }
    const auto port = TFtpReply::Code(m_pasvReply) == 229 ? TFtpReply::EpsvPort(m_pasvReply)
                                                          : TFtpReply::PasvPort(m_pasvReply);
    if (!port) {
        CloseData();
        m_localFile.Close();
        FailStep("Unable to establish data connection, invalid reply: " + m_pasvReply, kLocalFailure,
                 kLocalFailure);
        return;
    }
    // The address in the 227 reply is not used: the data connection goes to
    // the server the control connection reached (the address that answered,
    // when the host has several).
    const QString peer = m_control->GetPeerAddr();
    CloseData();
    m_data->SetProto("tcp");
    m_data->SetAddr(peer == QLatin1String("error") ? m_control->Addr() : peer);
    m_data->SetPort(QString::number(*port));
    m_data->SetLingerOnOff(wsLingerOff);
    m_data->SetLingerTimeout(0);
    AssignDataHandlers();
    SetState(ftpWaitingResponse);
    m_handler = ReplyHandler::None;
    m_data->Connect();
}

void TFtpClient::DataSessionConnected(quint16 error)
{
    if (error != 0) {
        CloseData();
        m_localFile.Close();
        FailStep("Unable to establish data connection, error #" + QString::number(error), kLocalFailure,
                 kLocalFailure);
        return;
    }
    m_transferClock.start();
    SendRetr();
}

void TFtpClient::SendRetr()
{
    SetState(ftpWaitingResponse);
    m_handler = ReplyHandler::RetrFirst;
    SendCommand(HostFileName.isEmpty() ? m_dataCommand : m_dataCommand + " " + HostFileName);
}

void TFtpClient::RetrFirstReply(const QString& line)
{
    TriggerDisplay("< " + line);
    if (TFtpReply::IsContinuation(line))
        return;
    m_replyCode = TFtpReply::Code(line);
    if (m_replyCode == 125 || m_replyCode == 150) {
        m_handler = ReplyHandler::RetrFinal;
        return;
    }
    m_errorMessage = line;
    CloseData();
    m_localFile.Close();
    m_restartOffset = 0;
    Done(quint16(m_replyCode ? m_replyCode : kConnectionFailure));
}

void TFtpClient::RetrFinalReply(const QString& line)
{
    TriggerDisplay("< " + line);
    if (TFtpReply::IsContinuation(line))
        return;
    m_replyCode = TFtpReply::Code(line);
    if (m_replyCode == 125 || m_replyCode == 226 || m_replyCode == 250) {
        m_finalReply = true;
        CompletionCheck();
        return;
    }
    m_errorMessage = line;
    m_localFile.Close();
    CloseData();
    TriggerDisplay("! RETR/LIST/NLST Failed");
    Done(quint16(m_replyCode ? m_replyCode : kConnectionFailure));
}

void TFtpClient::DataSessionAvailable(quint16)
{
    const TSocket accepted = m_data->Accept();
    m_data->OnSessionAvailable = nullptr;
    m_data->Close();
    if (accepted == INVALID_SOCKET)
        return;
    AssignDataHandlers();
    m_data->Dup(accepted);
    m_data->SetLingerOnOff(wsLingerOff);
    m_data->SetLingerTimeout(10);
}

void TFtpClient::DataAvailable()
{
    if (TriggerProgress(m_byteCount + m_restartOffset)) {
        TriggerDisplay("! Abort requested");
        m_abortRequested = true;
        CloseLocalFile();
        CloseData();
        m_dataClosed = true;
        CompletionCheck();
        return;
    }
    qint64 n;
    if (m_localFile.IsOpen() && !m_writeFailed && !DisplayFileFlag) {
        // Straight from the data connection into the file, inside the kernel.
        qint64 want = kFileMoveSize;
        if (RateLimit && (want = m_throttle.Budget(*RateLimit, *m_data, want)) == 0)
            return; // the limit's tokens are spent: the read resumes when they are back
        n = m_localFile.ReceiveFrom(*m_data, want);
        if (n > 0) {
            m_byteCount += n;
            if (RateLimit)
                RateLimit->Take(n);
            return;
        }
        if (n == TWSocket::kFileWriteFailed) {
            LocalWriteFailed();
            return;
        }
    } else {
        char buffer[kDataBlock];
        n = m_data->Receive(buffer, kDataBlock);
        if (n > 0) {
            m_byteCount += n;
            if (m_localFile.IsOpen() && !m_writeFailed && !m_localFile.Write(buffer, n))
                LocalWriteFailed();
            if (DisplayFileFlag)
                DisplayFileLines(buffer, static_cast<int>(n));
            return;
        }
    }
    if (n < 0 && m_data->LastError() != WSAEWOULDBLOCK && m_data->State() == wsConnected) {
        m_dataCloseCode = quint16(m_data->LastError());
        TriggerDisplay("! Data: Receive error " + QString::number(m_data->LastError()));
        m_data->Shutdown(2);
    }
}

void TFtpClient::LocalWriteFailed()
{
    m_writeFailed = true;
    TriggerDisplay("! Error writing local file");
    m_data->Shutdown(2);
}

void TFtpClient::DisplayFileLines(const char* data, int len)
{
    m_fileLine.append(data, len);
    qsizetype end;
    while ((end = m_fileLine.indexOf('\n')) >= 0) {
        QByteArray line = m_fileLine.left(end);
        if (line.endsWith('\r'))
            line.chop(1);
        m_fileLine.remove(0, end + 1);
        TriggerDisplayFile(QString::fromUtf8(line));
    }
}

bool TFtpClient::CloseLocalFile()
{
    if (!m_localFile.IsOpen())
        return !m_writeFailed;
    if (!m_localFile.Close() && !m_writeFailed) {
        m_writeFailed = true;
        TriggerDisplay("! Error writing local file");
    }
    return !m_writeFailed;
}

void TFtpClient::DataSessionClosed(quint16 error)
{
    CloseLocalFile();
    if (DisplayFileFlag && !m_fileLine.isEmpty()) {
        TriggerDisplayFile(QString::fromUtf8(m_fileLine));
        m_fileLine.clear();
    }
    m_dataClosed = true;
    if (m_dataCloseCode == 0)
        m_dataCloseCode = error;
    CompletionCheck();
}

void TFtpClient::CompletionCheck()
{
    if (!m_finalReply || !m_dataClosed)
        return;
    const qint64 ms = m_transferClock.elapsed();
    QString note = "! " + QString::number(m_byteCount) + " bytes received/sent in " + QString::number(ms / 1000) +
                   " seconds";
    if (ms != 0) {
        const qint64 rate = m_byteCount < 32768 ? m_byteCount * 1000 / ms : (m_byteCount / ms) * 1000;
        note += " (" + QString::number(rate) + " Bytes/sec)";
    }
    TriggerDisplay(note);
    m_restartOffset = 0;
    if (m_writeFailed) {
        // Bytes that never reached the disk are not a finished download.
        FailStep("Error writing local file " + LocalFileName, kLocalFailure, kLocalFailure);
        return;
    }
    if (m_abortRequested) {
        // A transfer stopped on request is not a finished download.
        FailStep("426 Abort requested", kTimeout, kTimeout);
        return;
    }
    if (m_dataCloseCode != 0 && m_errorMessage.isEmpty())
        m_errorMessage = "Data: Receive error " + QString::number(m_dataCloseCode);
    Done(m_dataCloseCode);
}

} // namespace flk
