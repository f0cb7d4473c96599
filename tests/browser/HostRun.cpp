#include "HostRun.h"

#include "Messages.h"

#include <QJsonDocument>
#include <QProcess>

namespace flk::test {

QByteArray Frame(const QByteArray& payload)
{
    const quint32 length = quint32(payload.size());
    return QByteArray(reinterpret_cast<const char*>(&length), 4) + payload;
}

HostRun RunHost(const QList<QJsonObject>& requests, const QString& program)
{
    QProcess host;
    host.setProgram(program);
    host.start();
    HostRun run;
    if (!host.waitForStarted())
        return run;
    for (const QJsonObject& request : requests)
        host.write(Frame(QJsonDocument(request).toJson(QJsonDocument::Compact)));
    host.closeWriteChannel();
    PumpUntil([&] { return host.state() == QProcess::NotRunning; });
    run.rawOutput = host.readAllStandardOutput();
    run.errorOutput = host.readAllStandardError();
    run.exitCode = host.exitCode();
    QByteArray rest = run.rawOutput;
    while (rest.size() >= 4) {
        quint32 length = 0;
        memcpy(&length, rest.constData(), 4);
        run.answers << QJsonDocument::fromJson(rest.mid(4, length)).object();
        rest.remove(0, 4 + length);
    }
    return run;
}

} // namespace flk::test
