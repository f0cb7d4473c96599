// The tray window's side of the browser helper: its endpoint under the
// caption, the helper's registration, and the helper's messages.

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
}

void TfrmTray::UnregisterBrowser()
{
    if (m_unregistered)
        return;
    m_unregistered = true;
}

LRESULT TfrmTray::WndProc(UINT, WPARAM, LPARAM, const QByteArray&)
{
    return 0;
}

} // namespace flk
