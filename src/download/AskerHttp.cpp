// The HTTP transfer of the download dialog. Not available in this build yet:
// Download reports that and returns to Idle.
#include "Asker.h"

#include "Dialogs.h"

#include <QTimer>

namespace flk {

void TfrmAsker::GetHTTP()
{
    AddLog(QStringLiteral("HTTP downloads are not available in this version."));
    Dialogs::showMessage(QStringLiteral("HTTP downloads are not available in this version."), this);
    NoFollowUp = true;
    EndDownload();
}

void TfrmAsker::tmrDLSpeedTimer()
{
    tmrDLSpeed->stop();
}

void TfrmAsker::tmrRedirectTimer()
{
    tmrRedirect->stop();
}

void TfrmAsker::HttpAbort() {}

void TfrmAsker::HttpShutdown() {}

} // namespace flk
