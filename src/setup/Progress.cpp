#include "Progress.h"

#include "StandIn.h"

namespace flk {

TfrmProgress::TfrmProgress(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("Scanning for Browsers..."));
}

} // namespace flk
