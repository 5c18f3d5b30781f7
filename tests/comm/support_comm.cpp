#include "support_comm.h"

#include "TestEnv.h"

#include <QTcpServer>

namespace CommTest
{

QString scenario(const QString &fileName)
{
    return TestEnv::sourceDir() + QStringLiteral("/tests/comm/scenarios/") + fileName;
}

Raised raisedBy(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &e) {
        return Raised{&typeid(e), e.Message()};
    }
    return {};
}

quint16 closedTcpPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

ScopedEnv::ScopedEnv(const char *name, const QByteArray &value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        qputenv(m_name, m_old);
    else
        qunsetenv(m_name);
}

} // namespace CommTest
