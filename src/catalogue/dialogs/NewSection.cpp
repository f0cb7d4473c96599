#include "NewSection.h"

#include "StandIn.h"

namespace flk {

TfrmNewSection::TfrmNewSection(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("New Section"));
}

} // namespace flk
