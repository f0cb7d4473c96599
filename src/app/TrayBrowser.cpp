// The tray window's side of the browser helper: its endpoint under the
// caption, the helper's registration, and the messages other programs send:
// the helper's, and a later copy's request to show the manager window.

#include "BrowserHelper.h"
#include "Endpoint.h"
#include "Manager.h"
#include "Tray.h"

namespace flk {

void TfrmTray::RegisterBrowser()
{
    if (!m_endpoint) {
        m_endpoint = new Endpoint(
            [this](UINT msg, WPARAM wParam, LPARAM lParam, const QByteArray& data) {
                return WndProc(msg, wParam, lParam, data);
            },
            this);
        m_endpoint->setName(Caption());
    }
    browser::RegisterBrowserHelper();
}

void TfrmTray::UnregisterBrowser()
{
    // Exit and the end of the session may both come by: unregister once.
    if (m_unregistered)
        return;
    m_unregistered = true;
    browser::UnregisterBrowserHelper();
}

LRESULT TfrmTray::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, const QByteArray& data)
{
    if (msg == WM_FLK_SHOWMANAGER) {
        if (!m_startupDone) {
            // The window comes forward once start-up has made it.
            m_showWhenStarted = true;
            return 1;
        }
        mdTrayDefaultFunction();
        return Manager() && Manager()->isVisible() ? 1 : 0;
    }
    return browser::HandleTrayMessage(msg, wParam, lParam, data);
}

} // namespace flk
