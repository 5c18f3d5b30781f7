#pragma once

// Everything that makes ombrix-logger a service, in one place for the program's main: the
// metrics endpoint, the MQTT publisher and the service manager's notifications, started
// before the device is reached (so a waiting logger is already visible), then attached to
// the reader core as views.

#include "export/uMetrics.h"
#include "export/uServiceOptions.h"

#include <QString>

#include <functional>
#include <memory>

class TReaderCore;
class TDeviceConnection;

namespace Service
{

class TMetricsServer;
class TMqttPublisher;
class TServiceNotifier;

// The waits of --retry: 5 s, doubling up to 60 s.
int RetryDelaySeconds(int failedAttempts);

class TServiceRun
{
public:
    TServiceRun(const TOptions &options, const QString &version);
    ~TServiceRun();

    // Starts the endpoint and the publisher; a message when one cannot work.
    QString Start();

    // Runs attempt() until it succeeds; with retry false only once. Between attempts the
    // event loop runs (scrapes are answered) until the wait ends or stop() says so.
    bool Connect(const std::function<bool()> &attempt, const std::function<bool()> &stop);

    // The device is identified and the reader made: attach the views, tell the manager.
    void Attach(TDeviceConnection &connection, TReaderCore &reader);
    void Detach(TReaderCore &reader);
    // Publishes "offline" and tells the manager the service stops.
    void Finish();

    // The CSV counters, from whoever keeps them.
    void SetCsvSources(std::function<std::uint64_t()> written, std::function<std::uint64_t()> failures);

    TMetricsRegistry &Metrics() { return m_metrics; }
    quint16 MetricsPort() const { return m_metricsPort; }

private:
    TOptions m_options;
    TMetricsRegistry m_metrics;
    TMetricsSources m_sources;
    std::unique_ptr<TMetricsServer> m_server;
    std::unique_ptr<TMqttPublisher> m_mqtt;
    std::unique_ptr<TServiceNotifier> m_notifier;
    quint16 m_metricsPort = 0;
};

} // namespace Service
