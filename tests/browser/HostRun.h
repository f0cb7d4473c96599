#pragma once
// Runs build/flkauto-host (or an installed copy) as a browser would: the
// given requests as frames on its standard input, then end of input. The
// event loop runs while it works, so endpoints in this process can answer it.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace flk::test {

struct HostRun {
    QList<QJsonObject> answers;
    QByteArray rawOutput;
    QByteArray errorOutput;
    int exitCode = -1;
};

HostRun RunHost(const QList<QJsonObject>& requests, const QString& program = QStringLiteral(FLK_HOST_PROGRAM));
QByteArray Frame(const QByteArray& payload);

} // namespace flk::test
