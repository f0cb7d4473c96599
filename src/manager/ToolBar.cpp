#include "ToolBar.h"

#include <QMouseEvent>

namespace flk {

void TToolBar::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        emit DoubleClicked();
        return;
    }
    QToolBar::mouseDoubleClickEvent(e);
}

} // namespace flk
