#pragma once
// Runs build/flkauto-host as a browser would: the given requests as frames
// on its standard input, then end of input. The event loop runs while it
// works, so endpoints in this process can answer it.

#include <QByteArray>
#include <QJsonObject>
#include <QList>

namespace flk::test {

struct HostRun {
    QList<QJsonObject> answers;
    QByteArray rawOutput;
    QByteArray errorOutput;
    int exitCode = -1;
};

HostRun RunHost(const QList<QJsonObject>& requests);
QByteArray Frame(const QByteArray& payload);

} // namespace flk::test
