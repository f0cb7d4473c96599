// Start-up walk over a large folder file: open the file, list its records and
// read the ten keys a download leaves in each, as the scheduled file events
// and the manager window do. Prints the median of several runs.
//
// The second figure reads every record by name instead of through the list.
#include "RecordFile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace flk;

namespace {

constexpr int kRecords = 2000;
constexpr int kRuns = 15;

const char* const kKeys[] = {"Desc", "Source", "OpenWhen", "Prompt", "PromptDays", "Delete",
                             "DeleteDays", "DateDownloaded", "ScanWhenDone", "LastOpened"};

QString recordName(int i)
{
    return QStringLiteral("download-%1.zip").arg(i, 4, 10, QChar('0'));
}

QByteArray folderFile()
{
    QByteArray content;
    for (int i = 0; i < kRecords; ++i) {
        content += "[" + recordName(i).toUtf8() + "]\n";
        content += "Desc=Installer for a program, version " + QByteArray::number(i) + "\n";
        content += "Source=http://downloads.example.test/files/" + recordName(i).toUtf8() + "\n";
        content += "OpenWhen=0\nPrompt=1\nPromptDays=10\nDelete=0\nDeleteDays=30\n";
        content += "DateDownloaded=12/8/2026\nScanWhenDone=0\nLastOpened=12/9/2026\n";
    }
    return content;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename Walk> double timeRuns(Walk walk)
{
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        walk();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    qputenv("FETCHLARK_HOME", dir.path().toUtf8());
    const QString path = dir.path() + "/Programs-Games.ini";
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(folderFile()) < 0)
            return 1;
    }

    long long checksum = 0;
    int listed = 0;
    const double walk = timeRuns([&] {
        RecordFile records(QStringLiteral("Programs"), QStringLiteral("Games"));
        const QStringList names = records.recordNames();
        listed = names.size();
        for (const QString& name : names)
            for (const char* key : kKeys)
                checksum += records.readString(name, QString::fromLatin1(key), QString()).size();
    });

    QStringList everyName;
    for (int i = 0; i < kRecords; ++i)
        everyName << recordName(i);
    QStringList keys;
    for (const char* key : kKeys)
        keys << QString::fromLatin1(key);
    const double all = timeRuns([&] {
        RecordFile records(QStringLiteral("Programs"), QStringLiteral("Games"));
        records.recordNames();
        for (const QString& name : everyName)
            for (const QString& key : keys)
                checksum += records.readString(name, key, QString()).size();
    });

    const double write = timeRuns([&] {
        RecordFile records(QStringLiteral("Programs"), QStringLiteral("Games"));
        records.writeString(recordName(kRecords / 2), QStringLiteral("LastOpened"), QStringLiteral("12/10/2026"));
    });

    std::printf("folder file: %d records, %lld bytes\n", kRecords, static_cast<long long>(QFileInfo(path).size()));
    std::printf("walk (list + 10 keys of each listed record, %d listed): median %.2f ms over %d runs\n", listed,
                walk, kRuns);
    std::printf("all %d records by name, 10 keys each: median %.2f ms over %d runs\n", kRecords, all, kRuns);
    std::printf("one key written into the file: median %.2f ms over %d runs\n", write, kRuns);
    std::printf("(checksum %lld)\n", checksum);
    return 0;
}
