#include "Progress.h"

#include "ProgressAnimation.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace flk {

const QString TfrmProgress::kCaption = QStringLiteral("Scanning for Browsers...");
const QString TfrmProgress::kText =
    QStringLiteral("Please wait while Fetchlark scans your system for installed browsers.  This may take up to 30 seconds.");

TfrmProgress::TfrmProgress(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);

    Animate1 = new TAnimate(this);
    lblText = new QLabel(kText, this);
    lblText->setWordWrap(true);
    lblText->setMinimumWidth(260);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setAccessibleDescription(QStringLiteral("Stop searching"));
    connect(cmdCancel, &QPushButton::clicked, this, [this] { CancelSearch(); });

    auto* row = new QHBoxLayout;
    row->addWidget(Animate1, 0, Qt::AlignTop);
    row->addWidget(lblText, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setFixedSize(380, 130);
}

QList<ProgramHit> TfrmProgress::Search(const ProgramSearch& search)
{
    m_cancel = false;
    m_searching = true;
    QList<ProgramHit> hits;
    QEventLoop loop;
    QThread* worker = QThread::create([&] { hits = search.Run(m_cancel); });
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    m_searching = false;
    return hits;
}

void TfrmProgress::reject()
{
    // Escape during a search stops it; the wizard closes this window when
    // the search returns.
    if (m_searching)
        CancelSearch();
    else
        QDialog::reject();
}

void TfrmProgress::closeEvent(QCloseEvent* event)
{
    if (m_searching) {
        CancelSearch();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace flk
