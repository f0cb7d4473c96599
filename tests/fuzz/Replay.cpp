// Replays fuzz inputs through the fuzz targets without libFuzzer:
//   flk-fuzz-replay <target> <folder>...
// runs every file of the folders (the target's seed corpus and its
// regression inputs) once. A fault aborts the run, so the test fails.
#include "FuzzTarget.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <map>
#include <string>

namespace flk::fuzz {

static std::map<std::string, Target>& Targets()
{
    static std::map<std::string, Target> targets;
    return targets;
}

bool Register(const char* name, Target target)
{
    Targets()[name] = target;
    return true;
}

} // namespace flk::fuzz

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto& targets = flk::fuzz::Targets();
    const auto found = argc >= 3 ? targets.find(argv[1]) : targets.end();
    if (found == targets.end()) {
        std::fprintf(stderr, "usage: flk-fuzz-replay <target> <folder>...; targets:");
        for (const auto& [name, target] : targets)
            std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    int inputs = 0;
    for (int i = 2; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "%s\n", qPrintable(file.fileName()));
            found->second(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    std::printf("%s: %d inputs replayed\n", argv[1], inputs);
    // A target without a single input would pass without testing anything.
    return inputs > 0 ? 0 : 1;
}
