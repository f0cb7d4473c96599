#include "FindPartialWindow.h"

#include <QGuiApplication>

#if defined(FLK_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#include <cstdlib>
#include <cstring>
#include <vector>
#define FLK_FIND_WINDOW_X11 1
#endif

namespace flk {

#ifdef FLK_FIND_WINDOW_X11
namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, strlen(name), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}

QByteArray Property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, uint32_t longs)
{
    xcb_get_property_reply_t* r
        = xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, longs), nullptr);
    QByteArray bytes;
    if (r)
        bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return bytes;
}

// Client windows from the bottom of the stacking order to the top, as the
// window manager publishes them.
std::vector<xcb_window_t> StackedWindows(xcb_connection_t* c, xcb_window_t root)
{
    const QByteArray list = Property(c, root, Atom(c, "_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 4096);
    std::vector<xcb_window_t> windows(list.size() / sizeof(xcb_window_t));
    memcpy(windows.data(), list.constData(), windows.size() * sizeof(xcb_window_t));
    return windows;
}

QString Title(xcb_connection_t* c, xcb_window_t w, xcb_atom_t netName, xcb_atom_t utf8)
{
    QByteArray title = Property(c, w, netName, utf8, 64);
    if (title.isEmpty())
        return QString::fromLatin1(Property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 64));
    return QString::fromUtf8(title);
}

} // namespace

QString FindPartialWindow(const QString& text)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return {};
    xcb_connection_t* c = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return {};
    const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    const QString wanted = text.toUpper();
    const std::vector<xcb_window_t> windows = StackedWindows(c, screen->root);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const QString title = Title(c, *it, netName, utf8).left(255);
        if (title.toUpper().contains(wanted))
            return title;
    }
    return {};
}

#else

QString FindPartialWindow(const QString&)
{
    return {};
}

#endif

} // namespace flk
