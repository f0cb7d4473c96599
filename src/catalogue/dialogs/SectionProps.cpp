#include "SectionProps.h"

#include "StandIn.h"

namespace flk {

TfrmSectionProps::TfrmSectionProps(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("Properties"));
}

} // namespace flk
