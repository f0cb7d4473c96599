#pragma once
// The search window's animation: a magnifying glass that circles over an
// open folder while a search runs, as the desktop's file-search animation
// did. Painted on the GUI thread from a timer; each frame is a few shapes.

#include <QTimer>
#include <QWidget>

namespace flk {

class TAnimate : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrames = 12;
    static constexpr int kFrameMs = 90;

    explicit TAnimate(QWidget* parent = nullptr);

    bool Active() const { return m_timer.isActive(); }
    void SetActive(bool active);
    int Frame() const { return m_frame; }

    QSize sizeHint() const override { return {80, 50}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QTimer m_timer;
    int m_frame = 0;
};

} // namespace flk
