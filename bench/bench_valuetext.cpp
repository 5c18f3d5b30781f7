// Cost of turning values into display text: every row, popup row, chart tooltip
// and CSV cell goes through these once per reading.
#include "model/uOBGlob.h"
#include "model/uValueText.h"

#include <QLocale>
#include <benchmark/benchmark.h>

namespace
{

struct Sample {
    double value;
    int decimals;
};

// Representative values: a temperature, a negative value with a decimal tie,
// a value too large for fixed point, a tiny one, and an integer reading.
const Sample samples[] = {{21.349998, 1}, {-12.345, 2}, {123456.7, 1}, {0.0006, 3}, {412.0, 0}};

void BM_FormatValue(benchmark::State &state)
{
    const Sample s = samples[state.range(0)];
    const QLocale locale = state.range(1) ? QLocale(QLocale::Czech) : QLocale::c();
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatValue(s.value, s.decimals, locale));
    state.SetLabel(FormatValue(s.value, s.decimals, locale).toStdString());
}
BENCHMARK(BM_FormatValue)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}});

void BM_QuantityValueText(benchmark::State &state)
{
    TLangQuan q;
    q.SetQuanType(static_cast<int>(state.range(0)));
    q.SetValue(state.range(0) == TQuantity::qtBinaryInput ? 1.0 : 21.349998);
    const QLocale locale = QLocale::c();
    for (auto _ : state)
        benchmark::DoNotOptimize(QuantityValueText(q, locale));
    state.SetLabel(QuantityValueText(q, locale).toStdString());
}
BENCHMARK(BM_QuantityValueText)->Arg(TQuantity::qtTemperature)->Arg(TQuantity::qtBinaryInput);

} // namespace
