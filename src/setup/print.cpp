#include "print.h"

#include "StandIn.h"

namespace flk {

TfrmPrint::TfrmPrint(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("Report"));
}

} // namespace flk
