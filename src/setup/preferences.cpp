#include "preferences.h"

#include "StandIn.h"

namespace flk {

TfrmPreferences::TfrmPreferences(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("Options"));
}

} // namespace flk
