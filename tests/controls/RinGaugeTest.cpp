// The ring gauge: limits, carry-over on range changes, geometry and pixels.
#include "RinGauge.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPalette>
#include <gtest/gtest.h>

#include "PaintCounter.h"

using flk::test::PaintCounter;

using flk::TRingGauge;

namespace {

QColor PixelAt(QWidget& w, QPoint p)
{
    const QImage image = w.grab().toImage();
    return image.pixelColor(p);
}

QColor Inverted(QColor c)
{
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}


} // namespace

TEST(RingGaugeLimits, DefaultsAreThoseOfANewGauge)
{
    TRingGauge g;
    EXPECT_EQ(g.Min(), 0);
    EXPECT_EQ(g.Max(), 100);
    EXPECT_EQ(g.Progress(), 0);
    EXPECT_EQ(g.FirstIndicationPoint(), 60);
    EXPECT_EQ(g.SecondIndicationPoint(), 90);
    EXPECT_EQ(g.FirstPartColor(), QColor(0, 0, 255));
    EXPECT_EQ(g.SecondPartColor(), QColor(255, 255, 0));
    EXPECT_EQ(g.ThirdPartColor(), QColor(255, 0, 0));
    EXPECT_EQ(g.SectorDegree(), 60);
    EXPECT_EQ(g.NeedleWidth(), 1);
    EXPECT_EQ(g.size(), QSize(300, 300));
    EXPECT_EQ(g.property("Progress").toLongLong(), 0);
}

TEST(RingGaugeLimits, NeedleWidthAndSectorAreKeptInBounds)
{
    TRingGauge g;
    g.SetNeedleWidth(0);
    EXPECT_EQ(g.NeedleWidth(), 1);
    g.SetNeedleWidth(-4);
    EXPECT_EQ(g.NeedleWidth(), 1);
    g.SetSectorDegree(5);
    EXPECT_EQ(g.SectorDegree(), 6);
    g.SetSectorDegree(301);
    EXPECT_EQ(g.SectorDegree(), 300);
    g.SetSectorDegree(80);
    EXPECT_EQ(g.SectorDegree(), 80);
}

TEST(RingGaugeLimits, ProgressStaysWithinTheRange)
{
    TRingGauge g;
    g.SetProgress(150);
    EXPECT_EQ(g.Progress(), 100);
    g.SetProgress(-3);
    EXPECT_EQ(g.Progress(), 0);
    g.setProperty("Progress", 42);
    EXPECT_EQ(g.Progress(), 42);
}

TEST(RingGaugeLimits, IndicationPointsKeepFivePercentApart)
{
    TRingGauge g;
    g.SetFirstIndicationPoint(99);
    EXPECT_EQ(g.FirstIndicationPoint(), 85);
    g.SetFirstIndicationPoint(1);
    EXPECT_EQ(g.FirstIndicationPoint(), 5);
    g.SetSecondIndicationPoint(2);
    EXPECT_EQ(g.SecondIndicationPoint(), 10);
    g.SetSecondIndicationPoint(100);
    EXPECT_EQ(g.SecondIndicationPoint(), 95);
}

TEST(RingGaugeLimits, RangeNarrowerThanFiftyIsWidened)
{
    TRingGauge g;
    g.SetMax(20);
    EXPECT_EQ(g.Max(), 50);
    g.SetMin(30);
    EXPECT_EQ(g.Min(), 0);
    g.SetMax(1000);
    g.SetMin(990);
    EXPECT_EQ(g.Min(), 950);
}

TEST(RingGaugeLimits, RangeChangeCarriesPointsAndProgress)
{
    TRingGauge g;
    g.SetProgress(50);
    g.SetMax(200);
    EXPECT_EQ(g.Max(), 200);
    EXPECT_EQ(g.FirstIndicationPoint(), 120);
    EXPECT_EQ(g.SecondIndicationPoint(), 180);
    EXPECT_EQ(g.Progress(), 100);

    // A rising Min shifts and shrinks the values: 100 -> 100 + 100 * 100 div 200.
    g.SetMin(100);
    EXPECT_EQ(g.Progress(), 150);
    EXPECT_EQ(g.FirstIndicationPoint(), 160);
    EXPECT_EQ(g.SecondIndicationPoint(), 190);
}

TEST(RingGaugeLimits, RangeChangeTruncatesTheCarriedValues)
{
    TRingGauge g;
    g.SetProgress(33);
    g.SetMax(38600); // 33 * 38600 div 100 = 12738; 60 -> 23160; 90 -> 34740
    EXPECT_EQ(g.Progress(), 12738);
    EXPECT_EQ(g.FirstIndicationPoint(), 23160);
    EXPECT_EQ(g.SecondIndicationPoint(), 34740);
    g.SetMax(28800); // 12738 * 28800 div 38600 = 9504.3 -> 9504
    EXPECT_EQ(g.Progress(), 9504);
}

TEST(RingGaugeLimits, SpeedsBeyondThirtyTwoBitsAreHeld)
{
    TRingGauge g;
    g.SetMax(10'000'000'000LL);
    g.SetProgress(5'000'000'000LL);
    EXPECT_EQ(g.Progress(), 5'000'000'000LL);
    EXPECT_EQ(g.AngleOf(g.Progress()), 180);
}

TEST(RingGaugeGeometry, AnglesOfMinMiddleAndMax)
{
    TRingGauge g;
    EXPECT_EQ(g.AngleOf(0), 30);   // lower left
    EXPECT_EQ(g.AngleOf(50), 180); // straight up
    EXPECT_EQ(g.AngleOf(100), 330); // lower right
    g.SetSectorDegree(80);
    EXPECT_EQ(g.AngleOf(0), 40);
    EXPECT_EQ(g.AngleOf(100), 320);
}

TEST(RingGaugeGeometry, AnglesRunClockwiseFromStraightDown)
{
    TRingGauge g;
    g.show();
    const QPoint c = g.Centre();
    EXPECT_EQ(g.PointAt(0, 100), c + QPoint(0, 100));    // down
    EXPECT_EQ(g.PointAt(90, 100), c + QPoint(-100, 0));  // left
    EXPECT_EQ(g.PointAt(180, 100), c + QPoint(0, -100)); // up
    EXPECT_EQ(g.PointAt(270, 100), c + QPoint(100, 0));  // right
    EXPECT_EQ(g.PointAt(30, 110), c + QPoint(-55, 95));  // 110 sin 30 = 55, 110 cos 30 = 95.26
}

TEST(RingGaugeGeometry, SizeSetsTheRingAndItsRadii)
{
    TRingGauge g;
    g.show();
    EXPECT_EQ(g.RingSquare(), QRect(5, 10, 290, 290));
    EXPECT_EQ(g.Centre(), QPoint(150, 155));
    EXPECT_EQ(g.OuterRadius(), 130);
    EXPECT_EQ(g.InnerRadius(), 115);
    EXPECT_EQ(g.NeedleRadius(), 120);

    g.resize(131, 180);
    QApplication::processEvents();
    EXPECT_EQ(g.RingSquare(), QRect(5, 10, 121, 121));
    EXPECT_EQ(g.Centre(), QPoint(65, 70));
    EXPECT_EQ(g.OuterRadius(), 45);
    EXPECT_EQ(g.InnerRadius(), 30);
    EXPECT_EQ(g.NeedleRadius(), 35);

    g.resize(60, 60); // never below 130 x 130
    QApplication::processEvents();
    EXPECT_EQ(g.size(), QSize(130, 130));
}

TEST(RingGaugeGeometry, TicksEveryFivePercentOfTheSpan)
{
    TRingGauge g;
    const std::vector<int> ticks = g.TickAngles();
    ASSERT_EQ(ticks.size(), 20u);
    EXPECT_EQ(ticks[0], 30);
    EXPECT_EQ(ticks[1], 45);
    EXPECT_EQ(ticks[10], 180);
    EXPECT_EQ(ticks[19], 315);
    EXPECT_EQ(g.SpanEndAngle(), 330);
    g.SetSectorDegree(80); // 40 + 280 * 5 div 100 = 54
    EXPECT_EQ(g.TickAngles()[1], 54);
    EXPECT_EQ(g.SpanEndAngle(), 320);
}

TEST(RingGaugeGeometry, DownloadDialogLook)
{
    TRingGauge g;
    g.ApplyDownloadDialogLook();
    g.show();
    EXPECT_EQ(g.size(), QSize(130, 130));
    EXPECT_EQ(g.SectorDegree(), 80);
    EXPECT_EQ(g.NeedleWidth(), 2);
    EXPECT_EQ(g.FirstPartColor(), QColor(255, 0, 0));
    EXPECT_EQ(g.ThirdPartColor(), QColor(0, 255, 0));
    EXPECT_EQ(g.Max(), 38600);
    EXPECT_EQ(g.OuterRadius(), 45);
}

TEST(RingGaugePainting, PartsHaveTheirColours)
{
    TRingGauge g;
    g.show();
    const double middle = (g.OuterRadius() + g.InnerRadius()) / 2.0;
    // Min 30 deg .. first point 210 .. second point 300 .. Max 330.
    EXPECT_EQ(PixelAt(g, g.PointAt(120, middle)), QColor(0, 0, 255));
    EXPECT_EQ(PixelAt(g, g.PointAt(255, middle)), QColor(255, 255, 0));
    EXPECT_EQ(PixelAt(g, g.PointAt(315, middle)), QColor(255, 0, 0));
    // The gap at the bottom stays the panel's own colour.
    EXPECT_EQ(PixelAt(g, g.PointAt(0, middle)), g.palette().color(QPalette::Window));

    g.SetFirstIndicationPoint(20); // 20 * 3 + 30 = 90 deg
    EXPECT_EQ(PixelAt(g, g.PointAt(120, middle)), QColor(255, 255, 0));
}

TEST(RingGaugePainting, NeedleInvertsWhatLiesUnderIt)
{
    TRingGauge g;
    g.show();
    const QColor panel = g.palette().color(QPalette::Window);
    g.SetProgress(50); // straight up
    const QPoint onNeedle = g.PointAt(180, 50);
    EXPECT_EQ(PixelAt(g, onNeedle), Inverted(panel));
    EXPECT_EQ(PixelAt(g, g.PointAt(90, 50)), panel);

    g.SetProgress(25); // 105 deg: the old needle is gone
    EXPECT_EQ(PixelAt(g, onNeedle), panel);
    EXPECT_EQ(PixelAt(g, g.PointAt(105, 50)), Inverted(panel));
}

TEST(RingGaugePainting, RepaintsOnlyWhenTheNeedleMoves)
{
    TRingGauge g;
    g.ApplyDownloadDialogLook(); // 0 .. 38600 over 280 degrees
    g.show();
    QApplication::processEvents();
    PaintCounter counter(g);
    g.SetProgress(100); // 100 * 280 div 38600 = 0: same angle
    g.SetProgress(137);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    g.SetProgress(138); // 1 degree on
    g.SetProgress(2000);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
}
