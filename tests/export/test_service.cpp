// ombrix-logger as a service, run as a process against the simulator, a real Mosquitto
// broker, Prometheus and a test-made service-manager socket: what each of them sees, when
// the device or the broker goes away, and how the logger ends.
#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

quint16 FreePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

bool WaitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

bool PortAnswers(quint16 port)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    return s.waitForConnected(500);
}

// A child process that is always ended with the test.
class Child
{
public:
    Child() = default;
    ~Child() { Kill(); }
    void Start(const QString &program, const QStringList &args, const QStringList &env = {})
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const QString &kv : env)
            e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        m_proc.setProcessEnvironment(e);
        m_proc.start(program, args);
        m_proc.waitForStarted(5000);
    }
    void Kill()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_proc.processId()), SIGCONT);
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    void Signal(int number) { ::kill(static_cast<pid_t>(m_proc.processId()), number); }
    QProcess &Proc() { return m_proc; }

private:
    QProcess m_proc;
};

// Mosquitto on a free loopback port, without persistence.
class Broker
{
public:
    explicit Broker(quint16 port = 0) : m_port(port != 0 ? port : FreePort()) {}
    bool Start()
    {
        const QString conf = m_dir.filePath(QStringLiteral("mosquitto.conf"));
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n")
                    .arg(m_port)
                    .toUtf8());
        f.close();
        m_child.Start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf});
        return WaitUntil([this] { return PortAnswers(m_port); }, 10000);
    }
    void Stop() { m_child.Kill(); }
    void Pause() { m_child.Signal(SIGSTOP); }
    void Resume() { m_child.Signal(SIGCONT); }
    quint16 Port() const { return m_port; }
    QString Url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(m_port); }

    // The retained message of the topic; empty when there is none within a few seconds.
    QString Retained(const QString &topic) const
    {
        QProcess sub;
        sub.start(QStringLiteral("mosquitto_sub"),
                  {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                   QString::number(m_port), QStringLiteral("-t"), topic, QStringLiteral("-C"),
                   QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("3"),
                   QStringLiteral("--retained-only")});
        sub.waitForFinished(10000);
        return QString::fromUtf8(sub.readAllStandardOutput()).trimmed();
    }
    bool WaitRetained(const QString &topic, const QString &payload, int timeoutMs = 20000) const
    {
        return WaitUntil([&] { return Retained(topic) == payload; }, timeoutMs);
    }

private:
    QTemporaryDir m_dir;
    quint16 m_port;
    Child m_child;
};

// The logger, its standard output read line by line.
class Logger
{
public:
    Logger(const QStringList &args, const QStringList &env = {})
    {
        m_child.Start(QStringLiteral(OMBRIX_LOGGER_PATH), args, env);
    }
    QStringList &Lines()
    {
        // Without an event loop the process reads its pipe only inside a wait.
        if (m_child.Proc().state() == QProcess::Running)
            m_child.Proc().waitForReadyRead(50);
        m_pending += m_child.Proc().readAllStandardOutput();
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            m_lines << QString::fromUtf8(m_pending.left(end));
            m_pending.remove(0, end + 1);
        }
        return m_lines;
    }
    bool WaitLines(int n, int timeoutMs = 30000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (Lines().size() < n) {
            if (deadline.hasExpired() || m_child.Proc().state() == QProcess::NotRunning)
                return false;
            m_child.Proc().waitForReadyRead(200);
        }
        return true;
    }
    void Signal(int number) { m_child.Signal(number); }
    int Finish(int timeoutMs = 30000)
    {
        QProcess &p = m_child.Proc();
        if (!p.waitForFinished(timeoutMs))
            return -1;
        Lines();
        m_err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString Err() const { return m_err; }

private:
    Child m_child;
    QByteArray m_pending;
    QStringList m_lines;
    QString m_err;
};

QString RunTool(const QString &program, const QStringList &args, int *exitCode = nullptr,
                const QByteArray &input = {})
{
    QProcess p;
    p.start(program, args);
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    p.waitForFinished(20000);
    if (exitCode != nullptr)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

QString Scrape(quint16 port, const QString &path = QStringLiteral("/metrics"), const QString &accept = {},
               bool headers = false)
{
    QStringList args{QStringLiteral("-s"), QStringLiteral("-m"), QStringLiteral("5")};
    if (headers)
        args << QStringLiteral("-i");
    if (!accept.isEmpty())
        args << QStringLiteral("-H") << QStringLiteral("Accept: ") + accept;
    args << QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
    return RunTool(QStringLiteral("curl"), args);
}

// The sample lines of a family in an exposition.
QStringList Samples(const QString &exposition, const QString &family)
{
    QStringList found;
    for (const QString &line : exposition.split(QLatin1Char('\n'))) {
        if (line.startsWith(family + QLatin1Char('{')) || line.startsWith(family + QLatin1Char(' ')))
            found << line;
    }
    return found;
}

// The Gelmi five-channel simulator with known values: Temperature 1 (slot 13) 25.3 °C in
// a high alarm, Relative humidity 2 (slot 14) not readable.
struct Rig {
    SimProcess sim;
    QStringList env;
    bool Start()
    {
        if (!sim.start(QStringLiteral("gelmi-5ch-551.json")))
            return false;
        for (const char *command : {"set gelmi.c1 253", "set gelmi.c2 11000", "set gelmi.alarm.1 hi"}) {
            if (!sim.control(QString::fromLatin1(command)).startsWith(QStringLiteral("ok")))
                return false;
        }
        env << QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort());
        return true;
    }
    QStringList Args() const
    {
        return {QStringLiteral("-type"),     QStringLiteral("Ethernet"), QStringLiteral("-ip"),
                QStringLiteral("127.0.0.1"), QStringLiteral("-tcpport"), QString::number(sim.tcpPort()),
                QStringLiteral("-timeout"),  QStringLiteral("300"),      QStringLiteral("--json")};
    }
};

const QString TemperatureValue =
    QStringLiteral("ombrix_value{device=\"boiler\",slot=\"13\",quantity=\"Temperature 1\",unit=\"°C\"} 25.3");

TEST(ServiceMetrics, ValuesOfTheSimulatorInBothFormatsAcceptedByPromtool)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    const quint16 port = FreePort();
    Logger logger(rig.Args() << QStringLiteral("--name") << QStringLiteral("boiler")
                             << QStringLiteral("--metrics") << QString::number(port),
                  rig.env);
    ASSERT_TRUE(logger.WaitLines(2));

    const QString text = Scrape(port, QStringLiteral("/metrics"), {}, true);
    EXPECT_TRUE(text.contains(QStringLiteral("Content-Type: text/plain; version=0.0.4")))
        << text.toStdString();
    EXPECT_EQ(Samples(text, QStringLiteral("ombrix_up")), QStringList{"ombrix_up{device=\"boiler\"} 1"});
    // Slot 14 was not read correctly: it has no value sample at all, only read_ok 0.
    EXPECT_EQ(Samples(text, QStringLiteral("ombrix_value"))
                  .filter(QStringLiteral("slot=\"1"))
                  .filter(QStringLiteral("slot=\"13\"")),
              QStringList{TemperatureValue});
    EXPECT_TRUE(
        Samples(text, QStringLiteral("ombrix_value")).filter(QStringLiteral("slot=\"14\"")).isEmpty());
    EXPECT_TRUE(text.contains(
        QStringLiteral("ombrix_read_ok{device=\"boiler\",slot=\"14\",quantity=\"Relative humidity 2\"} 0")));
    EXPECT_TRUE(text.contains(
        QStringLiteral("ombrix_alarm_state{device=\"boiler\",slot=\"13\",quantity=\"Temperature 1\"} 2")));
    EXPECT_EQ(Samples(text, QStringLiteral("ombrix_device_info")).size(), 1);
    EXPECT_EQ(Samples(text, QStringLiteral("ombrix_build_info")).size(), 1);
    for (const char *family :
         {"ombrix_up", "ombrix_value", "ombrix_read_ok", "ombrix_alarm_state", "ombrix_ticks_total",
          "ombrix_read_failures_total", "ombrix_csv_records_total", "ombrix_csv_write_failures_total",
          "ombrix_mqtt_connected", "ombrix_mqtt_dropped_total", "ombrix_last_tick_timestamp_seconds",
          "ombrix_device_info", "ombrix_build_info"}) {
        EXPECT_TRUE(text.contains(QStringLiteral("# HELP %1 ").arg(QLatin1String(family)))) << family;
        EXPECT_TRUE(text.contains(QStringLiteral("# TYPE %1 ").arg(QLatin1String(family)))) << family;
    }

    int status = -1;
    const QString body = Scrape(port);
    const QString lint =
        RunTool(QStringLiteral("promtool"), {QStringLiteral("check"), QStringLiteral("metrics")}, &status,
                body.toUtf8());
    EXPECT_EQ(status, 0) << lint.toStdString() << body.toStdString();

    const QString om =
        Scrape(port, QStringLiteral("/metrics"),
               QStringLiteral("application/openmetrics-text;version=1.0.0,text/plain;q=0.5"), true);
    EXPECT_TRUE(om.contains(QStringLiteral("Content-Type: application/openmetrics-text; version=1.0.0")));
    EXPECT_TRUE(om.endsWith(QStringLiteral("# EOF\n"))) << om.toStdString();
    EXPECT_TRUE(om.contains(QStringLiteral("# TYPE ombrix_ticks counter")));
    EXPECT_TRUE(om.contains(TemperatureValue));

    EXPECT_TRUE(Scrape(port, QStringLiteral("/other"), {}, true).startsWith(QStringLiteral("HTTP/1.1 404")));
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Finish(), 0) << logger.Err().toStdString();
}

TEST(ServiceMqtt, OutageGivesUpZeroNoValueAndOfflineThenRecovers)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    Broker broker;
    ASSERT_TRUE(broker.Start());
    const quint16 port = FreePort();
    Logger logger(rig.Args() << QStringLiteral("--name") << QStringLiteral("boiler")
                             << QStringLiteral("--metrics") << QString::number(port)
                             << QStringLiteral("--mqtt") << broker.Url()
                             << QStringLiteral("--mqtt-ha-discovery"),
                  rig.env);
    ASSERT_TRUE(logger.WaitLines(2));
    ASSERT_TRUE(broker.WaitRetained(QStringLiteral("ombrix/boiler/availability"), QStringLiteral("online")));

    // The state is exactly a line --json printed.
    const QString state = broker.Retained(QStringLiteral("ombrix/boiler/state"));
    EXPECT_TRUE(logger.Lines().contains(state)) << state.toStdString();
    const QJsonObject discovery =
        QJsonDocument::fromJson(
            broker.Retained(QStringLiteral("homeassistant/sensor/ombrix_boiler_13/config")).toUtf8())
            .object();
    EXPECT_EQ(discovery[QStringLiteral("unique_id")].toString(), QStringLiteral("ombrix_boiler_13"));
    EXPECT_EQ(discovery[QStringLiteral("state_topic")].toString(), QStringLiteral("ombrix/boiler/state"));
    EXPECT_EQ(discovery[QStringLiteral("availability_topic")].toString(),
              QStringLiteral("ombrix/boiler/availability"));
    EXPECT_EQ(discovery[QStringLiteral("device_class")].toString(), QStringLiteral("temperature"));
    EXPECT_EQ(discovery[QStringLiteral("unit_of_measurement")].toString(), QStringLiteral("°C"));
    EXPECT_EQ(discovery[QStringLiteral("value_template")].toString(),
              QStringLiteral("{{ value_json.slots[0].value }}"));
    EXPECT_FALSE(
        discovery[QStringLiteral("device")].toObject()[QStringLiteral("model")].toString().isEmpty());

    ASSERT_TRUE(rig.sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(broker.WaitRetained(QStringLiteral("ombrix/boiler/availability"), QStringLiteral("offline")));
    const QString down = Scrape(port);
    EXPECT_EQ(Samples(down, QStringLiteral("ombrix_up")), QStringList{"ombrix_up{device=\"boiler\"} 0"});
    EXPECT_TRUE(Samples(down, QStringLiteral("ombrix_value")).isEmpty()) << down.toStdString();
    EXPECT_EQ(Samples(down, QStringLiteral("ombrix_mqtt_connected")),
              QStringList{"ombrix_mqtt_connected{device=\"boiler\"} 1"});

    ASSERT_TRUE(rig.sim.control(QStringLiteral("offline off")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(broker.WaitRetained(QStringLiteral("ombrix/boiler/availability"), QStringLiteral("online")));
    EXPECT_TRUE(WaitUntil([&] { return Scrape(port).contains(TemperatureValue); }, 10000));
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Finish(), 0) << logger.Err().toStdString();
}

TEST(ServiceMqtt, BrokerStartedLaterGetsTheStateAndTheCsvLostNothing)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("late.csv"));
    Broker broker;
    Logger logger(rig.Args() << QStringLiteral("--mqtt") << broker.Url() << QStringLiteral("-csv") << csv,
                  rig.env);
    ASSERT_TRUE(logger.WaitLines(3));
    ASSERT_TRUE(broker.Start());
    // The first reconnection waits are 1, 2 and 4 s.
    EXPECT_TRUE(
        broker.WaitRetained(QStringLiteral("ombrix/ombrix/availability"), QStringLiteral("online"), 20000));
    // The retained state first: the line printed for it is on standard output by then.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const QString state = broker.Retained(QStringLiteral("ombrix/ombrix/state"));
            return logger.Lines().contains(state);
        },
        10000));

    // A clean end says offline itself and exits 0.
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Finish(), 0) << logger.Err().toStdString();
    EXPECT_EQ(broker.Retained(QStringLiteral("ombrix/ombrix/availability")), QStringLiteral("offline"));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    qsizetype records = 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        records += line.contains("25.3") ? 1 : 0;
    EXPECT_EQ(records, logger.Lines().size()) << "one CSV record per tick, also before the broker came";
}

TEST(ServiceMqtt, KilledLoggerShowsOfflineThroughTheWill)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    Broker broker;
    ASSERT_TRUE(broker.Start());
    Logger logger(rig.Args() << QStringLiteral("--name") << QStringLiteral("will") << QStringLiteral("--mqtt")
                             << broker.Url(),
                  rig.env);
    ASSERT_TRUE(broker.WaitRetained(QStringLiteral("ombrix/will/availability"), QStringLiteral("online")));
    logger.Signal(SIGKILL);
    EXPECT_EQ(logger.Finish(), -1);
    EXPECT_TRUE(
        broker.WaitRetained(QStringLiteral("ombrix/will/availability"), QStringLiteral("offline"), 10000));
}

TEST(ServiceRun, SlowScraperAndStalledBrokerDoNotDelayATick)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    Broker broker;
    ASSERT_TRUE(broker.Start());
    const quint16 port = FreePort();
    Logger logger(rig.Args() << QStringLiteral("--metrics") << QString::number(port)
                             << QStringLiteral("--mqtt") << broker.Url(),
                  rig.env);
    ASSERT_TRUE(broker.WaitRetained(QStringLiteral("ombrix/ombrix/availability"), QStringLiteral("online")));
    const int before = static_cast<int>(logger.Lines().size());
    // The broker stops answering (its socket stays open) and scrapers connect, send half a
    // request and never read.
    broker.Pause();
    std::vector<std::unique_ptr<QTcpSocket>> scrapers;
    for (int i = 0; i < 5; ++i) {
        auto s = std::make_unique<QTcpSocket>();
        s->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(s->waitForConnected(3000));
        s->write("GET /metrics HTTP/1.1\r\nHost: x\r\n");
        s->flush();
        scrapers.push_back(std::move(s));
    }
    ASSERT_TRUE(logger.WaitLines(before + 6, 30000));
    QList<QDateTime> times;
    for (const QString &line : logger.Lines().mid(before)) {
        times << QDateTime::fromString(
            QJsonDocument::fromJson(line.toUtf8()).object()[QStringLiteral("time")].toString(), Qt::ISODate);
    }
    for (qsizetype i = 1; i < times.size(); ++i)
        EXPECT_LE(times[i - 1].secsTo(times[i]), 2) << "a tick was held up at " << i;
    // Meanwhile the endpoint still answers a normal scrape.
    EXPECT_TRUE(Scrape(port).contains(QStringLiteral("ombrix_up{device=\"ombrix\"} 1")));
    broker.Resume();
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Finish(), 0) << logger.Err().toStdString();
}

TEST(ServicePrometheus, ServerScrapesTheSimulatorsValue)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    const quint16 metrics = FreePort();
    Logger logger(rig.Args() << QStringLiteral("--name") << QStringLiteral("boiler")
                             << QStringLiteral("--metrics") << QString::number(metrics),
                  rig.env);
    QTemporaryDir dir;
    const quint16 web = FreePort();
    const QString conf = dir.filePath(QStringLiteral("prometheus.yml"));
    QFile f(conf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral(
                "global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: ombrix\n    static_configs:\n"
                "      - targets: ['127.0.0.1:%1']\n")
                .arg(metrics)
                .toUtf8());
    f.close();
    Child prometheus;
    prometheus.Start(QStringLiteral("prometheus"),
                     {QStringLiteral("--config.file=") + conf,
                      QStringLiteral("--storage.tsdb.path=") + dir.filePath("data"),
                      QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(web)});
    const auto query = [&](const QString &promql) {
        const QString url = QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(web);
        const QString reply =
            RunTool(QStringLiteral("curl"),
                    {QStringLiteral("-s"), QStringLiteral("-m"), QStringLiteral("5"),
                     QStringLiteral("--data-urlencode"), QStringLiteral("query=") + promql, url});
        const QJsonArray result = QJsonDocument::fromJson(reply.toUtf8())
                                      .object()[QStringLiteral("data")]
                                      .toObject()[QStringLiteral("result")]
                                      .toArray();
        return result.isEmpty() ? QString()
                                : result[0].toObject()[QStringLiteral("value")].toArray()[1].toString();
    };
    EXPECT_TRUE(WaitUntil(
        [&] { return query(QStringLiteral("ombrix_value{device=\"boiler\",slot=\"13\"}")) == "25.3"; },
        40000));
    EXPECT_EQ(query(QStringLiteral("ombrix_up{device=\"boiler\"}")), QStringLiteral("1"));
    EXPECT_EQ(query(QStringLiteral("count(ombrix_value{device=\"boiler\",slot=\"14\"})")), QString())
        << "the unreadable slot has no series";
    prometheus.Kill();
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Finish(), 0) << logger.Err().toStdString();
}

// A datagram socket standing in for the service manager's.
class NotifySocket
{
public:
    NotifySocket()
    {
        m_path = m_dir.filePath(QStringLiteral("notify"));
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        qstrncpy(addr.sun_path, m_path.toLocal8Bit().constData(), sizeof addr.sun_path);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    }
    ~NotifySocket() { ::close(m_fd); }
    QString Path() const { return m_path; }
    QStringList Take()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            m_messages << QString::fromUtf8(buffer, static_cast<qsizetype>(n));
        }
        return m_messages;
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_fd = -1;
    QStringList m_messages;
};

TEST(ServiceNotify, ReadyStatusAndWatchdogThroughTheManagersSocket)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    NotifySocket manager;
    Logger logger(rig.Args() << QStringLiteral("-count") << QStringLiteral("3"),
                  rig.env + QStringList{QStringLiteral("NOTIFY_SOCKET=") + manager.Path(),
                                        QStringLiteral("WATCHDOG_USEC=20000000")});
    ASSERT_EQ(logger.Finish(), 0) << logger.Err().toStdString();
    const QStringList messages = manager.Take();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("READY=1\n"))) << messages.join("|").toStdString();
    const QStringList ticks = messages.filter(QStringLiteral("WATCHDOG=1"));
    ASSERT_EQ(ticks.size(), 3) << messages.join("|").toStdString();
    EXPECT_TRUE(
        ticks[0].startsWith(QStringLiteral("STATUS=Temperature 1 25.3 °C | Relative humidity 2 error")))
        << ticks[0].toStdString();
    EXPECT_EQ(messages.last(), QStringLiteral("STOPPING=1"));
}

TEST(ServiceRun, RetryWaitsForTheDeviceWithUpZero)
{
    Rig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    const quint16 port = FreePort();
    Logger logger(rig.Args() << QStringLiteral("--retry") << QStringLiteral("--metrics")
                             << QString::number(port),
                  rig.env);
    ASSERT_TRUE(WaitUntil(
        [&] { return Scrape(port).contains(QStringLiteral("ombrix_up{device=\"ombrix\"} 0")); }, 15000));
    EXPECT_TRUE(logger.Lines().isEmpty());
    ASSERT_TRUE(rig.sim.control(QStringLiteral("offline off")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(logger.WaitLines(1, 30000));
    EXPECT_TRUE(WaitUntil(
        [&] { return Scrape(port).contains(QStringLiteral("ombrix_up{device=\"ombrix\"} 1")); }, 10000));
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Finish(), 0) << logger.Err().toStdString();
}

TEST(ServiceRun, ConfigFileFaultsExitTwoWithTheLineAndCheckConfigConnectsNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cold-store.conf"));
    const auto write = [&](const QByteArray &text) {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    };
    write("[device]\nip = 192.0.2.1\n[mqtt]\nurl = mqtt://logger@127.0.0.1\npassword_file = "
          "pw\n[metrics]\nlisten = 9\n");
    int status = -1;
    QString out = RunTool(QStringLiteral(OMBRIX_LOGGER_PATH),
                          {QStringLiteral("--config"), path, QStringLiteral("--check-config"),
                           QStringLiteral("-interval"), QStringLiteral("7")},
                          &status);
    EXPECT_EQ(status, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("name = cold-store")));
    EXPECT_TRUE(out.contains(QStringLiteral("interval = 7"))) << "the command line wins";
    EXPECT_TRUE(out.contains(QStringLiteral("listen = 127.0.0.1:9")));

    write("[device]\nip = 192.0.2.1\n\n[mqtt]\nkeepalive = often\n");
    out = RunTool(QStringLiteral(OMBRIX_LOGGER_PATH), {QStringLiteral("--config"), path}, &status);
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(out.contains(path + QStringLiteral(":5: key \"keepalive\" in [mqtt]"))) << out.toStdString();

    out = RunTool(
        QStringLiteral(OMBRIX_LOGGER_PATH),
        {QStringLiteral("--config"), path + QStringLiteral(".missing"), QStringLiteral("--check-config")},
        &status);
    EXPECT_EQ(status, 2) << out.toStdString();
    out = RunTool(QStringLiteral(OMBRIX_LOGGER_PATH),
                  {QStringLiteral("-ip"), QStringLiteral("192.0.2.1"), QStringLiteral("--name"),
                   QStringLiteral("bad name")},
                  &status);
    EXPECT_EQ(status, 2) << out.toStdString();
}

TEST(ServiceRun, JournalStreamGivesPriorityPrefixes)
{
    QTemporaryDir dir;
    const QString errFile = dir.filePath(QStringLiteral("stderr"));
    QFile(errFile).open(QIODevice::WriteOnly);
    struct stat st {
    };
    ASSERT_EQ(::stat(errFile.toLocal8Bit().constData(), &st), 0);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("JOURNAL_STREAM"), QStringLiteral("%1:%2")
                                                     .arg(static_cast<qulonglong>(st.st_dev))
                                                     .arg(static_cast<qulonglong>(st.st_ino)));
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(errFile);
    // Port 1 on loopback refuses at once: connecting fails with a message.
    p.start(QStringLiteral(OMBRIX_LOGGER_PATH),
            {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-tcpport"),
             QStringLiteral("1"), QStringLiteral("-timeout"), QStringLiteral("300")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    QFile f(errFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    ASSERT_FALSE(lines.isEmpty());
    for (const QByteArray &line : lines)
        EXPECT_TRUE(line.startsWith("<3>")) << line.toStdString();
}

} // namespace
