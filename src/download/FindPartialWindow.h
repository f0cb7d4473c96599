#pragma once
#include <QString>

namespace flk {

// The title (at most 255 characters) of the first top-level window, from the
// top of the stacking order down, whose upper-cased title contains the
// upper-cased `text`; empty when there is none or the display offers no
// window list (offscreen, Wayland).
QString FindPartialWindow(const QString& text);

} // namespace flk
