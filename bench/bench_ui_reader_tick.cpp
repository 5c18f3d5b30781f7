// Cost of a reading tick with 13 Farvo quantities and the program's own views attached: the
// reader frame's output rows, the popup window's rows and the chart windows (hidden), with
// the CSV record appended to a file. One tick is FinishCycle plus the events it leaves
// behind, so with the frame and the popup on screen the repaint of the changed rows counts
// too. Measured with one minute and with a day of history at 1 s, which must cost the same.
#include "FarvoMeasurement.h"

#include "reading/uOBfChart.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uObfrOutputBase.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdint>

namespace
{

// The measurement as the main window runs it: the frame attached before the rows come.
struct ViewedMeasurement {
    FarvoMeasurement measurement;
    TOBfSmartOutput popup{nullptr};
    TObfrOutputBase frame{*measurement.reader, &popup};

    // shown: the frame on screen and the popup staying on top; otherwise both hidden, as
    // with the main window minimised and the popup faded out.
    ViewedMeasurement(int points, const QString &csvFolder, bool shown) : measurement(points, csvFolder)
    {
        measurement.Start();
        popup.SetPopupHidable(!shown);
        frame.ReadingStarted();
        if (shown)
            frame.show();
        QApplication::processEvents();
    }

    void Tick(std::uint64_t n)
    {
        measurement.Tick(n);
        QApplication::processEvents();
    }
};

void BM_ViewedTick(benchmark::State &state)
{
    QTemporaryDir dir;
    ViewedMeasurement m(static_cast<int>(state.range(0)), dir.path(), state.range(1) != 0);
    std::uint64_t n = 0;
    for (auto _ : state)
        m.Tick(++n);
    state.counters["rows"] = m.frame.RowCount();
    state.counters["popup_rows"] = m.popup.RowCount();
    state.counters["popup_shown"] = m.popup.isVisible() ? 1.0 : 0.0;
    state.counters["charts_shown"] = 0.0;
    for (int i = 0; i < m.frame.ChartCount(); ++i)
        state.counters["charts_shown"] += m.frame.Chart(i)->isVisible() ? 1.0 : 0.0;
    state.counters["csv_bytes"] =
        static_cast<double>(QFile(dir.filePath(QStringLiteral("bench.csv"))).size());
}
// 1 minute and 24 hours of history at 1 s, with the windows on screen and hidden.
BENCHMARK(BM_ViewedTick)
    ->ArgNames({"points", "shown"})
    ->Args({60, 1})
    ->Args({86400, 1})
    ->Args({60, 0})
    ->Args({86400, 0})
    ->Unit(benchmark::kMicrosecond);

} // namespace
