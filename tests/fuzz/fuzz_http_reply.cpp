// The HTTP client's reply reader: status line, header lines, the header's
// end, Content-Length, Content-Range, Location (every redirection comes back
// to the same loopback server, which plays the same reply again), chunked
// bodies and the headerless "<HTML>" document. The input is the whole reply.
#include "FuzzTarget.h"
#include "LoopbackScript.h"

#include "HttpProt.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>

using namespace flk;

FLK_FUZZ_TARGET(http_reply)
{
    fuzz::EnsureApp();
    static fuzz::LoopbackScript server(true);
    server.SetScript(fuzz::Bytes(data, size));

    QByteArray body;
    QBuffer sink(&body);
    sink.open(QIODevice::WriteOnly);
    THttpCli cli;
    // Through the server as a proxy: whatever host a Location names, the
    // next request comes back here and no real network is used.
    cli.URL = "http://fuzz.invalid/dir/file.bin";
    cli.Proxy = "127.0.0.1";
    cli.ProxyPort = QString::number(server.Port());
    cli.ContentRangeBegin = "100";
    cli.Timeout = 5;
    cli.ReceiveStream = &sink;
    bool done = false;
    cli.OnRequestDone = [&](THttpCli*, THttpRequest, quint16) { done = true; };
    cli.Get();
    // A hang is a fault: no input may keep the client from finishing.
    const QDeadlineTimer deadline(10000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    FUZZ_CHECK(done);
    FUZZ_CHECK(cli.ClientState() == httpReady);

    // What the caller is told matches what it was given.
    FUZZ_CHECK(body.size() == cli.ReceivedBytes());
    const qint64 announced = cli.AnnouncedLength();
    if (announced >= 0)
        FUZZ_CHECK(cli.ReceivedBytes() <= announced);
    // A reply reported as a success is whole.
    const int status = cli.ResponseStatus();
    if (status > 0 && status < 400 && announced >= 0 && status != 204 && status != 304)
        FUZZ_CHECK(cli.ReceivedBytes() == announced);
    if (!cli.ServerStatus() && status != 0)
        FUZZ_CHECK(status >= 400);
    return 0;
}
