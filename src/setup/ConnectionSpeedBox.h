#pragma once
// The connection-speed choice both setup windows show: a modem list, a
// cable/T1 list and "Other" with its unit. Only the chosen row's own
// controls are enabled. The first-start wizard and the options window each
// place one and read the speed it stands for.

#include <QWidget>
#include <optional>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace flk {

class TConnectionSpeedBox : public QWidget {
    Q_OBJECT
public:
    explicit TConnectionSpeedBox(QWidget* parent = nullptr);

    // Shows a stored speed: its list entry, or "Other" with the number that
    // gives it back (ConnectionSpeed::ForSpeed).
    void ShowSpeed(int speed);
    // Bits per second of the choice; nothing when "Other" holds no usable
    // number.
    std::optional<int> ChosenSpeed() const;
    // Both lists back on their default entries, the choice left as it is.
    void ResetLists();

    QRadioButton* optModem;
    QComboBox* cbModem;
    QRadioButton* optT1;
    QComboBox* cbT1;
    QRadioButton* optOther;
    QLineEdit* edtOther;
    QRadioButton* optkbps;
    QRadioButton* optmbps;

private:
    void ChoiceChange();
};

} // namespace flk
