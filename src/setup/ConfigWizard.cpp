#include "ConfigWizard.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace flk {

TEPWizardPage::TEPWizardPage(const QString& title, QWidget* parent) : QWidget(parent)
{
    Image = new QLabel(this);
    Image->setFixedWidth(140);
    Image->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    Image->setAccessibleName(QStringLiteral("Picture"));
    lblTitle = new QLabel(title, this);
    QFont bold = lblTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    lblTitle->setFont(bold);
    Body = new QVBoxLayout;
    Body->setSpacing(8);
    auto* right = new QVBoxLayout;
    right->addWidget(lblTitle);
    right->addSpacing(6);
    right->addLayout(Body, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image);
    layout->addSpacing(10);
    layout->addLayout(right, 1);
    setAccessibleName(title);
}

QString TEPWizardPage::Title() const
{
    return lblTitle->text();
}

TEPWizard::TEPWizard(QWidget* parent) : QWidget(parent)
{
    m_stack = new QStackedWidget(this);
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    cmdBack = new QPushButton(QStringLiteral("< &Back"), this);
    cmdNext = new QPushButton(QStringLiteral("&Next >"), this);
    cmdFinish = new QPushButton(QStringLiteral("&Finish"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdBack, cmdNext, cmdFinish})
        buttons->addWidget(b);
    buttons->addSpacing(10);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack, 1);
    layout->addWidget(rule);
    layout->addLayout(buttons);

    connect(cmdBack, &QPushButton::clicked, this, [this] { SetActivePage(ActivePageIndex() - 1); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { SetActivePage(ActivePageIndex() + 1); });
    connect(cmdFinish, &QPushButton::clicked, this, &TEPWizard::FinishClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TEPWizard::CancelClick);
    UpdateButtons();
}

TEPWizardPage* TEPWizard::AddPage(const QString& title)
{
    auto* page = new TEPWizardPage(title, m_stack);
    m_stack->addWidget(page);
    m_pages << page;
    UpdateButtons();
    return page;
}

TEPWizardPage* TEPWizard::ActivePage() const
{
    return m_pages.value(ActivePageIndex());
}

int TEPWizard::ActivePageIndex() const
{
    return m_stack->currentIndex();
}

void TEPWizard::SetActivePage(int index)
{
    if (index < 0 || index >= m_pages.size() || index == ActivePageIndex())
        return;
    m_stack->setCurrentIndex(index);
    UpdateButtons();
    emit Change();
}

void TEPWizard::UpdateButtons()
{
    const int index = ActivePageIndex();
    const bool last = index == m_pages.size() - 1;
    // Enter moves on, and finishes on the last page. The default is settled
    // before the focus moves: a button that takes the focus becomes the
    // default for as long as it has it, and the dialog then goes back to the
    // one made default last, so Finish must already be that one when the
    // user moves on into the speed box (else Enter there presses the grey
    // Next and nothing happens).
    cmdNext->setDefault(false);
    cmdFinish->setDefault(false);
    (last ? cmdFinish : cmdNext)->setDefault(true);
    // Finish is enabled before Next goes grey, and takes the focus Next had:
    // otherwise the focus falls through to Cancel, and Enter on the last
    // page would ask to quit instead of finishing.
    const bool nextHadFocus = cmdNext->hasFocus();
    cmdBack->setEnabled(index > 0);
    cmdFinish->setEnabled(last);
    cmdNext->setEnabled(!last);
    if (nextHadFocus && last)
        cmdFinish->setFocus();
}

} // namespace flk
