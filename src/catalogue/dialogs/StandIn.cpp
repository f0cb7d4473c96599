#include "StandIn.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace flk {

void SetUpStandIn(QWidget* window, const QString& caption)
{
    window->setWindowTitle(caption);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(QStringLiteral("This window is not available in this version."), window));
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
        layout->addWidget(buttons);
    }
}

} // namespace flk
