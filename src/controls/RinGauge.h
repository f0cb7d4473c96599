#pragma once
// The ring-shaped speed gauge: a ring split into three coloured parts with a
// gap at the bottom, a scale inside it and an inverted needle.
// Angles are in degrees, 0 straight down, growing clockwise on the screen
// (down, left, up, right).

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <QtGlobal>
#include <vector>

namespace flk {

class TRingGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qint64 Min READ Min WRITE SetMin)
    Q_PROPERTY(qint64 Max READ Max WRITE SetMax)
    Q_PROPERTY(qint64 Progress READ Progress WRITE SetProgress)
    Q_PROPERTY(qint64 FirstIndicationPoint READ FirstIndicationPoint WRITE SetFirstIndicationPoint)
    Q_PROPERTY(qint64 SecondIndicationPoint READ SecondIndicationPoint WRITE SetSecondIndicationPoint)
    Q_PROPERTY(QColor FirstPartColor READ FirstPartColor WRITE SetFirstPartColor)
    Q_PROPERTY(QColor SecondPartColor READ SecondPartColor WRITE SetSecondPartColor)
    Q_PROPERTY(QColor ThirdPartColor READ ThirdPartColor WRITE SetThirdPartColor)
    Q_PROPERTY(int SectorDegree READ SectorDegree WRITE SetSectorDegree)
    Q_PROPERTY(int OuterRadius READ OuterRadius WRITE SetOuterRadius)
    Q_PROPERTY(int InnerRadius READ InnerRadius WRITE SetInnerRadius)
    Q_PROPERTY(int NeedleRadius READ NeedleRadius WRITE SetNeedleRadius)
    Q_PROPERTY(int NeedleWidth READ NeedleWidth WRITE SetNeedleWidth)

public:
    explicit TRingGauge(QWidget* parent = nullptr);

    qint64 Min() const { return m_min; }
    qint64 Max() const { return m_max; }
    qint64 Progress() const { return m_progress; }
    qint64 FirstIndicationPoint() const { return m_first; }
    qint64 SecondIndicationPoint() const { return m_second; }
    QColor FirstPartColor() const { return m_firstColor; }
    QColor SecondPartColor() const { return m_secondColor; }
    QColor ThirdPartColor() const { return m_thirdColor; }
    int SectorDegree() const { return m_sectorDegree; }
    int OuterRadius() const { return m_outerRadius; }
    int InnerRadius() const { return m_innerRadius; }
    int NeedleRadius() const { return m_needleRadius; }
    int NeedleWidth() const { return m_needleWidth; }

    // Min stays at most Max - 50, Max at least Min + 50; the indication
    // points and Progress are carried over proportionally into the new range.
    void SetMin(qint64 value);
    void SetMax(qint64 value);
    // Limited to Min .. Max. Cheap: repaints only when the needle moves.
    void SetProgress(qint64 value);
    // Kept at least 5 % of the range apart and 5 % inside the range.
    void SetFirstIndicationPoint(qint64 value);
    void SetSecondIndicationPoint(qint64 value);
    void SetFirstPartColor(const QColor& color);
    void SetSecondPartColor(const QColor& color);
    void SetThirdPartColor(const QColor& color);
    void SetSectorDegree(int value); // limited to 6 .. 300
    void SetOuterRadius(int value);
    void SetInnerRadius(int value);
    void SetNeedleRadius(int value);
    void SetNeedleWidth(int value); // at least 1

    // The download dialog's ring: 130 x 130, SectorDegree 80, NeedleWidth 2,
    // red first part, lime third part, Max 38600.
    void ApplyDownloadDialogLook();

    // Geometry, in widget pixels.
    QRect RingSquare() const;         // (5, 10), side = min(width, height) - 10
    QPoint Centre() const;
    int AngleOf(qint64 value) const;  // angle of a value on the scale
    QPoint PointAt(double angle, double radius) const;
    std::vector<int> TickAngles() const; // 20 ticks, every 5 % of the span
    int SpanEndAngle() const;         // the long tick at the end of the span

    QSize sizeHint() const override { return {300, 300}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    qint64 Carry(qint64 v, qint64 oldMin, qint64 oldMax) const;
    void ChangeRange(qint64 newMin, qint64 newMax);
    qint64 PointGap() const; // 5 % of the range
    void SetColor(QColor& field, const QColor& color);
    void SetInt(int& field, int value);

    qint64 m_min = 0;
    qint64 m_max = 100;
    qint64 m_progress = 0;
    qint64 m_first = 60;
    qint64 m_second = 90;
    QColor m_firstColor{0, 0, 255};
    QColor m_secondColor{255, 255, 0};
    QColor m_thirdColor{255, 0, 0};
    int m_sectorDegree = 60;
    int m_outerRadius = 110;
    int m_innerRadius = 60;
    int m_needleRadius = 70;
    int m_needleWidth = 1;
};

} // namespace flk
