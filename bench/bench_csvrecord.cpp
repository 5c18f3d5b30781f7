// Cost of one CSV record: building its text, and building plus appending it to a file
// (open, write, flush, close per line, as the log does every reading tick).
#include "model/uOBGlob.h"
#include "model/uSensType.h"
#include "logging/uRecFile.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{

// A Farvo device with temperature, humidity, a computed quantity, pressure, CO2, three binary
// inputs and two relays: eleven of the thirteen serial-family columns.
struct FarvoLog {
    TSensType sensor;
    TErrMessageList errors;
    std::vector<std::unique_ptr<TLangQuan>> quantities;
    TRecFile rec{errors, QString()};

    explicit FarvoLog(const QString &folder)
    {
        sensor.SetKind(91);
        const std::pair<int, int> slots[] = {
            {0, TQuantity::qtTemperature}, {1, TQuantity::qtRelativeHumidity}, {2, TQuantity::qtDewPoint},
            {3, TQuantity::qtPressure},    {4, TQuantity::qtCO2Concentration}, {5, TQuantity::qtBinaryInput},
            {6, TQuantity::qtBinaryInput}, {7, TQuantity::qtBinaryInput},      {11, TQuantity::qtRelayOutput},
            {12, TQuantity::qtRelayOutput}};
        double value = 12.3;
        for (const auto &[slot, type] : slots) {
            auto q = std::make_unique<TLangQuan>();
            q->SetQuanType(type);
            q->Value = type == TQuantity::qtBinaryInput || type == TQuantity::qtRelayOutput ? 1.0 : value;
            value += 101.7;
            rec.Columns[static_cast<std::size_t>(slot)] = q.get();
            quantities.push_back(std::move(q));
        }
        rec.SensorType = &sensor;
        rec.SerialNumber = QStringLiteral("12345678");
        rec.SetFolder(folder);
        rec.FileName = QStringLiteral("bench.csv");
    }
};

void BM_BuildRecord(benchmark::State &state)
{
    FarvoLog log{QString()};
    for (auto _ : state)
        benchmark::DoNotOptimize(log.rec.BuildRecord(true));
}
BENCHMARK(BM_BuildRecord);

void BM_WriteRecordToFile(benchmark::State &state)
{
    QTemporaryDir dir;
    FarvoLog log(dir.path());
    for (auto _ : state)
        benchmark::DoNotOptimize(log.rec.WriteRecord(true));
}
BENCHMARK(BM_WriteRecordToFile);

} // namespace
