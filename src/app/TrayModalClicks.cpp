#include "TrayModalClicks.h"

#include <QApplication>
#include <QWidget>

#ifdef FLK_HAVE_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#endif

namespace flk {

TrayModalClicks::TrayModalClicks(std::function<void()> rightButtonDown) : m_rightButtonDown(std::move(rightButtonDown))
{
#ifdef FLK_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    static const char kInput[] = "XInputExtension";
    xcb_connection_t* c = x11->connection();
    if (auto* r = xcb_query_extension_reply(c, xcb_query_extension(c, std::strlen(kInput), kInput), nullptr)) {
        if (r->present)
            m_inputOpcode = r->major_opcode;
        std::free(r);
    }
    qApp->installNativeEventFilter(this);
#endif
}

TrayModalClicks::~TrayModalClicks() = default; // the base removes the filter

#ifdef FLK_HAVE_XCB
namespace {

// The X window a right-button press went to, or 0 for any other event. The
// input extension's press carries the button at byte 16 and the window at
// byte 24 (its wire layout); the core press at bytes 1 and 12.
xcb_window_t RightPressWindow(const xcb_generic_event_t* event, int inputOpcode)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(event);
    const int kind = event->response_type & 0x7f;
    if (kind == XCB_BUTTON_PRESS) {
        const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
        return press->detail == 3 ? press->event : 0;
    }
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (kind != XCB_GE_GENERIC || generic->extension != inputOpcode || generic->event_type != 4 /* XI_ButtonPress */)
        return 0;
    std::uint32_t button = 0;
    xcb_window_t window = 0;
    std::memcpy(&button, bytes + 16, sizeof button);
    std::memcpy(&window, bytes + 24, sizeof window);
    return button == 3 ? window : 0;
}

bool IsTrayIcon(xcb_window_t window)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->internalWinId() == window)
            return w->inherits("QSystemTrayIconSys");
    return false;
}

} // namespace
#endif

bool TrayModalClicks::nativeEventFilter(const QByteArray& type, void* message, qintptr*)
{
#ifdef FLK_HAVE_XCB
    if (type != "xcb_generic_event_t" || !QApplication::activeModalWidget())
        return false;
    const xcb_window_t window = RightPressWindow(static_cast<const xcb_generic_event_t*>(message), m_inputOpcode);
    if (!window || !IsTrayIcon(window))
        return false;
    m_rightButtonDown();
    return true;
#else
    (void)type;
    (void)message;
    return false;
#endif
}

} // namespace flk
