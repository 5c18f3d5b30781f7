// Cost of the common end of a reading tick (FinishCycle) with 13 Farvo quantities: alarms,
// one chart point per quantity, a view told through the view interface, and the CSV record
// appended to a file, with the charts hidden. Measured with one minute and with a day of
// history at 1 s, which must cost the same. Also the memory the histories take.
#include "FarvoMeasurement.h"

#include "reading/uReaderView.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <malloc.h>
#include <vector>

namespace
{

// What the rows and the popup rows need from a tick: told once, they read every quantity.
class TCountingView : public IReaderView
{
public:
    void QuantityAdded(int, TLangQuan &quantity, const TChartHistory &) override
    {
        Rows.push_back(&quantity);
    }
    void ReadingStarted() override {}
    void CycleFinished(bool) override
    {
        ++Cycles;
        for (const TLangQuan *q : Rows)
            Sum += q->Value + q->AlarmState;
    }
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override { Rows.clear(); }

    std::vector<TLangQuan *> Rows;
    std::uint64_t Cycles = 0;
    double Sum = 0.0;
};

// The measurement with the counting view as its only view.
struct CountedMeasurement {
    TCountingView view;
    FarvoMeasurement measurement;

    CountedMeasurement(int points, const QString &csvFolder) : measurement(points, csvFolder)
    {
        measurement.reader->AddView(&view);
        measurement.Start();
    }
};

void BM_FinishCycle(benchmark::State &state)
{
    QTemporaryDir dir;
    CountedMeasurement m(static_cast<int>(state.range(0)), state.range(1) != 0 ? dir.path() : QString());
    std::uint64_t n = 0;
    for (auto _ : state)
        m.measurement.Tick(++n);
    benchmark::DoNotOptimize(m.view.Sum);
    state.counters["csv_bytes"] =
        static_cast<double>(QFile(dir.filePath(QStringLiteral("bench.csv"))).size());
}
// 1 minute and 24 hours of history at 1 s, with the CSV file and without it.
BENCHMARK(BM_FinishCycle)
    ->ArgNames({"points", "csv"})
    ->Args({60, 1})
    ->Args({86400, 1})
    ->Args({60, 0})
    ->Args({86400, 0})
    ->Unit(benchmark::kMicrosecond);

// Resident set of the process in bytes, from /proc/self/statm.
double ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 : 0.0;
}

// Memory of a day of history for 13 quantities: the resident growth per point and quantity, and
// the resident size of the whole process while it holds them.
void BM_HistoryMemory(benchmark::State &state)
{
    constexpr int Points = 86400;
    double perPoint = 0.0;
    double resident = 0.0;
    // A fixed threshold: every history block is mapped for itself and given back when freed, so an
    // earlier benchmark's freed blocks do not hide the growth.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    for (auto _ : state) {
        const double before = ResidentBytes();
        CountedMeasurement m(Points, QString());
        resident = ResidentBytes();
        perPoint = (resident - before) / (static_cast<double>(Points) * FarvoSlots.size());
        benchmark::DoNotOptimize(m.view.Sum);
    }
    state.counters["bytes_per_point"] = perPoint;
    state.counters["point_size"] = static_cast<double>(sizeof(TChartPoint));
    state.counters["resident_MiB"] = resident / (1024.0 * 1024.0);
}
BENCHMARK(BM_HistoryMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
