#include "export/uMetricsServer.h"

#include "export/uMetrics.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTcpServer>

namespace Service
{

TMetricsServer::TMetricsServer(const TMetricsRegistry &registry) : m_registry(registry)
{
    m_server.route(QStringLiteral("/metrics"), QHttpServerRequest::Method::Get,
                   [this](const QHttpServerRequest &request) {
                       const bool om = TMetricsRegistry::WantsOpenMetrics(request.value("Accept"));
                       return QHttpServerResponse(TMetricsRegistry::ContentType(om), m_registry.Render(om));
                   });
}

quint16 TMetricsServer::Listen(const QString &address, int port)
{
    const quint16 bound = m_server.listen(QHostAddress(address), static_cast<quint16>(port));
    if (bound == 0) {
        const auto servers = m_server.servers();
        m_error = servers.isEmpty() ? QStringLiteral("cannot listen") : servers.last()->errorString();
    }
    return bound;
}

} // namespace Service
