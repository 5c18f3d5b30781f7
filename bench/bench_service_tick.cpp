// What the service outputs add to a reading tick with 13 Farvo quantities: the metrics
// registry keeping the tick and one scrape rendered per tick (Prometheus at the tick's rate),
// and the MQTT publisher queueing the state (JSON) for its network thread. Measured against
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

void BM_TickWithMetricsAndMqtt(benchmark::State &state)
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
        bytes += static_cast<std::size_t>(service.Metrics().Render(false).size());
    }
    benchmark::DoNotOptimize(bytes);
    service.Detach(*m.reader);
}
BENCHMARK(BM_TickWithMetricsAndMqtt)->Unit(benchmark::kMicrosecond);

} // namespace
