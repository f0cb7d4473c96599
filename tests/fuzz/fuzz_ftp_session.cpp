// The FTP client's reply reader on its control connection: banner, line
// splitting, multi-line replies, codes, and the steps of a whole download
// (USER, PASS, CWD, TYPE, PORT, REST, RETR, QUIT) deciding on each reply.
// The input is everything the server says, sent at once; the client's own
// data listener (active mode) is never connected, so no port the input
// names is ever dialled.
#include "FuzzTarget.h"
#include "LoopbackScript.h"

#include "Ftpcli.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

using namespace flk;

FLK_FUZZ_TARGET(ftp_session)
{
    fuzz::EnsureApp();
    static fuzz::LoopbackScript server(false);
    server.SetScript(fuzz::Bytes(data, size));

    TFtpClient cli;
    cli.HostName = "127.0.0.1";
    cli.Port = QString::number(server.Port());
    cli.UserName = "anonymous";
    cli.PassWord = "fuzz@example.com";
    cli.HostDirName = "/pub";
    cli.HostFileName = "f.bin";
    cli.PassiveMode = false;
    // Received lines go to the display, not to the file; the file's size
    // is the offset the client asks to continue from (REST 1000).
    cli.DisplayFileFlag = true;
    static const QString partial = fuzz::ScratchFile(QStringLiteral("partial.bin"), QByteArray(1000, 'x'));
    cli.LocalFileName = partial;
    cli.Timeout = 5;
    bool done = false;
    cli.OnRequestDone = [&](TFtpClient*, TFtpRequest, quint16) { done = true; };
    cli.TransferAsync();
    const QDeadlineTimer deadline(10000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    // A server that stops talking must not leave the download waiting.
    FUZZ_CHECK(done);
    // A failure carries its reason.
    if (cli.RequestResult() != 0)
        FUZZ_CHECK(!cli.ErrorMessage().isEmpty() || !cli.LastReply().isEmpty());
    return 0;
}
