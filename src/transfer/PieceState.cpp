#include "PieceState.h"

#include <QFile>
#include <QSaveFile>

namespace flk {
namespace {

const QByteArray kMagic = "Fetchlark pieces 1";

} // namespace

bool TPieceState::Exists() const
{
    return QFile::exists(m_path);
}

bool TPieceState::Read(TPieceStateData& data) const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // A state file is a few lines; anything large is not one of ours.
    const QList<QByteArray> lines = f.read(1 << 20).split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != kMagic)
        return false;
    data = TPieceStateData();
    for (const QByteArray& raw : lines.mid(1)) {
        const QByteArray line = raw.trimmed();
        const qsizetype space = line.indexOf(' ');
        if (space <= 0)
            continue;
        const QByteArray key = line.left(space);
        const QString value = QString::fromUtf8(line.mid(space + 1));
        bool ok = true;
        if (key == "url") {
            data.Url = value;
        } else if (key == "validator") {
            data.Validator = value;
        } else if (key == "length") {
            data.Length = value.toLongLong(&ok);
        } else if (key == "done") {
            const qsizetype dash = value.indexOf(QLatin1Char('-'));
            bool okEnd = false;
            const qint64 first = value.left(dash).toLongLong(&ok);
            const qint64 end = value.mid(dash + 1).toLongLong(&okEnd);
            ok = ok && okEnd && dash > 0 && first >= 0 && end > first;
            if (ok)
                data.Done.append({first, end});
        }
        if (!ok)
            return false;
    }
    return data.Length > 0 && !data.Validator.isEmpty();
}

bool TPieceState::Write(const TPieceStateData& data) const
{
    QByteArray text = kMagic + '\n';
    text += "url " + data.Url.toUtf8() + '\n';
    text += "validator " + data.Validator.toUtf8() + '\n';
    text += "length " + QByteArray::number(data.Length) + '\n';
    for (const TPieceMap::Range& r : data.Done)
        text += "done " + QByteArray::number(r.first) + '-' + QByteArray::number(r.second) + '\n';
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(text);
    return f.commit();
}

void TPieceState::Remove() const
{
    QFile::remove(m_path);
}

} // namespace flk
