// The setup wizard's pages and their controls, with their captions and the
// state they start in.

#include "Config.h"

#include "ConfigWizard.h"
#include "ConnectionSpeedBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace flk {

namespace {

// The picture beside every page: the download arrow falling into a tray.
QPixmap WizardPicture()
{
    QPixmap pixmap(140, 280);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 280);
    sky.setColorAt(0, QColor(0x1f, 0x4e, 0x99));
    sky.setColorAt(1, QColor(0x6f, 0xa8, 0xe8));
    p.fillRect(pixmap.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    QPainterPath arrow;
    arrow.moveTo(55, 50);
    arrow.lineTo(85, 50);
    arrow.lineTo(85, 130);
    arrow.lineTo(110, 130);
    arrow.lineTo(70, 175);
    arrow.lineTo(30, 130);
    arrow.lineTo(55, 130);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.setPen(QPen(QColor(255, 255, 255, 230), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(22, 170), QPointF(22, 210), QPointF(118, 210), QPointF(118, 170)}));
    return pixmap;
}

QLabel* Text(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLineEdit* ReadOnlyBox(const QString& text, const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(text, parent);
    box->setReadOnly(true);
    box->setAccessibleName(name);
    return box;
}

} // namespace

void TfrmConfig::BuildPage1()
{
    EPWizardPage1 = EPWizard1->AddPage(QStringLiteral("Welcome to Fetchlark"));
    Image1 = EPWizardPage1->Image;
    Image1->setPixmap(WizardPicture());
    EPWizardPage1->Body->addWidget(Text(
        QStringLiteral("This wizard will guide you through the process of setting up Fetchlark for your system."),
        EPWizardPage1));
    EPWizardPage1->Body->addWidget(Text(QStringLiteral(" Select Next to begin."), EPWizardPage1));
    EPWizardPage1->Body->addStretch();
}

void TfrmConfig::BuildPage2()
{
    EPWizardPage2 = EPWizard1->AddPage(QStringLiteral("Browser Setup"));
    QWidget* page = EPWizardPage2;
    EPWizardPage2->Body->addWidget(Text(
        QStringLiteral("The following web browser(s) have been detected on your system.  Select the browser(s) that "
                       "you would like Fetchlark to work with:"),
        page));
    optNetscape = new QCheckBox(QStringLiteral("&Firefox"), page);
    edtNSLoc = ReadOnlyBox(kNotFound, QStringLiteral("Firefox location"), page);
    cmdChangeNS = new QPushButton(QStringLiteral("&Change"), page);
    cmdChangeNS->setAccessibleName(QStringLiteral("Change Firefox location"));
    optIE = new QCheckBox(QStringLiteral("C&hromium or Chrome"), page);
    edtIELoc = ReadOnlyBox(kNotFound, QStringLiteral("Chromium or Chrome location"), page);
    cmdChangeIE = new QPushButton(QStringLiteral("&Change"), page);
    cmdChangeIE->setAccessibleName(QStringLiteral("Change Chromium or Chrome location"));
    auto* grid = new QGridLayout;
    int row = 0;
    for (auto [check, box, button] : {std::tuple{optNetscape, edtNSLoc, cmdChangeNS}, {optIE, edtIELoc, cmdChangeIE}}) {
        check->setEnabled(false);
        check->setChecked(false);
        grid->addWidget(check, row, 0, 1, 2);
        grid->addWidget(box, row + 1, 1);
        grid->addWidget(button, row + 1, 2);
        row += 2;
    }
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(1, 1);
    EPWizardPage2->Body->addLayout(grid);
    EPWizardPage2->Body->addStretch();
    connect(cmdChangeNS, &QPushButton::clicked, this, [this] { cmdChangeNSClick(); });
    connect(cmdChangeIE, &QPushButton::clicked, this, [this] { cmdChangeIEClick(); });
}

void TfrmConfig::BuildPage3()
{
    EPWizardPage3 = EPWizard1->AddPage(QStringLiteral("Virus Scanner Setup"));
    QWidget* page = EPWizardPage3;
    EPWizardPage3->Body->addWidget(Text(
        QStringLiteral("The following virus scanner(s) have been detected on your system.  Select the virus scanner "
                       "that you would like Fetchlark to work with:"),
        page));
    auto* scannerLabel = new QLabel(QStringLiteral("Scanner:"), page);
    cbScanner = new QComboBox(page);
    // Narrow, as the gap after each label keeps its path out of sight; the
    // open list is as wide as its entries.
    cbScanner->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbScanner->setMinimumContentsLength(36);
    cbScanner->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    scannerLabel->setBuddy(cbScanner);
    lblPath = new QLabel(QStringLiteral("Path: "), page);
    edtPath = ReadOnlyBox({}, QStringLiteral("Path"), page);
    lblPath->setBuddy(edtPath);
    lblScanner = new QLabel(QStringLiteral("My scanner is located here:"), page);
    edtScanLine = ReadOnlyBox({}, QStringLiteral("My scanner is located here"), page);
    lblScanner->setBuddy(edtScanLine);
    cmdsBrowse = new QPushButton(QStringLiteral("&Browse"), page);
    for (QWidget* w : {static_cast<QWidget*>(lblScanner), static_cast<QWidget*>(edtScanLine),
                       static_cast<QWidget*>(cmdsBrowse)})
        w->setVisible(false);

    auto* grid = new QGridLayout;
    grid->addWidget(scannerLabel, 0, 0);
    grid->addWidget(cbScanner, 0, 1, 1, 2, Qt::AlignLeft);
    grid->addWidget(lblPath, 1, 0);
    grid->addWidget(edtPath, 1, 1, 1, 2);
    grid->addWidget(lblScanner, 2, 0, 1, 3);
    grid->addWidget(edtScanLine, 3, 0, 1, 2);
    grid->addWidget(cmdsBrowse, 3, 2);
    grid->setColumnStretch(1, 1);
    EPWizardPage3->Body->addLayout(grid);

    pnlvOptions = new QWidget(page);
    auto* paramsLabel = new QLabel(QStringLiteral("Optional Parameters:"), pnlvOptions);
    edtParameters = new QLineEdit(pnlvOptions);
    paramsLabel->setBuddy(edtParameters);
    cbAutoScan = new QCheckBox(QStringLiteral("&Automatically scan downloaded files by default"), pnlvOptions);
    cbAutoScan->setEnabled(false);
    auto* options = new QVBoxLayout(pnlvOptions);
    options->setContentsMargins(0, 0, 0, 0);
    auto* params = new QHBoxLayout;
    params->addWidget(paramsLabel);
    params->addWidget(edtParameters, 1);
    options->addLayout(params);
    options->addWidget(Text(QStringLiteral("Note: Command line parameter information should be available in your "
                                           "Virus Scanner's user manual or help file."),
                            pnlvOptions));
    options->addWidget(cbAutoScan);
    EPWizardPage3->Body->addWidget(pnlvOptions);
    EPWizardPage3->Body->addStretch();

    // Only a user's choice runs the handler; selecting from code does not.
    connect(cbScanner, &QComboBox::activated, this, [this] { cbScannerChange(); });
    connect(cmdsBrowse, &QPushButton::clicked, this, [this] { cmdsBrowseClick(); });
}

void TfrmConfig::BuildPage4()
{
    EPWizardPage4 = EPWizard1->AddPage(QStringLiteral("Miscellaneous Options"));
    QWidget* page = EPWizardPage4;
    EPWizardPage4->Body->addWidget(Text(QStringLiteral("Please specify your preferences for the following options:"), page));
    auto* openLabel = new QLabel(QStringLiteral("When files are finished downloading: "), page);
    cbOpenWhen = new QComboBox(page);
    cbOpenWhen->addItems({QStringLiteral("I'll open them manually"), QStringLiteral("Open them automatically")});
    openLabel->setBuddy(cbOpenWhen);
    auto* open = new QHBoxLayout;
    open->addWidget(openLabel);
    open->addWidget(cbOpenWhen, 1);
    EPWizardPage4->Body->addLayout(open);
    cbAutoStart = new QCheckBox(QStringLiteral("Start Fetchlark when I log in (recommended)"), page);
    cbAutoStart->setChecked(true);
    EPWizardPage4->Body->addWidget(cbAutoStart);
    EPWizardPage4->Body->addStretch();
}

void TfrmConfig::BuildPage5()
{
    EPWizardPage5 = EPWizard1->AddPage(QStringLiteral("Type of Internet Connection"));
    QWidget* page = EPWizardPage5;
    EPWizardPage5->Body->addWidget(Text(
        QStringLiteral("In order to accurately report various statistics, Fetchlark needs to know how fast your "
                       "Internet \"download\" connection is.  If you are unsure of this, you may guess at this point "
                       "and adjust the information later in \"Options\"."),
        page));
    SpeedBox = new TConnectionSpeedBox(page);
    EPWizardPage5->Body->addWidget(SpeedBox);
    EPWizardPage5->Body->addStretch();
    EPWizardPage5->Body->addWidget(Text(QStringLiteral("Click Finish to complete the setup process."), page));
}

} // namespace flk
