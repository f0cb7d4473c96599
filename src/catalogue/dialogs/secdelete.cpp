#include "secdelete.h"

#include "StandIn.h"

namespace flk {

TfrmDelete::TfrmDelete(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("Confirm Delete"));
}

} // namespace flk
