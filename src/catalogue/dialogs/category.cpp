#include "category.h"

#include "StandIn.h"

namespace flk {

TfrmCategory::TfrmCategory(QWidget* parent) : QDialog(parent)
{
    SetUpStandIn(this, QStringLiteral("New Folder"));
}

} // namespace flk
