// What the service outputs add to a reading tick with 13 Farvo quantities: the metrics
// registry keeping the tick, the MQTT publisher queueing the state (JSON) for its network
// thread, and separately one scrape rendered per tick (Prometheus at the tick's rate). Measured against
// the same tick without them; the publisher points at a loopback port where no broker
// listens, so the queue path is measured (its limit keeps it bounded).
#include "FarvoMeasurement.h"

#include "export/uServiceRun.h"

#include <QTcpServer>
#include <benchmark/benchmark.h>

#include <cstdint>

namespace
{

quint16 UnusedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

void BM_TickBare(benchmark::State &state)
{
    FarvoMeasurement m(0, QString());
    m.Start();
    std::uint64_t n = 0;
    for (auto _ : state)
        m.Tick(++n);
}
BENCHMARK(BM_TickBare)->Unit(benchmark::kMicrosecond);

// The service outputs attached: metrics, MQTT publisher and notifier. scrapePerTick renders one
// whole scrape after every tick as well, which a Prometheus scraping at the tick's rate costs;
// without it the figure is what the tick itself pays for the outputs.
void TickWithServiceOutputs(benchmark::State &state, bool scrapePerTick)
{
    Service::TOptions options;
    options.metricsPort = static_cast<int>(UnusedPort());
    options.mqttUrl = QStringLiteral("mqtt://127.0.0.1:%1").arg(UnusedPort());
    Service::TServiceRun service(options, QStringLiteral("bench"));
    if (!service.Start().isEmpty()) {
        state.SkipWithError("the service outputs did not start");
        return;
    }
    FarvoMeasurement m(0, QString());
    service.Attach(m.conn, *m.reader);
    m.Start();
    std::uint64_t n = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        m.Tick(++n);
        if (scrapePerTick)
            bytes += static_cast<std::size_t>(service.Metrics().Render(false).size());
    }
    benchmark::DoNotOptimize(bytes);
    service.Detach(*m.reader);
}

void BM_TickWithMetricsAndMqtt(benchmark::State &state)
{
    TickWithServiceOutputs(state, false);
}
BENCHMARK(BM_TickWithMetricsAndMqtt)->Unit(benchmark::kMicrosecond);

void BM_TickWithMetricsAndMqttAndAScrapePerTick(benchmark::State &state)
{
    TickWithServiceOutputs(state, true);
}
BENCHMARK(BM_TickWithMetricsAndMqttAndAScrapePerTick)->Unit(benchmark::kMicrosecond);

} // namespace
