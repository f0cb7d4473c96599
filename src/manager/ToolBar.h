#pragma once
// The manager window's toolbar: a Qt toolbar that also reports a double
// click on its free area (the window opens the toolbar settings then).

#include <QToolBar>

namespace flk {

class TToolBar : public QToolBar {
    Q_OBJECT
public:
    using QToolBar::QToolBar;

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

} // namespace flk
