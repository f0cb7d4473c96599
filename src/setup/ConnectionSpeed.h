#pragma once
// The download connection's speed as the setup windows offer it: a modem
// list, a cable/T1 list and "Other" in kbps or mbps, and the `Speed` value
// ([Download], bits per second) each choice stands for.

#include <QList>
#include <QString>
#include <optional>

namespace flk {

class ConnectionSpeed {
public:
    struct Entry {
        QString text;
        int speed;
    };
    enum class Kind { Modem, T1, Other };
    enum class Unit { kbps, mbps };

    // "14.4 kbps" ... "56 kbps" (56600), and "128 kbps" ... "1.5 mbps".
    static const QList<Entry>& ModemEntries();
    static const QList<Entry>& T1Entries();
    static constexpr int kModemDefault = 1; // "28.8 kbps"
    static constexpr int kT1Default = 0;    // "128 kbps"

    // "Other": the typed number times 1000 (kbps) or 1000000 (mbps), rounded
    // to the nearest whole number. Nothing when the text is not a decimal
    // number or the speed would not be a positive number of bits per second
    // that fits the setting (a zero speed would divide the download
    // statistics by zero).
    static std::optional<int> FromOther(const QString& text, Unit unit);

    // Where a stored speed shows again: a list entry when it is one, else
    // "Other" with a number that gives back the same speed. A speed that is
    // not positive shows as the default modem entry.
    struct Choice {
        Kind kind = Kind::Modem;
        int index = kModemDefault; // in the list of `kind`
        QString otherText;         // for Kind::Other
        Unit unit = Unit::kbps;
    };
    static Choice ForSpeed(int speed);
};

} // namespace flk
