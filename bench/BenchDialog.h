#pragma once
// The download dialog benchmarks' shared steps: a dialog made ready to run
// unattended, and a download timed up to a details-log line.

#include "Asker.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace flk::bench {

// Settings that would stop for a user (the completion box, closing, opening
// the file) are turned off, and the dialog is shown.
inline void ShowUnattended(TfrmAsker* asker)
{
    asker->SetDefaults();
    asker->cbPromptDone->setChecked(false);
    asker->cbClose->setChecked(false);
    asker->cbOpenWhen->setCurrentIndex(0);
    asker->show();
    QApplication::processEvents();
}

// Clicks Download and returns the seconds until the first details-log line
// that `isEnd` accepts, or -1 when none came.
inline double TimeDownload(TfrmAsker* asker, const std::function<bool(const QString&)>& isEnd)
{
    QElapsedTimer clock;
    qint64 doneNs = -1;
    QObject::connect(asker->ListBox1->model(), &QAbstractItemModel::rowsInserted, asker,
                     [&](const QModelIndex&, int first, int) {
                         if (doneNs < 0 && isEnd(asker->ListBox1->item(first)->text()))
                             doneNs = clock.nsecsElapsed();
                     });
    clock.start();
    asker->cmdOK->click();
    // The transfer runs on the event loop: wait for its end as a user would,
    // sleeping between events (a timer wakes the loop to look at the state).
    QTimer wake;
    wake.start(50);
    while (doneNs < 0 && asker->IsBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return doneNs >= 0 ? doneNs / 1e9 : -1;
}

} // namespace flk::bench
