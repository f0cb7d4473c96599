#pragma once
// A speed limit in KiB per second, 0 shown as "No limit": the download
// dialog's for its own download and the options window's for all of them.

#include <QSpinBox>

namespace flk {

class TSpeedLimitBox : public QSpinBox {
    Q_OBJECT
public:
    TSpeedLimitBox(const QString& accessibleName, const QString& toolTip, QWidget* parent = nullptr);
};

} // namespace flk
