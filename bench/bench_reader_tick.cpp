// Cost of the common end of a reading tick (FinishCycle) with 13 Farvo quantities: alarms,
// one chart point per quantity, a view told through the view interface, and the CSV record
// appended to a file, with the charts hidden. Measured with one minute and with a day of
// history at 1 s, which must cost the same. Also the memory the histories take.
#include "reading/uReaderCore.h"
#include "reading/uReaderView.h"

#include "connection/uDeviceConnection.h"
#include "model/uOBGlob.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <malloc.h>
#include <memory>

namespace
{

constexpr std::array<int, 13> FarvoSlots = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// The reader core with a tick that reads nothing: only FinishCycle is measured.
class TBenchReader : public TReaderCore
{
public:
    using TReaderCore::TReaderCore;

    void StartMeasurement() { AddFamilyQuantities(FarvoSlots, FarvoSlots); }
    void tReaderTimer() override {}
};

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

// A Farvo device with thirteen present quantities, temperature with user limits.
struct FarvoMeasurement {
    TErrMessageList errors;
    TDeviceConnection conn{errors};
    TCountingView view;
    std::unique_ptr<TBenchReader> reader;
    QDateTime time = QDateTime::currentDateTime();

    FarvoMeasurement(int points, const QString &csvFolder)
    {
        conn.SensType.SetKind(91);
        conn.SerialText = QStringLiteral("12345678");
        const int types[] = {
            TQuantity::qtTemperature,      TQuantity::qtRelativeHumidity, TQuantity::qtDewPoint,
            TQuantity::qtPressure,         TQuantity::qtCO2Concentration, TQuantity::qtBinaryInput,
            TQuantity::qtBinaryInput,      TQuantity::qtBinaryInput,      TQuantity::qtAbsoluteHumidity,
            TQuantity::qtSpecificHumidity, TQuantity::qtMixingRatio,      TQuantity::qtRelayOutput,
            TQuantity::qtRelayOutput};
        for (int slot : FarvoSlots) {
            TLangQuan &q = conn.GetQuantity(slot);
            q.SetQuanType(types[slot]);
            q.ReadOK = true;
        }
        TLangQuan &t = conn.GetQuantity(0);
        t.AlarmMode = TLangQuan::amLimits;
        t.LimitsEnabled = true;
        t.LoLim = 10.0;
        t.HiLim = 30.0;

        reader = std::make_unique<TBenchReader>(conn, nullptr);
        reader->IntervalSec = 1;
        reader->ChartPoints = points;
        reader->LogToCsv = !csvFolder.isEmpty();
        reader->CsvFolder = csvFolder;
        reader->CsvFileName = QStringLiteral("bench.csv");
        // A tick a second without asking the system for the time.
        reader->Clock = [this] { return time = time.addSecs(1); };
        reader->AddView(&view);
        reader->StartMeasurement();
        // The first point dates the whole history: done before the measurement.
        Tick(0);
    }

    void Tick(std::uint64_t n)
    {
        for (int slot : FarvoSlots)
            conn.GetQuantity(slot).Value = 20.0 + static_cast<double>(n % 200) * 0.1 + slot;
        reader->FinishCycle(true);
    }
};

void BM_FinishCycle(benchmark::State &state)
{
    QTemporaryDir dir;
    FarvoMeasurement m(static_cast<int>(state.range(0)), state.range(1) != 0 ? dir.path() : QString());
    std::uint64_t n = 0;
    for (auto _ : state)
        m.Tick(++n);
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
        FarvoMeasurement m(Points, QString());
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
