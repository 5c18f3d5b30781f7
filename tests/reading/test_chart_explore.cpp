// Exploring a chart without its window: zoom around the pointer, panning, following the newest
// point, the value range of the visible points, the read-out and the CSV of the history.
#include "reading/uChartExplore.h"
#include "reading/uChartHistory.h"

#include "logging/uRecFile.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace
{

double key(int h, int m, int s)
{
    return static_cast<double>(QDateTime(QDate(2026, 3, 14), QTime(h, m, s)).toMSecsSinceEpoch()) / 1000.0;
}

// Ten points a second apart ending at 12:00:09, values 20.0, 20.5, ... with a gap at 12:00:04.
TChartHistory TenSeconds()
{
    TChartHistory h;
    h.SetPointCount(10, 1);
    for (int s = 0; s < 10; ++s)
        h.AddPoint(20.0 + 0.5 * s, s != 4, QDateTime(QDate(2026, 3, 14), QTime(12, 0, s)));
    return h;
}

} // namespace

TEST(ChartExplore, ZoomKeepsThePointerTimeAndPanStaysInsideTheHistory)
{
    const TTimeSpan all{0.0, 100.0};
    TChartFollow follow;
    EXPECT_TRUE(follow.Live());
    EXPECT_EQ(follow.Shown(all), all);

    follow.Zoom(all, 25.0, 0.5, 5.0);
    EXPECT_FALSE(follow.Live()) << "a zoomed chart stops following";
    EXPECT_EQ(follow.Shown(all), (TTimeSpan{12.5, 62.5})) << "25 stays a quarter in";
    EXPECT_EQ(follow.Shown({0.0, 101.0}), (TTimeSpan{12.5, 62.5})) << "a new point does not move it";

    follow.Pan(all, -20.0);
    EXPECT_EQ(follow.Shown(all), (TTimeSpan{0.0, 50.0})) << "not before the oldest point";
    follow.Pan(all, 80.0);
    EXPECT_EQ(follow.Shown(all), (TTimeSpan{50.0, 100.0})) << "not after the newest";

    follow.Zoom(all, 60.0, 0.01, 5.0);
    EXPECT_DOUBLE_EQ(follow.Shown(all).Width(), 5.0) << "never narrower than the least width";
    follow.Zoom(all, 60.0, 1000.0, 5.0);
    EXPECT_EQ(follow.Shown(all), all) << "never wider than the history";

    follow.ReturnToLive();
    EXPECT_TRUE(follow.Live());
    EXPECT_EQ(follow.Shown({0.0, 110.0}), (TTimeSpan{0.0, 110.0}));
}

TEST(ChartExplore, VerticalRangeFitsTheVisiblePoints)
{
    const TChartHistory h = TenSeconds();
    const auto [low, high] = VisibleValueRange(h, {key(12, 0, 1), key(12, 0, 3)}, false);
    EXPECT_DOUBLE_EQ(low, 20.5 - 0.02);
    EXPECT_DOUBLE_EQ(high, 21.5 + 0.02);
    const auto [gapLow, gapHigh] = VisibleValueRange(h, {key(12, 0, 4), key(12, 0, 4)}, false);
    EXPECT_DOUBLE_EQ(gapLow, -1.04) << "only a gap in view";
    EXPECT_DOUBLE_EQ(gapHigh, 1.04);
    EXPECT_EQ(VisibleValueRange(h, {key(12, 0, 0), key(12, 0, 9)}, true), std::make_pair(-0.1, 1.1));
}

TEST(ChartExplore, ReadOutNamesTheNearestPointOrItsGap)
{
    const TChartHistory h = TenSeconds();
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    EXPECT_EQ(TChartReadOut::At(h, key(12, 0, 2) + 0.4, czech), QStringLiteral("12:00:02 14.03.2026  21,0"));
    EXPECT_EQ(TChartReadOut::At(h, key(12, 0, 4) - 0.3, czech),
              QStringLiteral("12:00:04 14.03.2026  no reading"));
    EXPECT_EQ(TChartReadOut::At(h, key(13, 0, 0), czech), QStringLiteral("12:00:09 14.03.2026  24,5"));
    EXPECT_TRUE(TChartReadOut::At(TChartHistory(), key(12, 0, 0)).isEmpty());
}

TEST(ChartExplore, CsvHasTheLogsFormatsAndEmptyGaps)
{
    const TChartHistory h = TenSeconds();
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    const QStringList lines =
        ChartCsv(h, QStringLiteral("Temperature (°C)"), czech).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 12) << "title, ten points and the closing line end";
    EXPECT_EQ(lines[0], QStringLiteral("\"Local PC Date\";\"Local PC Time\";\"Temperature (°C)\""));
    const QString date = czech.toString(QDate(2026, 3, 14), TRecFile::DateFormatOf(czech));
    const QString time = czech.toString(QTime(12, 0, 1), TRecFile::TimeFormatOf(czech));
    EXPECT_EQ(lines[2], QStringLiteral("\"%1\";\"%2\";\"20,5\"").arg(date, time)) << "oldest first";
    EXPECT_TRUE(lines[5].endsWith(QStringLiteral(";\"\"")))
        << "the gap at 12:00:04: " << lines[5].toStdString();
    EXPECT_TRUE(lines[11].isEmpty());
}
