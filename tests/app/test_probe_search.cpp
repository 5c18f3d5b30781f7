// ombrix-probe search and set-ip run as processes inside the test's own namespaces.
#include "support_xport_net.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <utility>

namespace
{

struct ProbeRun {
    int exitCode = -1;
    QString out, err;
};

// Runs the probe in a namespace; program is the probe's path (a copy next to a branding file).
ProbeRun Probe(const NetNamespace &ns, const QString &program, const QStringList &args, int udpPort = 30718)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OMBRIX_XPORT_UDP_PORT"), QString::number(udpPort));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("ip"),
            QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns.name(), program} + args);
    ProbeRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(3000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class ProbeSearchNet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_NAMESPACES();
        ASSERT_TRUE(net.ok()) << net.error().toStdString();
        ASSERT_TRUE(dir.isValid());
        probe = dir.filePath(QStringLiteral("ombrix-probe"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(OMBRIX_PROBE_PATH), probe));
    }

    void Branding(const QByteArray &text)
    {
        QFile ini(dir.filePath(QStringLiteral("Ombrix.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(text);
    }

    XPortNet net;
    QTemporaryDir dir;
    QString probe;
};

TEST_F(ProbeSearchNet, SearchPrintsTheDevicesInTheOrderFound)
{
    // Another port than the usual one: the environment variable reaches the search.
    const int port = 31718;
    ASSERT_TRUE(net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.10"),
                              {{QStringLiteral("mac"), QStringLiteral("00-20-4A-61-00-0A")},
                               {QStringLiteral("deviceType"), 1},
                               {QStringLiteral("firmware"), QJsonArray{4, 5, 7}},
                               {QStringLiteral("typeCode"), 9},
                               {QStringLiteral("description"), QStringLiteral("Hall 3, north wall")}},
                              {}, port));
    ASSERT_TRUE(net.addDevice(QStringLiteral("f1"), QStringLiteral("10.62.0.10"),
                              {{QStringLiteral("mac"), QStringLiteral("00-20-4A-62-00-0A")},
                               {QStringLiteral("deviceType"), 6},
                               {QStringLiteral("firmware"), QJsonArray{2, 0, 1}},
                               {QStringLiteral("typeCode"), 3},
                               {QStringLiteral("variant"), 'B'},
                               {QStringLiteral("description"), QStringLiteral("Store")}},
                              {}, port));
    Branding("[GlobalTypes]\nSensor103=Acme HP 140\n");

    const ProbeRun r = Probe(net.pc, probe, {QStringLiteral("search"), QStringLiteral("--json")}, port);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    ASSERT_TRUE(doc.isArray()) << r.out.toStdString();
    const QJsonArray expected{
        QJsonObject{{QStringLiteral("ip"), QStringLiteral("10.61.0.10")},
                    {QStringLiteral("mac"), QStringLiteral("00-20-4A-61-00-0A")},
                    {QStringLiteral("firmware"), QStringLiteral("1-4-5.07")},
                    {QStringLiteral("description"), QStringLiteral("Hall 3, north wall")},
                    {QStringLiteral("device_type"), QStringLiteral("Acme HP 140")},
                    {QStringLiteral("variant"), QString()},
                    {QStringLiteral("adapter"), QStringLiteral("10.61.0.1")}},
        QJsonObject{{QStringLiteral("ip"), QStringLiteral("10.62.0.10")},
                    {QStringLiteral("mac"), QStringLiteral("00-20-4A-62-00-0A")},
                    {QStringLiteral("firmware"), QStringLiteral("6-2-0.01")},
                    {QStringLiteral("description"), QStringLiteral("Store")},
                    {QStringLiteral("device_type"), QStringLiteral("XL310 Logger")},
                    {QStringLiteral("variant"), QStringLiteral("B")},
                    {QStringLiteral("adapter"), QStringLiteral("10.62.0.1")}},
    };
    EXPECT_EQ(doc.array(), expected) << r.out.toStdString();

    const ProbeRun plain = Probe(net.pc, probe, {QStringLiteral("search")}, port);
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    const QStringList lines = plain.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << plain.out.toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("10.61.0.10"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Acme HP 140")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("00-20-4A-62-00-0A")));
}

TEST_F(ProbeSearchNet, ControlCharactersOfAReplyReachTheTerminalEscaped)
{
    // Anyone on the LAN may answer a search: a description that would retitle the terminal and
    // break the table's line.
    const QString description = QStringLiteral("Hall\x1b]0;owned\x07 3\r\nX");
    ASSERT_TRUE(net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.10"),
                              {{QStringLiteral("mac"), QStringLiteral("00-20-4A-61-00-0A")},
                               {QStringLiteral("deviceType"), 1},
                               {QStringLiteral("firmware"), QJsonArray{4, 5, 7}},
                               {QStringLiteral("typeCode"), 9},
                               {QStringLiteral("description"), description}}));

    const ProbeRun plain = Probe(net.pc, probe, {QStringLiteral("search")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    const QStringList lines = plain.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << plain.out.toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("Hall\\x1b]0;owned\\x07 3\\x0d\\x0aX")))
        << lines[1].toStdString();
    EXPECT_FALSE(plain.out.contains(QChar(0x1b)));
    EXPECT_FALSE(plain.out.contains(QLatin1Char('\r')));

    // JSON keeps the text as it came; its own escaping already keeps it off the terminal.
    const ProbeRun json = Probe(net.pc, probe, {QStringLiteral("search"), QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_FALSE(json.out.contains(QChar(0x1b)));
    const QJsonArray devices = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(devices.size(), 1) << json.out.toStdString();
    EXPECT_EQ(devices[0].toObject()[QStringLiteral("description")].toString(), description);
}

TEST_F(ProbeSearchNet, NothingAnswersOrNothingToSearch)
{
    const ProbeRun json = Probe(net.pc, probe, {QStringLiteral("search"), QStringLiteral("--json")});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonDocument doc = QJsonDocument::fromJson(json.out.toUtf8());
    EXPECT_TRUE(doc.isArray() && doc.array().isEmpty()) << json.out.toStdString();

    const ProbeRun plain = Probe(net.pc, probe, {QStringLiteral("search")});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(plain.out.trimmed(), QStringLiteral("No device answered."));

    NetNamespace bare; // loopback only
    ASSERT_TRUE(bare.ok());
    const ProbeRun none = Probe(bare, probe, {QStringLiteral("search"), QStringLiteral("--json")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_TRUE(none.err.contains(QStringLiteral("search failed"))) << none.err.toStdString();
}

TEST_F(ProbeSearchNet, SetIpPrintsTheMessageAndExitsByItsCode)
{
    const QString mac = QStringLiteral("00-20-4A-61-3D-4E");
    NsSim *device =
        net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.10"), {{QStringLiteral("mac"), mac}});
    ASSERT_TRUE(device);

    const ProbeRun sent = Probe(net.pc, probe,
                                {QStringLiteral("set-ip"), mac, QStringLiteral("10.61.0.40"),
                                 QStringLiteral("-adapter"), QStringLiteral("10.61.0.1")});
    EXPECT_EQ(sent.exitCode, 0) << sent.err.toStdString();
    EXPECT_EQ(sent.out, QStringLiteral("Request of IP address change was successfully sent.\n"));
    QDeadlineTimer deadline(5000);
    while (device->control(QStringLiteral("get xport.ip")) != QLatin1String("ok 10.61.0.40") &&
           !deadline.hasExpired())
        QThread::msleep(50);
    EXPECT_EQ(device->control(QStringLiteral("get xport.ip")), QStringLiteral("ok 10.61.0.40"));

    struct Case {
        QStringList args;
        int exitCode;
        const char *text; // on standard output for exit code 0, on standard error otherwise
    };
    const Case cases[] = {
        {{QStringLiteral("00:20:4A:61:3D:4E"), QStringLiteral("10.61.0.41")},
         1,
         "MAC address syntax error.\n"},
        {{mac, QStringLiteral("10.61.0.40"), QStringLiteral("--all-adapters")},
         1,
         "Selected IP address already exists.\n"},
        {{QStringLiteral("02-00-5E-61-77-01"), QStringLiteral("10.61.0.77"), QStringLiteral("--arp"),
          QStringLiteral("-adapter"), QStringLiteral("10.61.0.1")},
         0,
         "IP address was temporarily assigned to MAC\nTo make IP change permanent you must change IP adress "
         "in "
         "device setup!\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const ProbeRun r = Probe(net.pc, probe, QStringList{QStringLiteral("set-ip")} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(c.exitCode == 0 ? r.out : r.err, QString::fromUtf8(c.text));
    }
}

TEST_F(ProbeSearchNet, BadUsageSendsNothing)
{
    NetNamespace bare;
    ASSERT_TRUE(bare.ok());
    const QString mac = QStringLiteral("00-20-4A-61-3D-4E");
    const QString ip = QStringLiteral("10.61.0.40");
    const QStringList cases[] = {
        {QStringLiteral("set-ip")},
        {QStringLiteral("set-ip"), mac},
        {QStringLiteral("set-ip"), mac, ip, ip},
        {QStringLiteral("set-ip"), mac, ip, QStringLiteral("-adapter")},
        {QStringLiteral("set-ip"), mac, ip, QStringLiteral("--bogus")},
        {QStringLiteral("search"), QStringLiteral("extra")},
        {QStringLiteral("search"), QStringLiteral("--arp")},
    };
    for (const QStringList &args : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const ProbeRun r = Probe(bare, probe, args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: ombrix-probe"))) << r.err.toStdString();
    }
    // A configuration port that is no port is refused, not replaced by 30718 unasked.
    const std::pair<QStringList, int> badPorts[] = {{{QStringLiteral("search")}, 99999},
                                                    {{QStringLiteral("set-ip"), mac, ip}, 0}};
    for (const auto &[args, port] : badPorts) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString() + " with port " + std::to_string(port));
        const ProbeRun r = Probe(bare, probe, args, port);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(
            QStringLiteral("OMBRIX_XPORT_UDP_PORT needs a port from 1 to 65535, not \"%1\"").arg(port)))
            << r.err.toStdString();
    }
    const ProbeRun help = Probe(bare, probe, {QStringLiteral("set-ip"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(
        help.out.contains(QStringLiteral("set-ip MAC ADDRESS [-adapter A] [--arp] [--all-adapters]")));
}

} // namespace
