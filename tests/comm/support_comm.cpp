#include "support_comm.h"

#include "TestEnv.h"

#include <QFile>
#include <QTcpServer>

#include <asm/termbits.h> // termios2 reports any rate; <termios.h> must stay out of this file
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

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

int lineRate(const QString &device)
{
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct termios2 tio {
    };
    const int rc = ::ioctl(fd, TCGETS2, &tio);
    ::close(fd);
    return rc == 0 ? static_cast<int>(tio.c_ospeed) : -1;
}

} // namespace CommTest
