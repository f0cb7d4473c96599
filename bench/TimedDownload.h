#pragma once
// One timed download for the client benchmarks: the HTTP client into the
// downloads' file stream, or curl with the given options. Seconds, or -1
// when it failed or the file is not `size` bytes.

#include "FileStream.h"
#include "HttpProt.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdio>

namespace flk::bench {

// `http` carries the caller's settings (proxies...); URL and stream are set here.
inline double TimedClientGet(flk::THttpCli& http, const QString& url, const QString& path, qint64 size)
{
    flk::TFileStream out(path);
    if (!out.Create())
        return -1;
    http.URL = url;
    http.ReceiveStream = &out;
    QElapsedTimer t;
    t.start();
    try {
        http.GetSync();
    } catch (const flk::EHttpException& e) {
        std::fprintf(stderr, "fetchlark: %s: %s\n", qPrintable(url), qPrintable(e.Message()));
        return -1;
    }
    out.close();
    const double s = t.nsecsElapsed() / 1e9;
    return QFileInfo(path).size() == size ? s : -1;
}

inline double TimedCurl(const QStringList& options, const QString& url, const QString& path, qint64 size)
{
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute("curl", QStringList{"-s"} + options + QStringList{"-o", path, url});
    const double s = t.nsecsElapsed() / 1e9;
    return rc == 0 && QFileInfo(path).size() == size ? s : -1;
}

} // namespace flk::bench
