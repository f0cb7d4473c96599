#pragma once
#include <QString>

class QWidget;

namespace flk {

// Gives a window still to be built its caption and a short note, so it can
// be opened without harm.
void SetUpStandIn(QWidget* window, const QString& caption);

} // namespace flk
