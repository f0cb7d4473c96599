// The connection-speed choices and the Speed values they stand for, both ways.

#include "ConnectionSpeed.h"

#include <gtest/gtest.h>

using namespace flk;
using Unit = ConnectionSpeed::Unit;
using Kind = ConnectionSpeed::Kind;

TEST(ConnectionSpeed, ListsHoldTheirEntriesAndValues)
{
    QStringList texts;
    QList<int> speeds;
    for (const auto& e : ConnectionSpeed::ModemEntries() + ConnectionSpeed::T1Entries()) {
        texts << e.text;
        speeds << e.speed;
    }
    EXPECT_EQ(texts, QStringList({"14.4 kbps", "28.8 kbps", "33.6 kbps", "56 kbps", "128 kbps", "256 kbps",
                                  "384 kbps", "768 kbps", "1.5 mbps"}));
    EXPECT_EQ(speeds, QList<int>({14400, 28800, 33600, 56600, 128000, 256000, 384000, 768000, 1500000}));
}

TEST(ConnectionSpeed, OtherIsTheNumberInBitsPerSecondRounded)
{
    EXPECT_EQ(ConnectionSpeed::FromOther("1.5", Unit::mbps), 1500000);
    EXPECT_EQ(ConnectionSpeed::FromOther(" 64 ", Unit::kbps), 64000);
    EXPECT_EQ(ConnectionSpeed::FromOther("0.0015", Unit::kbps), 2);
    EXPECT_EQ(ConnectionSpeed::FromOther("2147.483647", Unit::mbps), 2147483647);
}

TEST(ConnectionSpeed, OtherRefusesWhatIsNoUsableSpeed)
{
    for (const char* text : {"", "abc", "12k", "0", "-5", "0.0000001", "1e300", "inf", "nan", "2147.483648"})
        EXPECT_FALSE(ConnectionSpeed::FromOther(text, Unit::mbps).has_value()) << text;
    EXPECT_FALSE(ConnectionSpeed::FromOther("0.0004", Unit::kbps).has_value());
}

TEST(ConnectionSpeed, AStoredSpeedShowsAgainAsTheChoiceThatGivesItBack)
{
    const auto modem = ConnectionSpeed::ForSpeed(56600);
    EXPECT_EQ(modem.kind, Kind::Modem);
    EXPECT_EQ(modem.index, 3);
    const auto t1 = ConnectionSpeed::ForSpeed(1500000);
    EXPECT_EQ(t1.kind, Kind::T1);
    EXPECT_EQ(t1.index, 4);
    for (int speed : {56000, 12345, 1, 999, 3000000, 2500000, 2147483647}) {
        const auto other = ConnectionSpeed::ForSpeed(speed);
        ASSERT_EQ(other.kind, Kind::Other) << speed;
        EXPECT_EQ(ConnectionSpeed::FromOther(other.otherText, other.unit), speed) << other.otherText.toStdString();
    }
    EXPECT_EQ(ConnectionSpeed::ForSpeed(3000000).otherText, "3");
    EXPECT_EQ(ConnectionSpeed::ForSpeed(3000000).unit, Unit::mbps);
    EXPECT_EQ(ConnectionSpeed::ForSpeed(12340).otherText, "12.34");
    for (int bad : {0, -28800}) {
        EXPECT_EQ(ConnectionSpeed::ForSpeed(bad).kind, Kind::Modem);
        EXPECT_EQ(ConnectionSpeed::ForSpeed(bad).index, 1);
    }
}
