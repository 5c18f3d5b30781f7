// The chart history: prefilled dated points, the shift of a tick, validity and ranges.
#include "reading/uChartHistory.h"

#include <QDateTime>

#include <gtest/gtest.h>


namespace
{

QDateTime at(int h, int m, int s)
{
    return QDateTime(QDate(2026, 3, 14), QTime(h, m, s));
}

double key(const QDateTime &t)
{
    return static_cast<double>(t.toMSecsSinceEpoch()) / 1000.0;
}

} // namespace

TEST(ChartHistory, FirstPointDatesTheEmptyHistoryBackwards)
{
    TChartHistory h;
    h.SetPointCount(6, 10);
    h.AddPoint(21.5, true, at(12, 0, 0));
    // Oldest first as the chart draws them: five empty points, then the reading.
    const QDateTime expectedTimes[] = {at(11, 59, 20), at(11, 59, 30), at(11, 59, 40),
                                       at(11, 59, 50), at(12, 0, 0),   at(12, 0, 0)};
    for (int i = 5; i >= 0; --i) {
        SCOPED_TRACE(i);
        const TChartPoint &p = h.Point(i);
        EXPECT_DOUBLE_EQ(p.Time, key(expectedTimes[5 - i]));
        EXPECT_EQ(p.Valid, i == 0);
    }
    EXPECT_DOUBLE_EQ(h.Point(0).Value, 21.5);
    EXPECT_EQ(h.Added(), 1u);
}

TEST(ChartHistory, EveryTickDropsTheOldestPointAcrossTheRingsEnd)
{
    TChartHistory h;
    h.SetPointCount(4, 1);
    // More ticks than points, so the ring wraps several times; gaps stay where they came.
    for (int i = 0; i < 11; ++i)
        h.AddPoint(i, i % 3 != 2, at(12, 0, i));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const int tick = 10 - i;
        EXPECT_DOUBLE_EQ(h.Point(i).Value, tick);
        EXPECT_DOUBLE_EQ(h.Point(i).Time, key(at(12, 0, tick)));
        EXPECT_EQ(h.Point(i).Valid, tick % 3 != 2);
    }
    EXPECT_FALSE(h.Point(4).Valid) << "outside the history there is no point";
}

TEST(ChartHistory, OneOrNoPointKeepsNothing)
{
    for (int n : {0, 1}) {
        SCOPED_TRACE(n);
        TChartHistory h;
        h.SetPointCount(n, 60);
        h.AddPoint(5.0, true, at(12, 0, 0));
        EXPECT_EQ(h.Added(), 0u);
        EXPECT_FALSE(h.Point(0).Valid);
    }
}

TEST(ChartHistory, ANewPointCountStartsAFreshUndatedHistory)
{
    TChartHistory h;
    h.SetPointCount(3, 1);
    h.AddPoint(1.0, true, at(12, 0, 0));
    h.SetPointCount(5, 2);
    EXPECT_EQ(h.Added(), 0u);
    EXPECT_EQ(h.PointCount(), 5);
    h.AddPoint(2.0, true, at(13, 0, 0));
    EXPECT_DOUBLE_EQ(h.Point(4).Time, key(at(12, 59, 54)));
    EXPECT_FALSE(h.Point(1).Valid);
}

TEST(ChartHistory, ValueRange)
{
    struct Case {
        const char *name;
        std::vector<std::pair<double, bool>> points; // oldest first
        bool binary;
        double low, high;
    };
    const Case cases[] = {
        {"no valid point", {{7.0, false}, {9.0, false}}, false, -1.04, 1.04},
        {"constant 20", {{20.0, true}, {20.0, true}, {20.0, true}}, false, 18.96, 21.04},
        {"span 10 to 60, invalid 1000 ignored",
         {{10.0, true}, {1000.0, false}, {60.0, true}},
         false,
         9.0,
         61.0},
        {"binary axis is fixed", {{5.0, true}, {-3.0, true}}, true, -0.1, 1.1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TChartHistory h;
        h.SetPointCount(5, 1);
        int s = 0;
        for (const auto &[v, valid] : c.points)
            h.AddPoint(v, valid, at(12, 0, s++));
        const auto [low, high] = h.ValueRange(c.binary);
        EXPECT_NEAR(low, c.low, 1e-9);
        EXPECT_NEAR(high, c.high, 1e-9);
    }
}

TEST(ChartHistory, RangeFollowsExtremesLeavingTheHistory)
{
    TChartHistory h;
    h.SetPointCount(3, 1);
    const double values[] = {50.0, 10.0, 20.0, 20.0, 30.0, 25.0};
    // After each tick the range covers exactly the last three values.
    const std::pair<double, double> spans[] = {{50, 50}, {10, 50}, {10, 50}, {10, 20}, {20, 30}, {20, 30}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        h.AddPoint(values[i], true, at(12, 0, i));
        double low = spans[i].first, high = spans[i].second;
        if (low == high) {
            low -= 1;
            high += 1;
        }
        const double m = (high - low) / 50.0;
        const auto [rl, rh] = h.ValueRange(false);
        EXPECT_NEAR(rl, low - m, 1e-9);
        EXPECT_NEAR(rh, high + m, 1e-9);
    }
}
