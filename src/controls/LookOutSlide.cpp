#include "LookOutSlide.h"

#include "LookOutGeometry.h"
#include "PumpGuard.h"

namespace flk {

bool SlideTo(QWidget* widget, int top, QObject* owner, const std::function<bool()>& stillCurrent)
{
    const PumpGuard ownerAlive(owner);
    const PumpGuard widgetAlive(widget);
    for (int y : LookOutGeometry::SlidePositions(widget->y(), top)) {
        widget->move(widget->x(), y);
        if (!ownerAlive.ProcessMessages() || !stillCurrent())
            return false;
        if (!widgetAlive)
            return true;
    }
    widget->move(widget->x(), top);
    return true;
}

} // namespace flk
