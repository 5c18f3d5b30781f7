#include "SimProcess.h"

#include "TestEnv.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>

namespace
{
constexpr int kReadyTimeoutMs = 8000;
constexpr int kControlTimeoutMs = 5000;
} // namespace

SimProcess::SimProcess() = default;

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start(const QString &scenario, const QStringList &extraArgs)
{
    const QString path = QFileInfo(scenario).isAbsolute() ? scenario : TestEnv::scenarioPath(scenario);
    QStringList args{QStringLiteral("--scenario"), path, QStringLiteral("--tcp"),
                     QStringLiteral("127.0.0.1:0")};
    if (!extraArgs.contains(QStringLiteral("--udp")))
        args << QStringLiteral("--udp") << QStringLiteral("127.0.0.1:0");
    args << extraArgs;
    return launch(args);
}

bool SimProcess::startRtu(const QString &scenario, const QString &ptyDevice, int baud, int slave,
                          const QStringList &extra)
{
    const QString path = QFileInfo(scenario).isAbsolute() ? scenario : TestEnv::scenarioPath(scenario);
    QStringList args{QStringLiteral("--scenario"), path,
                     QStringLiteral("--rtu"),      ptyDevice,
                     QStringLiteral("--baud"),     QString::number(baud),
                     QStringLiteral("--slave"),    QString::number(slave)};
    args << extra;
    return launch(args);
}

bool SimProcess::launch(const QStringList &argsIn)
{
    stop();
    m_stderr.clear();
    m_tcpPort = m_udpPort = 0;
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        return false;
    m_controlPath = m_dir->filePath(QStringLiteral("control"));
    QStringList args = argsIn;
    args << QStringLiteral("--control") << m_controlPath;

    m_proc = std::make_unique<QProcess>();
    m_proc->setProgram(TestEnv::simulatorPath());
    m_proc->setArguments(args);
    m_proc->start();
    if (!m_proc->waitForStarted(3000)) {
        m_proc.reset();
        return false;
    }
    QByteArray out;
    QDeadlineTimer deadline(kReadyTimeoutMs);
    while (!deadline.hasExpired() && !out.contains('\n')) {
        if (m_proc->state() != QProcess::Running)
            break;
        m_proc->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        out += m_proc->readAllStandardOutput();
    }
    drainStderr();
    const QString line = QString::fromUtf8(out).section(QLatin1Char('\n'), 0, 0);
    if (!line.startsWith(QStringLiteral("ready"))) {
        stop();
        return false;
    }
    static const QRegularExpression tcpRe(QStringLiteral("tcp=[^ ]*:(\\d+)"));
    static const QRegularExpression udpRe(QStringLiteral("udp=[^ ]*:(\\d+)"));
    if (auto m = tcpRe.match(line); m.hasMatch())
        m_tcpPort = quint16(m.captured(1).toUInt());
    if (auto m = udpRe.match(line); m.hasMatch())
        m_udpPort = quint16(m.captured(1).toUInt());
    return true;
}

bool SimProcess::isRunning() const
{
    return m_proc && m_proc->state() == QProcess::Running;
}

QString SimProcess::control(const QString &command)
{
    if (!isRunning())
        return {};
    QLocalSocket sock;
    sock.connectToServer(m_controlPath);
    if (!sock.waitForConnected(kControlTimeoutMs))
        return {};
    sock.write(command.toUtf8() + '\n');
    if (!sock.waitForBytesWritten(kControlTimeoutMs))
        return {};
    QByteArray reply;
    QDeadlineTimer deadline(kControlTimeoutMs);
    while (!reply.contains('\n') && !deadline.hasExpired()) {
        if (!sock.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        reply += sock.readAll();
    }
    sock.disconnectFromServer();
    if (!reply.contains('\n'))
        return {};
    return QString::fromUtf8(reply.left(reply.indexOf('\n')));
}

void SimProcess::drainStderr()
{
    if (m_proc)
        m_stderr += QString::fromUtf8(m_proc->readAllStandardError());
}

QStringList SimProcess::log()
{
    const QString reply = control(QStringLiteral("log"));
    if (!reply.startsWith(QStringLiteral("ok")))
        return {};
    QStringList entries = reply.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    entries.removeFirst();
    return entries;
}

QString SimProcess::errorOutput()
{
    drainStderr();
    return m_stderr;
}

int SimProcess::stop()
{
    if (!m_proc)
        return -1;
    int code = -1;
    if (m_proc->state() != QProcess::NotRunning) {
        m_proc->terminate();
        if (!m_proc->waitForFinished(5000)) {
            m_proc->kill();
            m_proc->waitForFinished(3000);
        }
    }
    drainStderr();
    if (m_proc->exitStatus() == QProcess::NormalExit)
        code = m_proc->exitCode();
    m_proc.reset();
    m_dir.reset();
    return code;
}
