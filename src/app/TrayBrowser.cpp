// The tray window's side of the browser helper: its endpoint under the
// caption, the helper's registration, and the helper's messages.

#include "BrowserHelper.h"
#include "Endpoint.h"
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
    return browser::HandleTrayMessage(msg, wParam, lParam, data);
}

} // namespace flk
