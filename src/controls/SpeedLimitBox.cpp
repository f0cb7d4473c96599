#include "SpeedLimitBox.h"

#include <QLineEdit>

namespace flk {

TSpeedLimitBox::TSpeedLimitBox(const QString& accessibleName, const QString& toolTip, QWidget* parent)
    : QSpinBox(parent)
{
    setRange(0, 10'000'000);
    setSingleStep(100);
    setSuffix(QStringLiteral(" KiB/s"));
    setSpecialValueText(QStringLiteral("No limit"));
    setAccessibleName(accessibleName);
    // The box's own line edit is what a screen reader lands on.
    lineEdit()->setAccessibleName(accessibleName);
    setToolTip(toolTip);
}

} // namespace flk
