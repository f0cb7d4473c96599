#include "About.h"

#include "AppIcon.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace flk {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Fetchlark"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(MainIcon().pixmap(48, 48));
    top->addWidget(icon);
    auto* text = new QLabel(QStringLiteral("<b>Marrowby Fetchlark</b><br>Version %1<br><br>"
                                           "Marrowby Software<br>www.marrowby.com<br>support@marrowby.com")
                                .arg(QStringLiteral(FETCHLARK_VERSION)),
                            this);
    top->addWidget(text, 1);
    layout->addLayout(top);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace flk
