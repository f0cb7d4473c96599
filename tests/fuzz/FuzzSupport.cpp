#include "FuzzTarget.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace flk::fuzz {

void EnsureApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "flk-fuzz";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends: libFuzzer never returns to a caller.
    new QCoreApplication(argc, argv);
}

QString ScratchDir()
{
    static QTemporaryDir dir(QDir::tempPath() + "/flk-fuzz-XXXXXX");
    return dir.path();
}

QString ScratchFile(const QString& name, const QByteArray& bytes)
{
    const QString path = ScratchDir() + '/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Failed("cannot write the scratch file", __FILE__, __LINE__);
    return path;
}

void Failed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "fuzz property failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    std::abort();
}

} // namespace flk::fuzz
