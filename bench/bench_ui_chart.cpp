// One visible chart window with a day of history at 1 s (86,400 points), at its default
// size on the offscreen platform: the cost of one reading tick's redraw as the window does
// it (the ring buffer takes the point, the chart drops its oldest point and appends the
// newest), against rebuilding the whole series from two shifted arrays every tick. Each
// tick includes the paint event that puts the new picture on the window.
#include "reading/uChartHistory.h"
#include "reading/uChartView.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfChartPlot.h"

#include "model/uOBGlob.h"

#include <QApplication>
#include <QDateTime>
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

constexpr int DayPoints = 86400;

const QDateTime Start(QDate(2026, 3, 14), QTime(0, 0, 0));

// A temperature that wanders slowly, with a failed reading now and then.
double Reading(int tick)
{
    return 20.0 + 5.0 * std::sin(tick / 3000.0) + 0.1 * (tick % 7);
}

bool Valid(int tick)
{
    return tick % 997 != 0;
}

struct DayChart {
    TErrMessageList errors;
    TLangQuan quantity;
    TChartHistory history;
    TfChart chart;
    int tick = 0;

    DayChart()
    {
        quantity.SetQuanType(TQuantity::qtTemperature);
        history.SetPointCount(DayPoints, 1);
        for (; tick < DayPoints; ++tick)
            history.AddPoint(Reading(tick), Valid(tick), Start.addSecs(tick));
        chart.Init(&quantity, &history, &errors);
        chart.show(); // draws the whole day at once
        QApplication::processEvents();
    }

    void Tick()
    {
        quantity.Value = Reading(tick);
        quantity.ReadOK = Valid(tick);
        history.AddPoint(quantity.Value, quantity.ReadOK, Start.addSecs(tick));
        chart.Refresh(false);
        QApplication::processEvents();
        ++tick;
    }
};

void BM_VisibleChartTick(benchmark::State &state)
{
    DayChart day;
    for (auto _ : state)
        day.Tick();
    state.counters["points"] = day.chart.DrawnPointCount();
}
BENCHMARK(BM_VisibleChartTick)->Unit(benchmark::kMillisecond);

// The same day zoomed in on an hour in its middle: the chart keeps the user's span, and the
// vertical axis fits the points inside it every tick.
void BM_ZoomedChartTick(benchmark::State &state)
{
    DayChart day;
    const double hourShare = 3600.0 / DayPoints;
    day.chart.ZoomAt(day.chart.cChart->width() / 2,
                     static_cast<int>(std::ceil(std::log(hourShare) / std::log(0.8))));
    for (auto _ : state)
        day.Tick();
    state.counters["shown_s"] = day.chart.cChart->xAxis->range().size();
}
BENCHMARK(BM_ZoomedChartTick)->Unit(benchmark::kMillisecond);

// The straightforward tick: the history kept as two arrays, newest first; every tick shifts
// them by one, scans the valid values for the range, empties the series and hands it every
// point again, oldest first.
struct ArrayChart {
    TfChart chart;
    std::vector<TChartPoint> points = std::vector<TChartPoint>(DayPoints);
    std::vector<TChartPoint> prevPoints = std::vector<TChartPoint>(DayPoints);
    QVector<double> keys = QVector<double>(DayPoints);
    QVector<double> values = QVector<double>(DayPoints);
    int tick = 0;

    ArrayChart()
    {
        for (int i = 0; i < DayPoints; ++i) {
            const int t = DayPoints - 1 - i;
            prevPoints[static_cast<std::size_t>(i)] = {
                Reading(t), static_cast<double>(Start.addSecs(t).toSecsSinceEpoch()), Valid(t)};
        }
        tick = DayPoints;
        chart.Series1->setAntialiased(SmoothLine(DayPoints)); // drawn as the window draws it
        chart.show();
        QApplication::processEvents();
    }

    void Tick()
    {
        for (int i = DayPoints - 1; i >= 1; --i)
            points[static_cast<std::size_t>(i)] = prevPoints[static_cast<std::size_t>(i - 1)];
        points[0] = {Reading(tick), static_cast<double>(Start.addSecs(tick).toSecsSinceEpoch()), Valid(tick)};
        chart.Series1->data()->clear();
        bool any = false;
        double low = 0.0;
        double high = 0.0;
        for (const TChartPoint &p : points) {
            if (!p.Valid)
                continue;
            low = any ? std::min(low, p.Value) : p.Value;
            high = any ? std::max(high, p.Value) : p.Value;
            any = true;
        }
        if (low == high) {
            low -= 1.0;
            high += 1.0;
        }
        const double margin = (high - low) / 50.0;
        chart.cChart->yAxis->setRange(low - margin, high + margin);
        for (int i = DayPoints - 1; i >= 0; --i) {
            const TChartPoint &p = points[static_cast<std::size_t>(i)];
            prevPoints[static_cast<std::size_t>(i)] = p;
            keys[DayPoints - 1 - i] = p.Time;
            values[DayPoints - 1 - i] = SeriesValue(p.Value, p.Valid);
        }
        chart.Series1->setData(keys, values, true);
        chart.cChart->xAxis->setRange(keys.front(), keys.back());
        chart.cChart->replot();
        QApplication::processEvents();
        ++tick;
    }
};

void BM_VisibleChartRebuildFromArrays(benchmark::State &state)
{
    ArrayChart day;
    for (auto _ : state)
        day.Tick();
    state.counters["points"] = day.chart.Series1->dataCount();
}
BENCHMARK(BM_VisibleChartRebuildFromArrays)->Unit(benchmark::kMillisecond);

// The part of a tick no history keeping can save: drawing the unchanged day again.
void BM_VisibleChartReplotOnly(benchmark::State &state)
{
    DayChart day;
    for (auto _ : state) {
        day.chart.cChart->replot();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_VisibleChartReplotOnly)->Unit(benchmark::kMillisecond);

} // namespace
