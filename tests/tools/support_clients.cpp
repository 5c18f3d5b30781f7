#include "ToolClients.h"

#include "TestEnv.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace ToolClients
{

namespace
{

QString runProcess(const QString &program, const QStringList &args, int timeoutMs, int &exitCode,
                   qint64 &elapsed)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForStarted(5000)) {
        exitCode = -1;
        return program + QStringLiteral(" did not start");
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        exitCode = -1;
        return QString::fromUtf8(p.readAll()) + QStringLiteral("\n(killed: took too long)");
    }
    elapsed = timer.elapsed();
    exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

QStringList common(int address, int count, double timeoutS, const QString &type)
{
    return {QStringLiteral("-0"),
            QStringLiteral("-r"),
            QString::number(address),
            QStringLiteral("-c"),
            QString::number(count),
            QStringLiteral("-t"),
            type,
            QStringLiteral("-1"),
            QStringLiteral("-o"),
            QString::number(timeoutS)};
}

MbpollResult runMbpoll(const QStringList &args, int count, double timeoutS)
{
    MbpollResult r;
    int code = 0;
    r.output = runProcess(QStringLiteral("mbpoll"), args, int(timeoutS * 1000) + 10000, code, r.elapsedMs);
    static const QRegularExpression line(QStringLiteral("^\\[\\d+\\]:\\s+0x([0-9A-Fa-f]{1,4})\\s*$"),
                                         QRegularExpression::MultilineOption);
    auto it = line.globalMatch(r.output);
    while (it.hasNext())
        r.values << quint16(it.next().captured(1).toUInt(nullptr, 16));
    r.ok = code == 0 && r.values.size() == count;
    return r;
}

} // namespace

MbpollResult readTcp(quint16 port, int address, int count, int unit, double timeoutS)
{
    QStringList args{QStringLiteral("-m"),  QStringLiteral("tcp"), QStringLiteral("-p"),
                     QString::number(port), QStringLiteral("-a"),  QString::number(unit)};
    args << common(address, count, timeoutS, QStringLiteral("4:hex")) << QStringLiteral("127.0.0.1");
    return runMbpoll(args, count, timeoutS);
}

MbpollResult readRtu(const QString &device, int baud, int slave, int address, int count, double timeoutS)
{
    QStringList args{QStringLiteral("-m"),  QStringLiteral("rtu"), QStringLiteral("-b"),
                     QString::number(baud), QStringLiteral("-P"),  QStringLiteral("none"),
                     QStringLiteral("-a"),  QString::number(slave)};
    args << common(address, count, timeoutS, QStringLiteral("4:hex")) << device;
    return runMbpoll(args, count, timeoutS);
}

FloatResult readFloatsTcp(quint16 port, int address, int count)
{
    QStringList args{QStringLiteral("-m"), QStringLiteral("tcp"), QStringLiteral("-p"),
                     QString::number(port)};
    args << common(address, count, 1.0, QStringLiteral("4:float")) << QStringLiteral("127.0.0.1");
    FloatResult r;
    int code = 0;
    qint64 elapsed = 0;
    r.output = runProcess(QStringLiteral("mbpoll"), args, 10000, code, elapsed);
    static const QRegularExpression line(QStringLiteral("^\\[\\d+\\]:\\s+(\\S+)\\s*$"),
                                         QRegularExpression::MultilineOption);
    auto it = line.globalMatch(r.output);
    while (it.hasNext())
        r.values << it.next().captured(1).toDouble();
    r.ok = code == 0 && r.values.size() == count;
    return r;
}

// The Debian interpreter first: a version-manager shim on PATH costs a second per start.
QString python()
{
    const QString system =
        QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    return system.isEmpty() ? QStringLiteral("python3") : system;
}

QVector<UdpReply> udp(quint16 port, const QStringList &requests, double timeoutS)
{
    const QString script = TestEnv::sourceDir() + QStringLiteral("/tests/tools/udp_query.py");
    QStringList args{script, QStringLiteral("127.0.0.1"), QString::number(port), QString::number(timeoutS)};
    args << requests;
    int code = 0;
    qint64 elapsed = 0;
    const QString out =
        runProcess(python(), args, int(timeoutS * 1000) * int(requests.size() + 1) + 10000, code, elapsed);
    QVector<UdpReply> replies;
    for (const QString &l : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList w = l.split(QLatin1Char(' '));
        UdpReply r;
        if (w.value(0) == QStringLiteral("reply")) {
            r.answered = true;
            r.bytes = QByteArray::fromHex(w.value(1).toLatin1());
            r.ms = w.value(2).toInt();
        } else if (w.value(0) != QStringLiteral("none") && w.value(0) != QStringLiteral("sent")) {
            continue; // not one of ours (a Python error shows as a missing line)
        }
        replies << r;
    }
    return replies;
}

std::optional<QByteArray> udpOne(quint16 port, const QString &request, double timeoutS)
{
    const auto r = udp(port, {request}, timeoutS);
    if (r.size() != 1 || !r[0].answered)
        return std::nullopt;
    return r[0].bytes;
}

quint16 sum16(const QVector<quint16> &words, int from, int to)
{
    quint16 s = 0;
    for (int i = from; i <= to; ++i)
        s = quint16(s + words.value(i));
    return s;
}

} // namespace ToolClients
