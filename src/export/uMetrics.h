#pragma once

// The Prometheus view of a measurement: after every tick it keeps what the tick read, and
// renders it on request in the text format 0.0.4 or in OpenMetrics 1.0.0. A slot that was
// not read correctly has no value sample, so a stale value never looks current.

#include "reading/uReaderView.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class TReaderCore;
class TDeviceConnection;
class TLangQuan;

namespace Service
{

// The counters other parts keep: the CSV file's and the MQTT publisher's. A family whose
// source is not set is listed without a sample (nothing is made up).
struct TMetricsSources {
    std::function<std::uint64_t()> csvRecordsWritten;
    std::function<std::uint64_t()> csvWriteFailures;
    std::function<bool()> mqttConnected;
    std::function<std::uint64_t()> mqttDropped;
};

class TMetricsRegistry : public IReaderView
{
public:
    TMetricsRegistry(QString device, QString version);

    void SetSources(TMetricsSources sources) { m_sources = std::move(sources); }
    // The identified device: its info metric and the reader whose ticks are counted.
    void DeviceIdentified(const TDeviceConnection &connection, const TReaderCore *reader);

    void QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &history) override;
    void ReadingStarted() override {}
    void CycleFinished(bool paused) override;
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override;

    // The exposition; openMetrics chooses OpenMetrics 1.0.0 (ending in "# EOF").
    QByteArray Render(bool openMetrics) const;
    static QByteArray ContentType(bool openMetrics);
    // Whether an Accept header asks for OpenMetrics.
    static bool WantsOpenMetrics(const QByteArray &accept);

private:
    struct TSlot {
        int slot = 0;
        QString quantity;
        QString unit;
        bool readOk = false;
        double value = 0.0;
        int alarmState = 0;
    };

    int SlotOf(const TLangQuan &quantity) const;

    QString m_device;
    QString m_version;
    const TDeviceConnection *m_connection = nullptr;
    const TReaderCore *m_reader = nullptr;
    TMetricsSources m_sources;
    std::vector<const TLangQuan *> m_rows;
    std::vector<TSlot> m_slots;
    bool m_up = false;
    std::uint64_t m_ticks = 0;
    std::uint64_t m_failures = 0;
    double m_lastTick = 0.0;
    bool m_identified = false;
    QString m_kind;
    QString m_serial;
    QString m_firmware;
};

} // namespace Service
