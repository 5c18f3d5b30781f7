#include "export/uServiceRun.h"

#include "export/uMetricsServer.h"
#include "export/uMqttPublisher.h"
#include "export/uServiceNotifier.h"

#include "connection/uDeviceConnection.h"
#include "reading/uReaderCore.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace Service
{

int RetryDelaySeconds(int failedAttempts)
{
    int delay = 5;
    for (int i = 1; i < failedAttempts && delay < 60; ++i)
        delay *= 2;
    return std::min(delay, 60);
}

TServiceRun::TServiceRun(const TOptions &options, const QString &version)
    : m_options(options), m_metrics(options.EffectiveName(), version),
      m_notifier(std::make_unique<TServiceNotifier>())
{
}

TServiceRun::~TServiceRun() = default;

QString TServiceRun::Start()
{
    if (!m_options.mqttUrl.isEmpty()) {
        m_mqtt = std::make_unique<TMqttPublisher>(m_options, m_options.EffectiveName());
        if (!m_mqtt->Start())
            return m_mqtt->ErrorText();
        TMqttPublisher *mqtt = m_mqtt.get();
        m_sources.mqttConnected = [mqtt] { return mqtt->Connected(); };
        m_sources.mqttDropped = [mqtt] { return mqtt->Dropped(); };
        m_metrics.SetSources(m_sources);
    }
    if (m_options.metricsPort > 0) {
        m_server = std::make_unique<TMetricsServer>(m_metrics);
        m_metricsPort = m_server->Listen(m_options.metricsAddress, m_options.metricsPort);
        if (m_metricsPort == 0)
            return QStringLiteral("the metrics endpoint cannot listen on %1:%2: %3")
                .arg(m_options.metricsAddress)
                .arg(m_options.metricsPort)
                .arg(m_server->ErrorText());
    }
    return {};
}

void TServiceRun::SetCsvSources(std::function<std::uint64_t()> written,
                                std::function<std::uint64_t()> failures)
{
    m_sources.csvRecordsWritten = std::move(written);
    m_sources.csvWriteFailures = std::move(failures);
    m_metrics.SetSources(m_sources);
}

bool TServiceRun::Connect(const std::function<bool()> &attempt, const std::function<bool()> &stop)
{
    for (int failed = 1;; ++failed) {
        if (attempt())
            return true;
        if (!m_options.retry || stop())
            return false;
        const int delay = RetryDelaySeconds(failed);
        m_notifier->Status(QStringLiteral("the device does not answer; next attempt in %1 s").arg(delay));
        // The event loop runs meanwhile: scrapes see ombrix_up 0, signals end the wait.
        const QDeadlineTimer until(delay * 1000);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (until.hasExpired() || stop())
                loop.quit();
        });
        poll.start(100);
        loop.exec();
        if (stop())
            return false;
    }
}

void TServiceRun::Attach(TDeviceConnection &connection, TReaderCore &reader)
{
    m_metrics.DeviceIdentified(connection, &reader);
    reader.AddView(&m_metrics);
    if (m_mqtt) {
        m_mqtt->DeviceIdentified(connection, reader);
        reader.AddView(m_mqtt.get());
    }
    reader.AddView(m_notifier.get());
    m_notifier->Ready(reader);
    SetCsvSources([&reader] { return reader.CsvRecordsWritten(); },
                  [&reader] { return reader.CsvWriteFailures(); });
}

void TServiceRun::Detach(TReaderCore &reader)
{
    reader.RemoveView(&m_metrics);
    if (m_mqtt)
        reader.RemoveView(m_mqtt.get());
    reader.RemoveView(m_notifier.get());
    // The counters go with the reader: a later scrape shows none rather than reading a freed core.
    SetCsvSources({}, {});
}

void TServiceRun::Finish()
{
    m_notifier->Stopping();
    if (m_mqtt)
        m_mqtt->Finish();
}

} // namespace Service
