#include "ConnectionSpeedBox.h"

#include "ConnectionSpeed.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace flk {

namespace {

QComboBox* List(const QList<ConnectionSpeed::Entry>& entries, const QString& name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const ConnectionSpeed::Entry& entry : entries)
        box->addItem(entry.text);
    box->setAccessibleName(name);
    return box;
}

} // namespace

TConnectionSpeedBox::TConnectionSpeedBox(QWidget* parent) : QWidget(parent)
{
    optModem = new QRadioButton(QStringLiteral("I use a "), this);
    cbModem = List(ConnectionSpeed::ModemEntries(), QStringLiteral("Modem or ISDN speed"), this);
    optT1 = new QRadioButton(QStringLiteral("I use a"), this);
    cbT1 = List(ConnectionSpeed::T1Entries(), QStringLiteral("Cable, T1, DSL, or ISDN speed"), this);
    optOther = new QRadioButton(QStringLiteral("Other (please specify):"), this);
    edtOther = new QLineEdit(this);
    edtOther->setAccessibleName(QStringLiteral("Other speed"));
    edtOther->setMaximumWidth(90);
    optkbps = new QRadioButton(QStringLiteral("kbps"), this);
    optmbps = new QRadioButton(QStringLiteral("mbps"), this);
    // Both list rows start "I use a": a screen reader names the whole row.
    optModem->setAccessibleName(QStringLiteral("I use a modem or ISDN connection"));
    optT1->setAccessibleName(QStringLiteral("I use a cable, T1, DSL, or ISDN connection"));

    // The units are a group of their own, apart from the three choices.
    auto* choice = new QButtonGroup(this);
    for (QRadioButton* b : {optModem, optT1, optOther})
        choice->addButton(b);
    auto* unit = new QButtonGroup(this);
    unit->addButton(optkbps);
    unit->addButton(optmbps);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(optModem, 0, 0);
    grid->addWidget(cbModem, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("modem or ISDN connection"), this), 0, 2, 1, 3);
    grid->addWidget(optT1, 1, 0);
    grid->addWidget(cbT1, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("cable, T1, DSL, or ISDN connection"), this), 1, 2, 1, 3);
    grid->addWidget(optOther, 2, 0);
    grid->addWidget(edtOther, 2, 1);
    grid->addWidget(optkbps, 2, 2);
    grid->addWidget(optmbps, 2, 3);
    grid->setColumnStretch(4, 1);

    optModem->setChecked(true);
    optkbps->setChecked(true);
    ResetLists();
    ChoiceChange();
    for (QRadioButton* b : {optModem, optT1, optOther})
        connect(b, &QRadioButton::toggled, this, [this] { ChoiceChange(); });
}

void TConnectionSpeedBox::ResetLists()
{
    cbModem->setCurrentIndex(ConnectionSpeed::kModemDefault);
    cbT1->setCurrentIndex(ConnectionSpeed::kT1Default);
}

void TConnectionSpeedBox::ShowSpeed(int speed)
{
    const ConnectionSpeed::Choice choice = ConnectionSpeed::ForSpeed(speed);
    ResetLists();
    edtOther->clear();
    optkbps->setChecked(true);
    switch (choice.kind) {
    case ConnectionSpeed::Kind::Modem:
        optModem->setChecked(true);
        cbModem->setCurrentIndex(choice.index);
        break;
    case ConnectionSpeed::Kind::T1:
        optT1->setChecked(true);
        cbT1->setCurrentIndex(choice.index);
        break;
    case ConnectionSpeed::Kind::Other:
        optOther->setChecked(true);
        edtOther->setText(choice.otherText);
        (choice.unit == ConnectionSpeed::Unit::kbps ? optkbps : optmbps)->setChecked(true);
        break;
    }
    ChoiceChange();
}

std::optional<int> TConnectionSpeedBox::ChosenSpeed() const
{
    if (optModem->isChecked())
        return ConnectionSpeed::ModemEntries().value(cbModem->currentIndex()).speed;
    if (optT1->isChecked())
        return ConnectionSpeed::T1Entries().value(cbT1->currentIndex()).speed;
    const auto unit = optmbps->isChecked() ? ConnectionSpeed::Unit::mbps : ConnectionSpeed::Unit::kbps;
    return ConnectionSpeed::FromOther(edtOther->text(), unit);
}

// The chosen row's own controls are enabled, the others' not.
void TConnectionSpeedBox::ChoiceChange()
{
    cbModem->setEnabled(optModem->isChecked());
    cbT1->setEnabled(optT1->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(edtOther), static_cast<QWidget*>(optkbps),
                       static_cast<QWidget*>(optmbps)})
        w->setEnabled(optOther->isChecked());
}

} // namespace flk
