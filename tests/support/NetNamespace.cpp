#include "NetNamespace.h"

#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <exception>
#include <fcntl.h>
#include <sched.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace
{

const QString Prefix = QStringLiteral("ombrix-test-");

bool RunIp(const QStringList &args, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("ip"), args);
    const bool finished = process.waitForFinished(10000);
    if (!finished)
        process.kill();
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Namespaces named after a test process that no longer exists.
void RemoveStale()
{
    QString list;
    if (!RunIp({QStringLiteral("netns"), QStringLiteral("list")}, &list))
        return;
    for (const QString &line : list.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = line.section(QLatin1Char(' '), 0, 0);
        if (!name.startsWith(Prefix))
            continue;
        bool ok = false;
        const pid_t pid = name.mid(Prefix.size()).section(QLatin1Char('-'), 0, 0).toInt(&ok);
        if (ok && pid > 0 && kill(pid, 0) != 0 && errno == ESRCH)
            RunIp({QStringLiteral("netns"), QStringLiteral("delete"), name});
    }
}

} // namespace

// Root and the ip program are not enough inside an unprivileged container, where
// `ip netns add` itself fails: try once per process with a namespace of our own.
QString NetNamespace::unavailableReason()
{
    static const QString reason = [] {
        if (geteuid() != 0)
            return QStringLiteral("network namespaces need root");
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
            return QStringLiteral("the ip program (iproute2) is missing");
        const QString trial = QStringLiteral("%1%2-probe").arg(Prefix).arg(getpid());
        QString output;
        if (!RunIp({QStringLiteral("netns"), QStringLiteral("add"), trial}, &output))
            return QStringLiteral("cannot create a network namespace here (ip netns add: %1)").arg(output);
        RunIp({QStringLiteral("netns"), QStringLiteral("delete"), trial});
        return QString();
    }();
    return reason;
}

NetNamespace::NetNamespace()
{
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return;
    RemoveStale();
    static std::atomic<int> counter{0};
    m_name = QStringLiteral("%1%2-%3").arg(Prefix).arg(getpid()).arg(counter.fetch_add(1));
    if (!RunIp({QStringLiteral("netns"), QStringLiteral("add"), m_name}, &m_error)) {
        m_name.clear();
        return;
    }
    m_ok = ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")});
}

NetNamespace::~NetNamespace()
{
    if (!m_name.isEmpty())
        RunIp({QStringLiteral("netns"), QStringLiteral("delete"), m_name});
}

bool NetNamespace::ip(const QStringList &args)
{
    if (m_name.isEmpty())
        return false;
    return RunIp(QStringList{QStringLiteral("-n"), m_name} + args, &m_error);
}

bool NetNamespace::addVethPair(const QString &end, const QString &mac, const QStringList &addresses,
                               const QString &peer)
{
    if (!ip({QStringLiteral("link"), QStringLiteral("add"), end, QStringLiteral("address"), mac,
             QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"),
             peer}))
        return false;
    for (const QString &address : addresses) {
        if (!ip({QStringLiteral("addr"), QStringLiteral("add"), address, QStringLiteral("dev"), end}))
            return false;
    }
    return ip({QStringLiteral("link"), QStringLiteral("set"), end, QStringLiteral("up")}) &&
           ip({QStringLiteral("link"), QStringLiteral("set"), peer, QStringLiteral("up")});
}

void NetNamespace::inside(const std::function<void()> &fn) const
{
    const QByteArray path = QStringLiteral("/run/netns/%1").arg(m_name).toLocal8Bit();
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                throw std::runtime_error("cannot open " + path.toStdString());
            // Joins only this thread; the rest of the test process stays where it is.
            const int rc = setns(fd, CLONE_NEWNET);
            close(fd);
            if (rc != 0)
                throw std::runtime_error("setns failed for " + path.toStdString());
            fn();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}
