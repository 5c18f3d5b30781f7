#include "export/uMqttPublisher.h"

#include "export/uTickJson.h"

#include "connection/uDeviceConnection.h"
#include "model/uOBGlob.h"
#include "reading/uReaderCore.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <mosquitto.h>

namespace Service
{

namespace
{

constexpr int Qos = 1;

// libmosquitto wants one initialisation per process before any client.
void InitLibrary()
{
    static const int once = [] { return mosquitto_lib_init(); }();
    (void)once;
}

QString DeviceClassOf(int type)
{
    switch (type) {
    case TQuantity::qtTemperature:
    case TQuantity::qtDewPoint:
        return QStringLiteral("temperature");
    case TQuantity::qtRelativeHumidity:
        return QStringLiteral("humidity");
    case TQuantity::qtPressure:
        return QStringLiteral("pressure");
    case TQuantity::qtCO2Concentration:
        return QStringLiteral("carbon_dioxide");
    default:
        return {};
    }
}

bool IsBinary(int type)
{
    return type == TQuantity::qtBinaryInput || type == TQuantity::qtRelayOutput ||
           type == TQuantity::qtFarRelayControl;
}

} // namespace

TMqttPublisher::TMqttPublisher(const TOptions &options, QString name)
    : m_options(options), m_name(std::move(name))
{
}

TMqttPublisher::~TMqttPublisher()
{
    if (m_mosq != nullptr) {
        if (m_started) {
            mosquitto_disconnect(m_mosq);
            mosquitto_loop_stop(m_mosq, true);
        }
        mosquitto_destroy(m_mosq);
    }
}

QString TMqttPublisher::AvailabilityTopic() const
{
    return m_options.mqttPrefix + QLatin1Char('/') + m_name + QStringLiteral("/availability");
}

QString TMqttPublisher::StateTopic() const
{
    return m_options.mqttPrefix + QLatin1Char('/') + m_name + QStringLiteral("/state");
}

bool TMqttPublisher::Start()
{
    TMqttUrl url;
    try {
        url = ParseMqttUrl(m_options.mqttUrl);
    } catch (const TOptionError &e) {
        m_error = e.message;
        return false;
    }
    QByteArray password;
    if (!m_options.mqttPasswordFile.isEmpty()) {
        QFile file(m_options.mqttPasswordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("the MQTT password file \"%1\" cannot be read: %2")
                          .arg(m_options.mqttPasswordFile, file.errorString());
            return false;
        }
        password = file.readLine().trimmed();
        if (url.user.isEmpty()) {
            m_error = QStringLiteral("a password needs a user in the MQTT URL (mqtt://USER@HOST)");
            return false;
        }
    }
    InitLibrary();
    const QByteArray clientId = ("ombrix-" + m_name).toUtf8();
    m_mosq = mosquitto_new(clientId.constData(), true, this);
    if (m_mosq == nullptr) {
        m_error = QStringLiteral("the MQTT client cannot be created");
        return false;
    }
    const QByteArray availability = AvailabilityTopic().toUtf8();
    mosquitto_will_set(m_mosq, availability.constData(), 7, "offline", Qos, true);
    if (!url.user.isEmpty()) {
        mosquitto_username_pw_set(m_mosq, url.user.toUtf8().constData(),
                                  password.isEmpty() ? nullptr : password.constData());
    }
    if (url.tls) {
        const QByteArray ca = m_options.mqttCaFile.toUtf8();
        const int rc = ca.isEmpty()
                           ? mosquitto_tls_set(m_mosq, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                           : mosquitto_tls_set(m_mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            m_error = QStringLiteral("TLS for MQTT cannot be set up: %1")
                          .arg(QString::fromUtf8(mosquitto_strerror(rc)));
            return false;
        }
    }
    mosquitto_connect_callback_set(m_mosq, &TMqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(m_mosq, &TMqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(m_mosq, &TMqttPublisher::OnPublish);
    // Retries at growing waits up to 60 s. The thread runs before the first attempt: with the
    // attempt made first, a broker absent at start would end the thread and never be retried.
    mosquitto_reconnect_delay_set(m_mosq, 1, 60, true);
    if (mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS) {
        m_error = QStringLiteral("the MQTT network thread cannot be started");
        return false;
    }
    mosquitto_connect_async(m_mosq, url.host.toUtf8().constData(), url.port, m_options.mqttKeepalive);
    m_started = true;
    return true;
}

void TMqttPublisher::OnConnect(mosquitto *, void *self, int rc)
{
    auto *p = static_cast<TMqttPublisher *>(self);
    if (rc != 0)
        return;
    {
        // The broker may have shown the last will meanwhile: tell it again what is true now,
        // after what waited in the queue.
        const std::lock_guard lock(p->m_mutex);
        for (const TMessage &m : p->m_discovery)
            p->EnqueueLocked(QString::fromUtf8(m.topic), m.payload);
        p->EnqueueLocked(p->AvailabilityTopic(), p->Availability());
    }
    p->m_connected = true;
    p->Drain();
}

void TMqttPublisher::OnDisconnect(mosquitto *, void *self, int)
{
    static_cast<TMqttPublisher *>(self)->m_connected = false;
}

void TMqttPublisher::OnPublish(mosquitto *, void *self, int)
{
    --static_cast<TMqttPublisher *>(self)->m_unacknowledged;
}

QByteArray TMqttPublisher::Availability() const
{
    return m_deviceOk.load() ? QByteArrayLiteral("online") : QByteArrayLiteral("offline");
}

void TMqttPublisher::EnqueueLocked(const QString &topic, const QByteArray &payload)
{
    if (m_queue.size() >= QueueLimit) {
        m_queue.pop_front();
        ++m_dropped;
    }
    m_queue.push_back(TMessage{topic.toUtf8(), payload});
}

void TMqttPublisher::Enqueue(const QString &topic, const QByteArray &payload)
{
    {
        const std::lock_guard lock(m_mutex);
        EnqueueLocked(topic, payload);
    }
    Drain();
}

void TMqttPublisher::Drain()
{
    const std::lock_guard lock(m_mutex);
    while (m_connected.load() && !m_queue.empty()) {
        const TMessage &m = m_queue.front();
        // Only queues the packet: the network thread writes it.
        const int rc =
            mosquitto_publish(m_mosq, nullptr, m.topic.constData(), static_cast<int>(m.payload.size()),
                              m.payload.constData(), Qos, true);
        if (rc != MOSQ_ERR_SUCCESS)
            break;
        ++m_unacknowledged;
        m_queue.pop_front();
    }
}

void TMqttPublisher::DeviceIdentified(const TDeviceConnection &connection, const TReaderCore &reader)
{
    m_connection = &connection;
    m_reader = &reader;
}

void TMqttPublisher::ReadingStarted()
{
    if (!m_options.mqttHaDiscovery || m_reader == nullptr)
        return;
    const TDeviceConnection &connection = *m_connection;
    const TReaderCore &reader = *m_reader;
    QString firmware;
    if (connection.Firmware)
        firmware = QString::number(*connection.Firmware);
    else if (connection.XPortFirmware)
        firmware = QStringLiteral("%1.%2.%3")
                       .arg((*connection.XPortFirmware)[0])
                       .arg((*connection.XPortFirmware)[1])
                       .arg((*connection.XPortFirmware)[2]);
    const QString serial = connection.SerialText.isEmpty() ? m_name : connection.SerialText;
    const QJsonObject device{{QStringLiteral("identifiers"), QJsonArray{QStringLiteral("ombrix_") + serial}},
                             {QStringLiteral("name"), m_name},
                             {QStringLiteral("model"), connection.SensType.GetKindName()},
                             {QStringLiteral("sw_version"), firmware}};
    std::vector<TMessage> discovery;
    for (int row = 0; row < reader.RowCount(); ++row) {
        const TLangQuan &q = reader.RowQuantity(row);
        const int slot = SlotOf(reader, q);
        const bool binary = IsBinary(q.GetQuanType());
        const QString id = QStringLiteral("ombrix_%1_%2").arg(m_name).arg(slot);
        const QString value = QStringLiteral("value_json.slots[%1].value").arg(row);
        QJsonObject config{{QStringLiteral("unique_id"), id},
                           {QStringLiteral("object_id"), id},
                           {QStringLiteral("name"), q.GetName()},
                           {QStringLiteral("state_topic"), StateTopic()},
                           {QStringLiteral("availability_topic"), AvailabilityTopic()},
                           {QStringLiteral("device"), device}};
        if (binary) {
            config.insert(QStringLiteral("value_template"),
                          QStringLiteral("{{ 'ON' if %1 else 'OFF' }}").arg(value));
        } else {
            config.insert(QStringLiteral("value_template"), QStringLiteral("{{ %1 }}").arg(value));
            config.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
            if (const QString unit = q.GetPlainUnitSymbol(); !unit.isEmpty())
                config.insert(QStringLiteral("unit_of_measurement"), unit);
            if (const QString cls = DeviceClassOf(q.GetQuanType()); !cls.isEmpty())
                config.insert(QStringLiteral("device_class"), cls);
        }
        const QString topic =
            QStringLiteral("homeassistant/%1/%2/config")
                .arg(binary ? QStringLiteral("binary_sensor") : QStringLiteral("sensor"), id);
        discovery.push_back(TMessage{topic.toUtf8(), QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    {
        const std::lock_guard lock(m_mutex);
        m_discovery = discovery;
        for (const TMessage &m : discovery)
            EnqueueLocked(QString::fromUtf8(m.topic), m.payload);
    }
    Drain();
}

void TMqttPublisher::QuantityAdded(int, TLangQuan &quantity, const TChartHistory &)
{
    m_rows.push_back(&quantity);
}

void TMqttPublisher::ReadingStopped()
{
    m_rows.clear();
}

void TMqttPublisher::PublishAvailabilityIfChanged()
{
    const bool ok = m_deviceOk.load();
    if (m_announced && ok == m_announcedOk)
        return;
    m_announced = true;
    m_announcedOk = ok;
    Enqueue(AvailabilityTopic(), Availability());
}

void TMqttPublisher::CycleFinished(bool paused)
{
    if (m_reader == nullptr)
        return;
    m_deviceOk = m_reader->LastReadSucceeded();
    PublishAvailabilityIfChanged();
    Enqueue(StateTopic(), TickJson(*m_reader, m_rows, paused));
}

void TMqttPublisher::Finish(int timeoutMs)
{
    if (!m_started)
        return;
    m_deviceOk = false;
    Enqueue(AvailabilityTopic(), QByteArrayLiteral("offline"));
    const QDeadlineTimer deadline(timeoutMs);
    while (m_connected.load() && !deadline.hasExpired()) {
        bool queued = false;
        {
            const std::lock_guard lock(m_mutex);
            queued = !m_queue.empty();
        }
        if (!queued && m_unacknowledged.load() <= 0)
            break;
        QThread::msleep(10);
    }
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    m_started = false;
    m_connected = false;
}

} // namespace Service
