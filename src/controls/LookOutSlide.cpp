#include "LookOutSlide.h"

#include "LookOutGeometry.h"
#include "Messages.h"

namespace flk {

bool SlideTo(QWidget* widget, int top, const QPointer<QObject>& owner, const std::function<bool()>& stillCurrent)
{
    const QPointer<QWidget> moving(widget);
    for (int y : LookOutGeometry::SlidePositions(widget->y(), top)) {
        moving->move(moving->x(), y);
        ProcessMessages();
        if (!owner || !stillCurrent())
            return false;
        if (!moving)
            return true;
    }
    moving->move(moving->x(), top);
    return true;
}

} // namespace flk
