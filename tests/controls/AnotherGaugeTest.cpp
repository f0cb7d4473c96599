// The block gauge: range errors, block counts and the painted column.
#include "AnotherGauge.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <vector>
#include <gtest/gtest.h>

#include "PaintCounter.h"

using flk::test::PaintCounter;

using flk::ERangeError;
using flk::TAnotherGauge;

namespace {

const QColor Lime(0, 255, 0);
const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

// The download dialog's gauge: 50 x 80, BlockHeight 5, range 0 .. 100.
void MakeDialogGauge(TAnotherGauge& g)
{
    g.ApplyDownloadDialogLook();
    g.show();
}


} // namespace

TEST(BlockGaugeProperties, Defaults)
{
    TAnotherGauge g;
    EXPECT_EQ(g.Min(), 0);
    EXPECT_EQ(g.Max(), 100);
    EXPECT_EQ(g.Value(), 50);
    EXPECT_EQ(g.Low(), 10);
    EXPECT_EQ(g.High(), 80);
    EXPECT_EQ(g.ForeColor(), Lime);
    EXPECT_EQ(g.LowColor(), Green);
    EXPECT_EQ(g.HighColor(), Red);
    EXPECT_EQ(g.BlockHeight(), 10);
    EXPECT_EQ(g.Color(), Black);
    EXPECT_EQ(g.size(), QSize(50, 150));
}

TEST(BlockGaugeProperties, DownloadDialogLook)
{
    TAnotherGauge g;
    MakeDialogGauge(g);
    EXPECT_EQ(g.size(), QSize(50, 80));
    EXPECT_EQ(g.BlockHeight(), 5);
    EXPECT_EQ(g.Low(), 33);
    EXPECT_EQ(g.High(), 66);
    EXPECT_EQ(g.ForeColor(), Lime);
    EXPECT_EQ(g.LowColor(), Lime);
    EXPECT_EQ(g.HighColor(), Lime);
    EXPECT_EQ(g.Color(), Black);
}

TEST(BlockGaugeProperties, ValueOutsideTheRangeIsRefusedAndKept)
{
    TAnotherGauge g;
    MakeDialogGauge(g);
    g.SetValue(100);
    try {
        g.SetValue(101);
        FAIL() << "no range error";
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Value 101 is out of range 0..100");
    }
    EXPECT_EQ(g.Value(), 100);
    EXPECT_EQ(g.BlocksFor(g.Value()), 16);
    EXPECT_THROW(g.SetValue(-1), ERangeError);
    EXPECT_EQ(g.Value(), 100);
}

TEST(BlockGaugeProperties, LowAndBlockHeightLimits)
{
    TAnotherGauge g;
    EXPECT_THROW(g.SetLow(81), ERangeError); // above High
    EXPECT_THROW(g.SetLow(-1), ERangeError); // below Min
    EXPECT_EQ(g.Low(), 10);
    g.SetLow(80);
    EXPECT_EQ(g.Low(), 80);

    EXPECT_THROW(g.SetBlockHeight(0), ERangeError);
    EXPECT_THROW(g.SetBlockHeight(26), ERangeError); // (100 - 0) div 4 = 25
    EXPECT_EQ(g.BlockHeight(), 10);
    g.SetBlockHeight(25);
    EXPECT_EQ(g.BlockHeight(), 25);
}

TEST(BlockGaugeProperties, SettingValueFiresTheChangeEvent)
{
    TAnotherGauge g;
    std::vector<qint64> seen;
    QObject::connect(&g, &TAnotherGauge::OnChange, [&](qint64 v) { seen.push_back(v); });
    g.SetValue(70);
    EXPECT_THROW(g.SetValue(170), ERangeError);
    EXPECT_EQ(seen, std::vector<qint64>{70});
}

TEST(BlockGaugeGeometry, LitBlocksOfTheDialogGauge)
{
    TAnotherGauge g;
    MakeDialogGauge(g);
    EXPECT_EQ(g.BlocksFor(50), 8);
    EXPECT_EQ(g.BlocksFor(100), 16);
    EXPECT_EQ(g.BlocksFor(0), 0);
    EXPECT_EQ(g.TopFor(50), 40);
    EXPECT_EQ(g.TopFor(100), 0);
}

TEST(BlockGaugeGeometry, HalvesRoundToEven)
{
    // 100 pixels, blocks of 10, range 0 .. 100: v / 10 blocks.
    EXPECT_EQ(TAnotherGauge::BlockCount(15, 0, 100, 100, 10), 2); // 1.5
    EXPECT_EQ(TAnotherGauge::BlockCount(25, 0, 100, 100, 10), 2); // 2.5
    EXPECT_EQ(TAnotherGauge::BlockCount(35, 0, 100, 100, 10), 4); // 3.5
    EXPECT_EQ(TAnotherGauge::BlockCount(36, 0, 100, 100, 10), 4); // 3.6
    EXPECT_EQ(TAnotherGauge::BlockCount(24, 0, 100, 100, 10), 2); // 2.4
    // The default gauge: 50 of 100 on 150 pixels in blocks of 10 is 7.5.
    TAnotherGauge g;
    g.show();
    EXPECT_EQ(g.BlocksFor(50), 8);
    EXPECT_EQ(g.BlocksFor(10), 2); // 1.5
}

TEST(BlockGaugeGeometry, LargeFilesAndEmptyRanges)
{
    const qint64 size = 5'000'000'000LL; // above 32 bits
    EXPECT_EQ(TAnotherGauge::BlockCount(size / 2, 0, size, 80, 5), 8);
    EXPECT_EQ(TAnotherGauge::BlockCount(size, 0, size, 80, 5), 16);
    EXPECT_EQ(TAnotherGauge::BlockCount(0, 0, 0, 80, 5), 0); // a file of no bytes

    TAnotherGauge g;
    MakeDialogGauge(g);
    g.SetMax(size);
    g.SetValue(size - 1);
    EXPECT_EQ(g.Value(), size - 1);
    EXPECT_THROW(g.SetValue(size + 1), ERangeError);
}

TEST(BlockGaugePainting, LitAndUnlitBlocksOfTheDefaultGauge)
{
    TAnotherGauge g; // Value 50 -> 8 blocks: top 70; Low 10 -> 2 blocks: top 130
    g.show();
    const QImage image = g.grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 60), Black);  // above the column
    EXPECT_EQ(image.pixelColor(10, 105), Lime);  // between Low and Value
    EXPECT_EQ(image.pixelColor(10, 135), Green); // below Low
    EXPECT_EQ(image.pixelColor(10, 100), Black); // a block separator
    EXPECT_EQ(image.pixelColor(45, 100), Lime);  // a scale mark
    EXPECT_EQ(image.pixelColor(43, 50), Lime);   // the scale's bracket
    EXPECT_EQ(image.pixelColor(45, 55), Black);  // between two marks
}

TEST(BlockGaugePainting, AboveHighInHighColourAndFallingValueClears)
{
    TAnotherGauge g;
    g.show();
    g.SetValue(95); // 14.25 -> 14 blocks: top 10; High 80 -> 12 blocks: top 30
    QImage image = g.grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 15), Red);
    EXPECT_EQ(image.pixelColor(10, 35), Lime);
    g.SetValue(5); // at or below Low: the whole column in LowColor
    image = g.grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 15), Black);
    EXPECT_EQ(image.pixelColor(10, 145), Green);
}

TEST(BlockGaugePainting, RepaintsOnlyWhenTheLitBlocksChange)
{
    TAnotherGauge g;
    MakeDialogGauge(g); // 8 blocks at 50
    QApplication::processEvents();
    PaintCounter counter(g);
    g.SetValue(51); // 8.16: still 8 blocks
    g.SetValue(53); // 8.48
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    g.SetValue(60); // 9.6 -> 10 blocks
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
}
