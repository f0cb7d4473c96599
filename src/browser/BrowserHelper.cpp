#include "BrowserHelper.h"

#include "Asker.h"
#include "BinaryQuery.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FileMapping.h"
#include "HandOff.h"
#include "HandOffMessage.h"
#include "RegNS.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

namespace flk::browser {

void RegisterBrowserHelper()
{
    TRegNS().RegisterAll();
}

void UnregisterBrowserHelper()
{
    TRegNS().SelfRegister(false);
}

TfrmAsker* TakeHandOff(const QByteArray& data, WPARAM form)
{
    const THandOff handOff = form == kHandOffContext ? THandOff::FromContext(data) : THandOff::Parse(data);
    if (!handOff.Carried())
        return nullptr;
    auto* asker = new TfrmAsker();
    asker->FillFromHandOff(handOff.Address, handOff.Description, handOff.FileName(), handOff.Base(),
                           handOff.Protocol());
    asker->UseBrowserContext(handOff.BrowserFileName, handOff.Referrer, handOff.UserAgent, handOff.Cookies);
    asker->SetDefaults();
    asker->show();
    asker->BringToFront();
    return asker;
}

LRESULT HandleTrayMessage(UINT msg, WPARAM wParam, LPARAM, const QByteArray& data)
{
    if (msg == WM_ISBINARY) {
        try {
            TBinaryQuery::Answer();
        } catch (const EOSError& e) {
            // The application's error box: the helper finds no answer written.
            ShowException(e);
        }
        return 0;
    }
    if (msg == WM_COPYDATA)
        return TakeHandOff(data, wParam) ? 1 : 0;
    return 0;
}

} // namespace flk::browser
