// ombrix-probe run as a process against the simulator.
#include "PtyPair.h"
#include "SimProcess.h"
#include "TestEnv.h"

#include "OmbrixVersion.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace
{

struct ProbeRun {
    int exitCode = -1;
    QString out, err;
    qint64 ms = 0;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

ProbeRun probe(const QStringList &args, const QStringList &env = {})
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString &kv : env)
        e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral(OMBRIX_PROBE_PATH), args);
    ProbeRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(3000);
        return r;
    }
    r.ms = t.elapsed();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList ethernetArgs(const SimProcess &sim, const char *command)
{
    return {QString::fromLatin1(command),   QStringLiteral("-type"),     QStringLiteral("Ethernet"),
            QStringLiteral("-ip"),          QStringLiteral("127.0.0.1"), QStringLiteral("-tcpport"),
            QString::number(sim.tcpPort()), QStringLiteral("--json")};
}

QStringList udpEnv(const SimProcess &sim)
{
    return {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())};
}

QStringList slotSummary(const QJsonObject &o)
{
    QStringList l;
    for (const QJsonValue &v : o[QStringLiteral("slots")].toArray()) {
        const QJsonObject s = v.toObject();
        l << QStringLiteral("%1:%2:%3:%4:%5")
                 .arg(s[QStringLiteral("slot")].toInt())
                 .arg(s[QStringLiteral("type")].toInt())
                 .arg(s[QStringLiteral("unit")].toInt())
                 .arg(s[QStringLiteral("number")].toInt())
                 .arg(s[QStringLiteral("alarm_mode")].toInt());
    }
    return l;
}

// Numbers parsed from text are doubles, numbers built in a test may be integers.
std::string jsonText(const QJsonValue &v)
{
    if (v.isDouble())
        return QString::number(v.toDouble()).toStdString();
    if (v.isString())
        return "\"" + v.toString().toStdString() + "\"";
    return v.isNull() ? "null" : "?";
}

QJsonObject slot(const QJsonObject &o, int index)
{
    for (const QJsonValue &v : o[QStringLiteral("slots")].toArray()) {
        if (v.toObject()[QStringLiteral("slot")].toInt() == index)
            return v.toObject();
    }
    return {};
}

} // namespace

TEST(ProbeIdentify, JsonDescribesWhatTheScenarioHolds)
{
    struct Case {
        const char *scenario;
        int kind;
        const char *kindName;
        int family;
        const char *serial;
        QJsonValue firmware, xportFirmware;
        bool fiveChannel, deviceAlarmBlock, hasBinaryInputs;
        int listType;
        const char *slots;
    };
    const Case cases[] = {
        {"farvo-xport441-pressure-io.json", 91, "HP3910RB", 1, "20230901", 231, QStringLiteral("4.4.1"),
         false, true, true, 0,
         "0:6:2:0:0 1:7:4:0:0 2:10:2:0:0 3:8:5:0:0 5:2:0:1:0 6:2:0:2:0 7:2:0:3:0 11:4:0:1:2 12:4:0:2:2"},
        {"gelmi-5ch-551.json", 77, "ET5771", 2, "55100001", QJsonValue(), QStringLiteral("5.5.1"), true,
         false, false, 1, "13:6:2:1:0 14:7:4:2:0 15:6:2:3:0 16:6:3:4:0 17:6:2:5:0"},
        {"dusko-two-named.json", 82, "ED5822", 2, "70000777", QJsonValue(), QStringLiteral("6.1.2"), false,
         false, false, 2, "18:1:1:1:0 19:1:1:2:0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        SimProcess sim;
        ASSERT_TRUE(sim.start(QString::fromLatin1(c.scenario)));
        const ProbeRun r = probe(ethernetArgs(sim, "identify"), udpEnv(sim));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QJsonObject o = r.json();
        EXPECT_EQ(o[QStringLiteral("protocol")].toString(), QStringLiteral("Ethernet"));
        EXPECT_EQ(o[QStringLiteral("kind")].toInt(), c.kind);
        EXPECT_EQ(o[QStringLiteral("kind_name")].toString(), QString::fromLatin1(c.kindName));
        EXPECT_EQ(o[QStringLiteral("family")].toInt(), c.family);
        EXPECT_EQ(o[QStringLiteral("serial")].toString(), QString::fromLatin1(c.serial));
        EXPECT_EQ(jsonText(o[QStringLiteral("firmware")]), jsonText(c.firmware));
        EXPECT_EQ(jsonText(o[QStringLiteral("xport_firmware")]), jsonText(c.xportFirmware));
        EXPECT_EQ(o[QStringLiteral("five_channel")].toBool(), c.fiveChannel);
        EXPECT_EQ(o[QStringLiteral("device_alarm_block")].toBool(), c.deviceAlarmBlock);
        EXPECT_EQ(o[QStringLiteral("has_binary_inputs")].toBool(), c.hasBinaryInputs);
        EXPECT_EQ(o[QStringLiteral("error_list_type")].toInt(), c.listType);
        EXPECT_EQ(slotSummary(o).join(QLatin1Char(' ')), QString::fromLatin1(c.slots));
        EXPECT_FALSE(
            slot(o, slotSummary(o).first().section(':', 0, 0).toInt()).contains(QStringLiteral("value")))
            << "identify reads no values";
    }
}

TEST(ProbeIdentify, DeviceTextsReachTheTerminalEscaped)
{
    SimProcess sim;
    ASSERT_TRUE(
        sim.start(TestEnv::sourceDir() + QStringLiteral("/tests/app/scenarios/dusko-hostile-texts.json")));
    for (const char *command : {"identify", "read"}) {
        SCOPED_TRACE(command);
        QStringList args = ethernetArgs(sim, command);
        args.removeAll(QStringLiteral("--json"));
        const ProbeRun r = probe(args, udpEnv(sim));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_FALSE(r.out.contains(QChar(0x1b)) || r.out.contains(QLatin1Char('\r'))) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("slot 18: a\";\"=1+1\";\"\\x0d\\x0aX [")) &&
                    r.out.contains(QStringLiteral(" \"u\"\\x0a;\", ")) &&
                    r.out.contains(QStringLiteral("slot 19: -Level\\x1b[2J [")))
            << r.out.toStdString();

        // JSON carries the texts as they came, its own escaping keeps them off the terminal.
        const QJsonObject o = probe(ethernetArgs(sim, command), udpEnv(sim)).json();
        EXPECT_EQ(slot(o, 18)[QStringLiteral("name")].toString(), QStringLiteral("a\";\"=1+1\";\"\r\nX"));
    }
}

TEST(ProbeIdentify, SlotFieldsCarryNamesSymbolsAndDecimals)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("dusko-two-named.json")));
    const QJsonObject o = probe(ethernetArgs(sim, "identify"), udpEnv(sim)).json();
    const QJsonObject first = slot(o, 18);
    EXPECT_EQ(first[QStringLiteral("name")].toString(), QStringLiteral("Duct temperature"));
    EXPECT_EQ(first[QStringLiteral("unit_symbol")].toString(), QStringLiteral("°C"));
    EXPECT_EQ(first[QStringLiteral("decimals")].toInt(), 1);
    EXPECT_EQ(first[QStringLiteral("interpretation")].toInt(), 0);
    EXPECT_EQ(slot(o, 19)[QStringLiteral("decimals")].toInt(), 0);

    SimProcess farvo;
    ASSERT_TRUE(farvo.start(QStringLiteral("farvo-xport441-co2-io.json")));
    const QJsonObject f = probe(ethernetArgs(farvo, "identify"), udpEnv(farvo)).json();
    EXPECT_EQ(slot(f, 0)[QStringLiteral("name")].toString(), QStringLiteral("Temperature"));
    EXPECT_EQ(slot(f, 4)[QStringLiteral("unit_symbol")].toString(), QStringLiteral("ppm"));
    EXPECT_EQ(slot(f, 6)[QStringLiteral("name")].toString(), QStringLiteral("Binary input 2"));
}

TEST(ProbeRead, OneReadingOfEachFamily)
{
    struct Expect {
        int slot;
        QJsonValue value;
        const char *valueText;
        bool readOK;
        const char *errorText;
        const char *alarm;
    };
    struct Case {
        const char *scenario;
        QStringList controls;
        std::vector<Expect> slots;
    };
    const Case cases[] = {
        {"farvo-xport441-pressure-io.json",
         {"set farvo.c1 215", "set farvo.c2 -9999", "set farvo.c3 98", "set farvo.c4 10132",
          "set farvo.status 0x0048", "set farvo.alarm.12 hi", "set farvo.alarm.18 lo",
          "set farvo.alarm.23 hi"},
         {{0, 21.5, "21.5", true, "", "hi"},
          {1, -999.9, "-999.9", false, "Error ", "no"},
          {3, 1013.2, "1013.2", true, "", "lo"},
          {5, 0, "open", true, "", "no"},
          {6, 1, "closed", true, "", "hi"},
          {11, 1, "closed", true, "", "no"},
          {12, 0, "open", true, "", "no"}}},
        {"gelmi-5ch-551.json",
         {"set gelmi.c1 253", "set gelmi.c2 11000", "set gelmi.alarm.2 lo", "set gelmi.c5 -11003"},
         {{13, 25.3, "25.3", true, "", "no"},
          {14, 1100.0, "1100.0", false, "N/A", "lo"},
          {17, -1100.3, "-1100.3", false, "Error E3", "hi"}}},
        {"dusko-two-named.json",
         {"set dusko.c1 0x41AACCCC", "set dusko.c2 0x7F800000", "set dusko.alarm.1 hi"},
         {{18, 21.3, "21.3", true, "", "hi"}, {19, 0, "0", false, "N/A", "no"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        SimProcess sim;
        ASSERT_TRUE(sim.start(QString::fromLatin1(c.scenario)));
        for (const QString &command : c.controls)
            ASSERT_TRUE(sim.control(command).startsWith(QStringLiteral("ok"))) << command.toStdString();
        const ProbeRun r = probe(ethernetArgs(sim, "read"), udpEnv(sim));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QJsonObject o = r.json();
        for (const Expect &e : c.slots) {
            SCOPED_TRACE(e.slot);
            const QJsonObject s = slot(o, e.slot);
            ASSERT_FALSE(s.isEmpty());
            EXPECT_EQ(s[QStringLiteral("read_ok")].toBool(), e.readOK);
            EXPECT_NEAR(s[QStringLiteral("value")].toDouble(), e.value.toDouble(), 1e-9);
            if (e.readOK) {
                EXPECT_EQ(s[QStringLiteral("value_text")].toString(), QString::fromLatin1(e.valueText));
            }
            EXPECT_EQ(s[QStringLiteral("error_text")].toString(), QString::fromLatin1(e.errorText));
            EXPECT_EQ(s[QStringLiteral("device_alarm_code")].toString(), QString::fromLatin1(e.alarm));
        }
    }
}

TEST(ProbeRead, RS485ReadsAtTheSlaveAddress)
{
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    SimProcess sim;
    ASSERT_TRUE(sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 19200, 5));
    ASSERT_TRUE(sim.control(QStringLiteral("set farvo.c1 -123")).startsWith(QStringLiteral("ok")));
    const ProbeRun r = probe({QStringLiteral("read"), QStringLiteral("-type"), QStringLiteral("RS485"),
                              QStringLiteral("-port"), QStringLiteral("7"), QStringLiteral("-speed"),
                              QStringLiteral("19200"), QStringLiteral("-address"), QStringLiteral("5"),
                              QStringLiteral("--json")},
                             {QStringLiteral("OMBRIX_COM_PORTS=7=") + pty.masterSide()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = r.json();
    EXPECT_EQ(o[QStringLiteral("protocol")].toString(), QStringLiteral("RS485"));
    EXPECT_EQ(jsonText(o[QStringLiteral("xport_firmware")]), "null");
    EXPECT_EQ(jsonText(o[QStringLiteral("firmware")]), "231");
    EXPECT_EQ(slot(o, 0)[QStringLiteral("value_text")].toString(), QStringLiteral("-12.3"));
    EXPECT_TRUE(slot(o, 0)[QStringLiteral("read_ok")].toBool());
    EXPECT_TRUE(sim.log().contains(QStringLiteral("mb:5:03:0x0000:64")));
}

TEST(ProbeFailures, ConnectFailuresExitOneWithMessageAndReason)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));

    QStringList refused = ethernetArgs(sim, "read");
    refused[6] = QStringLiteral("1");
    ProbeRun r = probe(refused, udpEnv(sim));
    EXPECT_EQ(r.exitCode, 1);
    QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.err.toStdString();
    EXPECT_EQ(lines[0],
              QStringLiteral(
                  "Unable to connect. Sensor must be properly connected according to choosed settings."));
    EXPECT_EQ(lines[1],
              QStringLiteral("Cannot connect to 127.0.0.1:1: connection refused (nothing listens on "
                             "that port)."));

    // A serial port that is not there is named.
    r = probe({QStringLiteral("identify"), QStringLiteral("-type"), QStringLiteral("RS485"),
               QStringLiteral("-port"), QStringLiteral("7")},
              {QStringLiteral("OMBRIX_COM_PORTS=7=/dev/ombrix-no-such-tty")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("/dev/ombrix-no-such-tty does not exist")))
        << r.err.toStdString();

    // A device that answers nothing at all: given up after the first unanswered XPort
    // query (3 s), well before a second one would have run out.
    ASSERT_TRUE(sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    r = probe(ethernetArgs(sim, "identify") << QStringLiteral("-timeout") << QStringLiteral("3000"),
              udpEnv(sim));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_LT(r.ms, 5900);
    lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.err.toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("Unable to read from XPort."));
}

TEST(ProbeUsage, BadUsageExitsTwoWithTheUsageText)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("probe")},
        {QStringLiteral("identify"), QStringLiteral("read"), QStringLiteral("-ip"),
         QStringLiteral("127.0.0.1")},
        {QStringLiteral("identify"), QStringLiteral("-ip"), QStringLiteral("127.0.0.1"),
         QStringLiteral("-bogus")},
        {QStringLiteral("identify"), QStringLiteral("-type"), QStringLiteral("USB")},
        {QStringLiteral("identify"), QStringLiteral("-ip"), QStringLiteral("127.0.0.1"),
         QStringLiteral("-tcpport"), QStringLiteral("70000")},
        {QStringLiteral("identify"), QStringLiteral("-ip"), QStringLiteral("127.0.0.1"),
         QStringLiteral("-tcpport"), QStringLiteral("0")},
        {QStringLiteral("identify"), QStringLiteral("-ip"), QStringLiteral("127.0.0.1"),
         QStringLiteral("-timeout"), QStringLiteral("0")},
        {QStringLiteral("identify"), QStringLiteral("-type"), QStringLiteral("RS485"),
         QStringLiteral("-address"), QStringLiteral("0")},
        {QStringLiteral("identify"), QStringLiteral("-type"), QStringLiteral("RS232"),
         QStringLiteral("-port"), QStringLiteral("x")},
        {QStringLiteral("identify")}, // Ethernet without an address
        {QStringLiteral("identify"), QStringLiteral("-ip")},
    };
    for (const QStringList &args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ProbeRun r = probe(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: ombrix-probe"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(ProbeFailures, PermissionDeniedOnASerialPortNamesItsGroup)
{
    // Tests run as root, which no permission stops: the probe runs as nobody, without groups, on
    // a pty that belongs to the group dialout and is closed to others.
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "setpriv is not installed";
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    const QString device = QFileInfo(pty.masterSide()).canonicalFilePath();
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();
    ASSERT_EQ(QProcess::execute(QStringLiteral("chown"), {QStringLiteral("root:dialout"), device}), 0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("0660"), device}), 0);

    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("OMBRIX_COM_PORTS"), QStringLiteral("7=") + device);
    e.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral("setpriv"),
            {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
             QStringLiteral("--clear-groups"), QStringLiteral(OMBRIX_PROBE_PATH), QStringLiteral("identify"),
             QStringLiteral("-type"), QStringLiteral("RS485"), QStringLiteral("-port"), QStringLiteral("7")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(
        QStringLiteral("Permission denied on %1: the user must be in the group \"dialout\"").arg(device)))
        << err.toStdString();
}

TEST(ProbeUsage, BadConnectionSettingsNameTheOption)
{
    struct Case {
        QStringList args;
        QStringList env;
        QString named;
    };
    const QStringList identify{QStringLiteral("identify"), QStringLiteral("-ip"),
                               QStringLiteral("127.0.0.1")};
    const Case cases[] = {
        {{QStringLiteral("identify"), QStringLiteral("-type"), QStringLiteral("RS232")},
         {},
         QStringLiteral("-port")},
        {{QStringLiteral("identify"), QStringLiteral("-ip"), QStringLiteral("300.1.2.3")},
         {},
         QStringLiteral("-ip")},
        {{QStringLiteral("identify"), QStringLiteral("-ip"), QStringLiteral("localhost")},
         {},
         QStringLiteral("-ip")},
        {identify, {QStringLiteral("OMBRIX_XPORT_UDP_PORT=99999")}, QStringLiteral("OMBRIX_XPORT_UDP_PORT")},
        {identify, {QStringLiteral("OMBRIX_XPORT_UDP_PORT=port")}, QStringLiteral("OMBRIX_XPORT_UDP_PORT")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.args + c.env).join(' ').toStdString());
        const ProbeRun r = probe(c.args, c.env);
        EXPECT_EQ(r.exitCode, 2);
        const QString first = r.err.section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(first.startsWith(QStringLiteral("ombrix-probe: ") + c.named)) << r.err.toStdString();
    }
}

TEST(ProbeUsage, HelpVersionAndPlainOutput)
{
    ProbeRun r = probe({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: ombrix-probe")));
    r = probe({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("ombrix-probe %1\n").arg(QStringLiteral(OMBRIX_VERSION)));

    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-530-4ch-fahrenheit.json")));
    QStringList args = ethernetArgs(sim, "read");
    args.removeLast(); // no --json
    r = probe(args, udpEnv(sim));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("serial:             53000042\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("slot 16: Temperature 4 [type 6, unit 3 \"°F\"")))
        << r.out.toStdString();
    EXPECT_EQ(r.out.count(QStringLiteral("read ok yes")), 4);
}
