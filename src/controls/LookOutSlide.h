#pragma once
// The smooth slide shared by pages and buttons.

#include <QWidget>
#include <functional>

namespace flk {

// Moves `widget` vertically to `top` in 20-pixel steps, letting pending
// messages run after each step, then puts it at its exact place. Returns
// false when the slide had to stop: `owner` was destroyed or `stillCurrent`
// answered false after a pump (a newer layout took over). The widget itself
// may be destroyed meanwhile; it is then left alone.
bool SlideTo(QWidget* widget, int top, QObject* owner, const std::function<bool()>& stillCurrent);

} // namespace flk
