// The FTP transfer of the download dialog. Not available in this build yet:
// Download reports that and returns to Idle.
#include "Asker.h"

#include "Dialogs.h"

namespace flk {

void TfrmAsker::GetFTP(bool resumeAllowed)
{
    (void)resumeAllowed;
    AddLog(QStringLiteral("FTP downloads are not available in this version."));
    Dialogs::showMessage(QStringLiteral("FTP downloads are not available in this version."), this);
    NoFollowUp = true;
    EndDownload();
}

void TfrmAsker::FtpAbort() {}

void TfrmAsker::FtpShutdown() {}

} // namespace flk
