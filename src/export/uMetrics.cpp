#include "export/uMetrics.h"

#include "connection/uDeviceConnection.h"
#include "model/uOBGlob.h"
#include "reading/uReaderCore.h"

#include <QLocale>

#include <cmath>

namespace Service
{

namespace
{

QByteArray Escaped(const QString &labelValue)
{
    QByteArray out;
    for (const char c : labelValue.toUtf8()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray Number(double v)
{
    if (std::isnan(v))
        return "NaN";
    if (std::isinf(v))
        return v > 0 ? "+Inf" : "-Inf";
    // The shortest text that reads back as the same double: 25.3, not 25.300000000000001.
    return QString::number(v, 'g', QLocale::FloatingPointShortest).toLatin1();
}

// Writes one family: HELP and TYPE, then its samples.
class TWriter
{
public:
    explicit TWriter(bool openMetrics) : m_om(openMetrics) {}

    // type: "gauge", "counter" or "info"; name: the sample name (counters end in _total,
    // infos in _info).
    void Family(const char *name, const char *type, const char *help)
    {
        QByteArray family = name;
        const bool counter = qstrcmp(type, "counter") == 0;
        const bool info = qstrcmp(type, "info") == 0;
        if (m_om && counter)
            family.chop(6); // OpenMetrics names a counter family without _total
        if (m_om && info)
            family.chop(5);
        const char *shownType = info && !m_om ? "gauge" : type;
        m_out += "# HELP " + family + ' ' + help + '\n';
        m_out += "# TYPE " + family + ' ' + shownType + '\n';
        m_sample = name;
    }
    void Sample(std::initializer_list<std::pair<const char *, QString>> labels, double value)
    {
        m_out += m_sample;
        if (labels.size() > 0) {
            m_out += '{';
            bool first = true;
            for (const auto &[label, text] : labels) {
                if (!first)
                    m_out += ',';
                first = false;
                m_out += label;
                m_out += "=\"" + Escaped(text) + '"';
            }
            m_out += '}';
        }
        m_out += ' ' + Number(value) + '\n';
    }
    QByteArray Finish()
    {
        if (m_om)
            m_out += "# EOF\n";
        return m_out;
    }

private:
    bool m_om;
    QByteArray m_out;
    QByteArray m_sample;
};

} // namespace

TMetricsRegistry::TMetricsRegistry(QString device, QString version)
    : m_device(std::move(device)), m_version(std::move(version))
{
}

void TMetricsRegistry::DeviceIdentified(const TDeviceConnection &connection, const TReaderCore *reader)
{
    m_connection = &connection;
    m_reader = reader;
    m_identified = true;
    m_kind = connection.SensType.GetKindName();
    m_serial = connection.SerialText;
    if (connection.Firmware)
        m_firmware = QString::number(*connection.Firmware);
    else if (connection.XPortFirmware)
        m_firmware = QStringLiteral("%1.%2.%3")
                         .arg((*connection.XPortFirmware)[0])
                         .arg((*connection.XPortFirmware)[1])
                         .arg((*connection.XPortFirmware)[2]);
}

void TMetricsRegistry::QuantityAdded(int, TLangQuan &quantity, const TChartHistory &)
{
    m_rows.push_back(&quantity);
}

void TMetricsRegistry::ReadingStopped()
{
    m_rows.clear();
    m_slots.clear();
    m_up = false;
}

int TMetricsRegistry::SlotOf(const TLangQuan &quantity) const
{
    if (m_connection == nullptr)
        return -1;
    for (int i = 0; i < TDeviceConnection::QuantityCount; ++i) {
        if (&m_connection->GetQuantity(i) == &quantity)
            return i;
    }
    return -1;
}

void TMetricsRegistry::CycleFinished(bool)
{
    m_up = m_reader != nullptr && m_reader->LastReadSucceeded();
    ++m_ticks;
    if (!m_up)
        ++m_failures;
    if (m_reader != nullptr)
        m_lastTick = static_cast<double>(m_reader->LastCycleTime().toMSecsSinceEpoch()) / 1000.0;
    m_slots.clear();
    m_slots.reserve(m_rows.size());
    for (const TLangQuan *q : m_rows) {
        m_slots.push_back(TSlot{SlotOf(*q), q->GetName(), q->GetPlainUnitSymbol(),
                                q->ReadOK && std::isfinite(q->Value), q->Value, q->AlarmState});
    }
}

QByteArray TMetricsRegistry::ContentType(bool openMetrics)
{
    return openMetrics ? QByteArrayLiteral("application/openmetrics-text; version=1.0.0; charset=utf-8")
                       : QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");
}

bool TMetricsRegistry::WantsOpenMetrics(const QByteArray &accept)
{
    return accept.contains("application/openmetrics-text");
}

QByteArray TMetricsRegistry::Render(bool openMetrics) const
{
    TWriter w(openMetrics);
    const QString &d = m_device;
    w.Family("ombrix_up", "gauge", "1 when the last tick read the device, 0 otherwise.");
    w.Sample({{"device", d}}, m_up ? 1 : 0);
    w.Family("ombrix_value", "gauge", "The value of each slot read correctly in the last tick.");
    for (const TSlot &s : m_slots) {
        if (m_up && s.readOk)
            w.Sample({{"device", d},
                      {"slot", QString::number(s.slot)},
                      {"quantity", s.quantity},
                      {"unit", s.unit}},
                     s.value);
    }
    w.Family("ombrix_read_ok", "gauge", "1 when the slot was read correctly in the last tick.");
    for (const TSlot &s : m_slots)
        w.Sample({{"device", d}, {"slot", QString::number(s.slot)}, {"quantity", s.quantity}},
                 m_up && s.readOk);
    w.Family("ombrix_alarm_state", "gauge", "Alarm state of the slot: 0 none, 1 low, 2 high.");
    for (const TSlot &s : m_slots)
        w.Sample({{"device", d}, {"slot", QString::number(s.slot)}, {"quantity", s.quantity}}, s.alarmState);
    w.Family("ombrix_ticks_total", "counter", "Reading ticks done.");
    w.Sample({{"device", d}}, static_cast<double>(m_ticks));
    w.Family("ombrix_read_failures_total", "counter", "Reading ticks that could not read the device.");
    w.Sample({{"device", d}}, static_cast<double>(m_failures));
    w.Family("ombrix_csv_records_total", "counter", "Records written to the CSV file.");
    if (m_sources.csvRecordsWritten)
        w.Sample({{"device", d}}, static_cast<double>(m_sources.csvRecordsWritten()));
    w.Family("ombrix_csv_write_failures_total", "counter", "Failed attempts to write the CSV file.");
    if (m_sources.csvWriteFailures)
        w.Sample({{"device", d}}, static_cast<double>(m_sources.csvWriteFailures()));
    w.Family("ombrix_mqtt_connected", "gauge", "1 while connected to the MQTT broker.");
    w.Sample({{"device", d}}, m_sources.mqttConnected && m_sources.mqttConnected() ? 1 : 0);
    w.Family("ombrix_mqtt_dropped_total", "counter", "MQTT messages dropped while the broker was away.");
    w.Sample({{"device", d}}, m_sources.mqttDropped ? static_cast<double>(m_sources.mqttDropped()) : 0.0);
    w.Family("ombrix_last_tick_timestamp_seconds", "gauge", "Time of the last reading tick.");
    if (m_ticks > 0)
        w.Sample({{"device", d}}, m_lastTick);
    w.Family("ombrix_device_info", "info", "The identified device.");
    if (m_identified)
        w.Sample({{"device", d}, {"kind", m_kind}, {"serial", m_serial}, {"firmware", m_firmware}}, 1);
    w.Family("ombrix_build_info", "info", "The logger's version.");
    w.Sample({{"version", m_version}}, 1);
    return w.Finish();
}

} // namespace Service
