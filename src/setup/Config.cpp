#include "Config.h"

#include "StandIn.h"

namespace flk {

TfrmConfig::TfrmConfig(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("Fetchlark Configuration Wizard"));
}

} // namespace flk
