#pragma once

// The MQTT view of a measurement: availability, the state of every tick and, when asked,
// Home Assistant discovery configurations, published to a broker through libmosquitto.
//
// The library's own network thread connects, reconnects with backoff and sends; the reading
// tick only appends to a bounded queue, so an absent or stalled broker never delays it.
// Between the two threads there is nothing but that queue (under its mutex) and a few
// atomic flags and counters.

#include "export/uServiceOptions.h"
#include "reading/uReaderView.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

struct mosquitto;
class TReaderCore;
class TLangQuan;
class TDeviceConnection;

namespace Service
{

class TMqttPublisher : public IReaderView
{
public:
    static constexpr std::size_t QueueLimit = 1000;

    TMqttPublisher(const TOptions &options, QString name);
    ~TMqttPublisher() override;
    TMqttPublisher(const TMqttPublisher &) = delete;
    TMqttPublisher &operator=(const TMqttPublisher &) = delete;

    // Reads the password, sets up TLS and starts connecting in the background; false with
    // ErrorText() when the settings cannot work (no broker is needed for true).
    bool Start();
    QString ErrorText() const { return m_error; }

    // The identified device: discovery configurations (when asked) and the reader whose
    // ticks are published.
    void DeviceIdentified(const TDeviceConnection &connection, const TReaderCore &reader);

    void QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &history) override;
    // The rows are known now: the discovery configurations follow.
    void ReadingStarted() override;
    void CycleFinished(bool paused) override;
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override;

    // Publishes "offline", waits a bounded time for the queue to reach the broker, and
    // disconnects cleanly (a clean disconnect does not trigger the last will).
    void Finish(int timeoutMs = 3000);

    bool Connected() const { return m_connected.load(); }
    std::uint64_t Dropped() const { return m_dropped.load(); }

    QString AvailabilityTopic() const;
    QString StateTopic() const;

private:
    struct TMessage {
        QByteArray topic;
        QByteArray payload;
    };

    static void OnConnect(mosquitto *, void *self, int rc);
    static void OnDisconnect(mosquitto *, void *self, int rc);
    static void OnPublish(mosquitto *, void *self, int mid);

    void Enqueue(const QString &topic, const QByteArray &payload);
    void EnqueueLocked(const QString &topic, const QByteArray &payload);
    // Hands queued messages to the library while connected; either thread calls it.
    void Drain();
    QByteArray Availability() const;
    void PublishAvailabilityIfChanged();

    TOptions m_options;
    QString m_name;
    QString m_error;
    mosquitto *m_mosq = nullptr;
    bool m_started = false;

    std::mutex m_mutex;
    std::deque<TMessage> m_queue;
    std::vector<TMessage> m_discovery; // published again on every connection

    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_deviceOk{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::int64_t> m_unacknowledged{0};

    const TDeviceConnection *m_connection = nullptr;
    const TReaderCore *m_reader = nullptr;
    std::vector<TLangQuan *> m_rows;
    bool m_announcedOk = false;
    bool m_announced = false;
};

} // namespace Service
