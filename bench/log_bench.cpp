// The download dialog's details log under a server that sends a flood of
// header lines: the cost of a log line early and late in a long log, and a
// real reply of 4,000 header lines through the dialog (offscreen), timed
// from Download to the end of the transfer.
//   log_bench [lines=4000]
#include "Asker.h"
#include "BenchDialog.h"
#include "Catalogue.h"
#include "Median.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>

using namespace flk;

namespace {

// Microseconds per line for `count` lines added to a log that holds `from`.
double PerLine(TfrmAsker* asker, int from, int count)
{
    asker->ListBox1->clear();
    for (int i = 0; i < from; ++i)
        asker->AddLog(QStringLiteral("X-Filler-%1: some value").arg(i));
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        asker->AddLog(QStringLiteral("X-Late-%1: some value").arg(i));
        QApplication::processEvents(); // the list lays out as it would while the reply comes
    }
    return clock.nsecsElapsed() / 1e3 / count;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("FETCHLARK_HOME", home.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 4000;
    Catalogue::AddSection("Bench", home.path() + "/Bench/");
    Catalogue::AddFolder("Files", "Bench", 0, 0);
    QDir().mkpath(home.path() + "/Bench/Files");

    auto* asker = new TfrmAsker;
    bench::ShowUnattended(asker);
    std::printf("per log line with 0 lines before:     %.1f us\n", PerLine(asker, 0, 1000));
    std::printf("per log line with 16000 lines before: %.1f us\n", PerLine(asker, 16000, 1000));
    asker->ListBox1->clear();

    // A server whose HEAD and GET replies carry `lines` header lines each.
    QByteArray header = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n";
    for (int i = 0; i < lines; ++i)
        header += "X-Filler-" + QByteArray::number(i) + ": some value\r\n";
    header += "\r\n";
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = server.nextPendingConnection();
        QObject::connect(s, &QTcpSocket::readyRead, s, [s, &header] {
            const QByteArray request = s->readAll();
            s->write(header + (request.startsWith("GET") ? QByteArray("0123456789") : QByteArray()));
            s->disconnectFromHost();
        });
    });
    const QString url = QStringLiteral("http://127.0.0.1:%1/f.bin").arg(server.serverPort());
    asker->edtName->setText("f.bin");
    asker->SourceUrl = url;
    asker->edtSource->setEditText(url);
    const double seconds =
        bench::TimeDownload(asker, [](const QString& line) { return line == QLatin1String("Fetchlark:  End Download"); });
    std::printf("%d header lines in the HEAD and the GET each: %.3f s to the end (%d log lines)\n", lines, seconds,
                asker->ListBox1->count());
    delete asker;
    return seconds < 0 ? 1 : 0;
}
