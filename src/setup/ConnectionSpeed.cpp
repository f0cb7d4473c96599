#include "ConnectionSpeed.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace flk {

const QList<ConnectionSpeed::Entry>& ConnectionSpeed::ModemEntries()
{
    static const QList<Entry> entries{{QStringLiteral("14.4 kbps"), 14400},
                                      {QStringLiteral("28.8 kbps"), 28800},
                                      {QStringLiteral("33.6 kbps"), 33600},
                                      {QStringLiteral("56 kbps"), 56600}};
    return entries;
}

const QList<ConnectionSpeed::Entry>& ConnectionSpeed::T1Entries()
{
    static const QList<Entry> entries{{QStringLiteral("128 kbps"), 128000},
                                      {QStringLiteral("256 kbps"), 256000},
                                      {QStringLiteral("384 kbps"), 384000},
                                      {QStringLiteral("768 kbps"), 768000},
                                      {QStringLiteral("1.5 mbps"), 1500000}};
    return entries;
}

std::optional<int> ConnectionSpeed::FromOther(const QString& text, Unit unit)
{
    const QString typed = text.trimmed();
    bool ok = false;
    double number = QLocale::c().toDouble(typed, &ok);
    if (!ok)
        number = QLocale::system().toDouble(typed, &ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    const double speed = std::round(number * (unit == Unit::kbps ? 1e3 : 1e6));
    if (speed < 1 || speed > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(speed);
}

ConnectionSpeed::Choice ConnectionSpeed::ForSpeed(int speed)
{
    Choice choice;
    if (speed <= 0)
        return choice;
    for (int i = 0; i < ModemEntries().size(); ++i)
        if (ModemEntries()[i].speed == speed)
            return {Kind::Modem, i, {}, Unit::kbps};
    for (int i = 0; i < T1Entries().size(); ++i)
        if (T1Entries()[i].speed == speed)
            return {Kind::T1, i, {}, Unit::kbps};
    choice.kind = Kind::Other;
    if (speed % 1000000 == 0) {
        choice.unit = Unit::mbps;
        choice.otherText = QString::number(speed / 1000000);
        return choice;
    }
    // kbps with up to three decimals: exact, so OK stores the same speed.
    QString fraction = QStringLiteral("%1").arg(speed % 1000, 3, 10, QLatin1Char('0'));
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    choice.otherText = QString::number(speed / 1000) + (fraction.isEmpty() ? QString() : u'.' + fraction);
    return choice;
}

} // namespace flk
