#pragma once

// GET /metrics over HTTP in the Qt event loop: a scrape is answered from what the registry
// kept after the last tick, and the socket writes are the event loop's, so a slow scraper
// never holds up a reading.

#include <QHttpServer>
#include <QString>

namespace Service
{

class TMetricsRegistry;

class TMetricsServer
{
public:
    explicit TMetricsServer(const TMetricsRegistry &registry);

    // The port listened on, 0 when the address could not be bound (errorText says why).
    quint16 Listen(const QString &address, int port);
    QString ErrorText() const { return m_error; }

private:
    const TMetricsRegistry &m_registry;
    QHttpServer m_server;
    QString m_error;
};

} // namespace Service
