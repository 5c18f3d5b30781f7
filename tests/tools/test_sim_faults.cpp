// Faults switched on and off at run time, each seen by an independent client (mbpoll or Python).
#include "PtyPair.h"
#include "SimProcess.h"
#include "TestEnv.h"
#include "ToolClients.h"

#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace ToolClients;

namespace
{

class Faults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")))
            << sim.errorOutput().toStdString();
    }
    bool command(const QString &c) { return sim.control(c).startsWith(QStringLiteral("ok")); }
    SimProcess sim;
};

TEST_F(Faults, ModbusFaultsOverTcpComeAndGo)
{
    struct Case {
        const char *on, *error, *off;
    };
    const Case cases[] = {
        {"fault timeout", "timed out", "fault timeout off"},
        {"fault delay 700", "timed out", "fault delay off"},
        {"fault exception 2", "Illegal data address", "fault exception off"},
        {"fault exception 4", "Slave device or server failure", "fault exception off"},
        {"fault exception 0", "Unknown error", "fault exception off"}, // no such code: mbpoll names none
        {"fault drop", "Connection reset by peer", "fault drop off"},
        {"fault crc", "Invalid data", "fault crc off"}, // over TCP: a byte count that does not fit
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(command(QLatin1String(c.on))) << c.on;
        const auto bad = readTcp(sim.tcpPort(), 0, 64, 1, 0.3);
        EXPECT_FALSE(bad.ok) << c.on;
        EXPECT_TRUE(bad.output.contains(QLatin1String(c.error))) << c.on << ": " << bad.output.toStdString();
        ASSERT_TRUE(command(QLatin1String(c.off))) << c.off;
        const auto good = readTcp(sim.tcpPort(), 0, 64, 1, 0.3);
        EXPECT_TRUE(good.ok) << c.off << ": " << good.output.toStdString();
    }
}

TEST_F(Faults, CountedFaultsEndByThemselves)
{
    ASSERT_TRUE(command(QStringLiteral("fault timeout 2")));
    EXPECT_FALSE(readTcp(sim.tcpPort(), 0, 1, 1, 0.2).ok);
    EXPECT_FALSE(readTcp(sim.tcpPort(), 0, 1, 1, 0.2).ok);
    EXPECT_TRUE(readTcp(sim.tcpPort(), 0, 1, 1, 0.2).ok);

    // N failing segment reads, then success; the live block is not a segment read and is not counted
    ASSERT_TRUE(command(QStringLiteral("fault segfail 2")));
    EXPECT_TRUE(readTcp(sim.tcpPort(), 0, 64).ok);
    const auto first = readTcp(sim.tcpPort(), 0x1000, 64);
    EXPECT_TRUE(first.output.contains(QLatin1String("Slave device or server failure")))
        << first.output.toStdString();
    EXPECT_FALSE(readTcp(sim.tcpPort(), 0x3000, 64).ok);
    EXPECT_TRUE(readTcp(sim.tcpPort(), 0x2000, 64).ok);
    EXPECT_TRUE(readTcp(sim.tcpPort(), 0x1000, 64).ok);
}

TEST_F(Faults, DelayedReplyStillArrives)
{
    ASSERT_TRUE(command(QStringLiteral("fault delay 500")));
    const auto r = readTcp(sim.tcpPort(), 0, 8, 1, 3.0);
    ASSERT_TRUE(r.ok) << r.output.toStdString();
    EXPECT_GE(r.elapsedMs, 500);
}

TEST_F(Faults, CorruptedChecksumOfEitherFlashSegment)
{
    struct Case {
        const char *command;
        bool seg1Good, seg2Good;
    };
    const Case cases[] = {{"fault checksum 1", false, true},
                          {"fault checksum 2", true, false},
                          {"fault checksum off", true, true}};
    for (const auto &c : cases) {
        ASSERT_TRUE(command(QLatin1String(c.command)));
        const auto s1 = readTcp(sim.tcpPort(), 0x1000, 64);
        const auto s2 = readTcp(sim.tcpPort(), 0x2000, 64);
        ASSERT_TRUE(s1.ok && s2.ok);
        EXPECT_EQ(s1.values[63] == sum16(s1.values, 0, 62), c.seg1Good) << c.command;
        EXPECT_EQ(s2.values[63] == sum16(s2.values, 0, 62), c.seg2Good) << c.command;
    }
}

TEST_F(Faults, OfflineSilencesModbusAndUdpUntilItComesBack)
{
    ASSERT_TRUE(command(QStringLiteral("offline on")));
    const auto mb = readTcp(sim.tcpPort(), 0, 64, 1, 0.3);
    EXPECT_FALSE(mb.ok);
    EXPECT_TRUE(mb.output.contains(QLatin1String("timed out"))) << mb.output.toStdString();
    EXPECT_FALSE(udpOne(sim.udpPort(), QStringLiteral("000100E4"), 0.2));

    ASSERT_TRUE(command(QStringLiteral("offline off")));
    EXPECT_TRUE(readTcp(sim.tcpPort(), 0, 64, 1, 0.3).ok);
    EXPECT_TRUE(udpOne(sim.udpPort(), QStringLiteral("000100E4"), 0.3));
}

// A slow UDP answer still on its way when the device goes offline is lost with the device.
TEST_F(Faults, OfflineSwallowsAUdpAnswerStillOnItsWay)
{
    ASSERT_TRUE(command(QStringLiteral("fault udpdelay 300")));
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(sim.udpPort());
    const uint8_t discovery[] = {0x00, 0x00, 0x00, 0xF6};
    ASSERT_EQ(sendto(fd, discovery, sizeof discovery, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to),
              ssize_t(sizeof discovery));
    ASSERT_EQ(sim.log(), QStringList{QStringLiteral("udp:000000F6")}); // queued, not yet answered
    ASSERT_TRUE(command(QStringLiteral("offline on")));
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 800), 0) << "an offline device answered";
    close(fd);
}

TEST_F(Faults, UdpSlowOrSilent)
{
    ASSERT_TRUE(command(QStringLiteral("fault udpnone 1")));
    const auto none = udp(sim.udpPort(), {QStringLiteral("000100E4"), QStringLiteral("000100E4")}, 0.3);
    ASSERT_EQ(none.size(), 2);
    EXPECT_FALSE(none[0].answered);
    EXPECT_TRUE(none[1].answered);

    ASSERT_TRUE(command(QStringLiteral("fault udpdelay 600")));
    const auto slow = udp(sim.udpPort(), {QStringLiteral("000000F6")}, 0.2);
    ASSERT_EQ(slow.size(), 1);
    EXPECT_FALSE(slow[0].answered);
    const auto late = udp(sim.udpPort(), {QStringLiteral("000000F6")}, 3.0);
    ASSERT_EQ(late.size(), 1);
    EXPECT_TRUE(late[0].answered);
    EXPECT_GE(late[0].ms, 600);

    ASSERT_TRUE(command(QStringLiteral("fault udpdelay off")));
    EXPECT_TRUE(udpOne(sim.udpPort(), QStringLiteral("000000F6"), 0.3));
}

TEST(FaultsRtu, BadCrcAndOfflineOnTheLine)
{
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    SimProcess sim;
    ASSERT_TRUE(sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 19200, 3,
                             {QStringLiteral("--no-pacing")}))
        << sim.errorOutput().toStdString();
    ASSERT_TRUE(sim.control(QStringLiteral("fault crc 1")).startsWith(QStringLiteral("ok")));
    const auto bad = readRtu(pty.masterSide(), 19200, 3, 0x1000, 64, 0.3);
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(bad.output.contains(QLatin1String("Invalid CRC"))) << bad.output.toStdString();
    EXPECT_TRUE(readRtu(pty.masterSide(), 19200, 3, 0x1000, 64, 0.3).ok);

    ASSERT_TRUE(sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    EXPECT_FALSE(readRtu(pty.masterSide(), 19200, 3, 0, 8, 0.3).ok);
    ASSERT_TRUE(sim.control(QStringLiteral("offline off")).startsWith(QStringLiteral("ok")));
    EXPECT_TRUE(readRtu(pty.masterSide(), 19200, 3, 0, 8, 0.3).ok);
}

TEST_F(Faults, ControlProtocolRefusesWhatItCannotDo)
{
    const char *bad[] = {"bogus",
                         "set farvo.c9 1",
                         "set gelmi.c1 5",
                         "set farvo.c1 70000",
                         "fault exception",
                         "fault delay soon",
                         "fault nonsense",
                         "offline maybe",
                         "get nothing",
                         "set farvo.alarm.12 low",
                         "set farvo.word.0x1040 5"}; // segment 1's checksum word is computed, not poked
    for (const char *c : bad)
        EXPECT_TRUE(sim.control(QLatin1String(c)).startsWith(QStringLiteral("error"))) << c;
    ASSERT_TRUE(command(QStringLiteral("fault timeout 3")));
    ASSERT_TRUE(command(QStringLiteral("fault delay 40")));
    const QString state = sim.control(QStringLiteral("faults"));
    EXPECT_TRUE(state.contains(QStringLiteral("timeout=3"))) << state.toStdString();
    EXPECT_TRUE(state.contains(QStringLiteral("delay=40"))) << state.toStdString();
    ASSERT_TRUE(command(QStringLiteral("fault clear")));
    EXPECT_TRUE(sim.control(QStringLiteral("faults")).contains(QStringLiteral("timeout=0 delay=0")));
}

TEST(SimLifecycle, ExitsCleanlyOnSigtermAndQuit)
{
    SimProcess a;
    ASSERT_TRUE(a.start(QStringLiteral("gelmi-5ch-551.json")));
    const QString control = a.controlPath();
    EXPECT_EQ(a.stop(), 0);
    EXPECT_FALSE(QFile::exists(control));

    SimProcess b;
    ASSERT_TRUE(b.start(QStringLiteral("gelmi-5ch-551.json")));
    EXPECT_EQ(b.control(QStringLiteral("quit")), QStringLiteral("ok"));
    EXPECT_EQ(b.stop(), 0);
}

TEST(SimLifecycle, HelpPrintsTheUsageAndExitsZero)
{
    QProcess p;
    p.start(TestEnv::simulatorPath(), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("usage: ombrix-sim --scenario FILE"));
}

TEST(SimLifecycle, RefusesBadOptionsAndScenarios)
{
    QTemporaryDir dir;
    auto write = [&](const char *name, const QByteArray &text) {
        QFile f(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString scenario = TestEnv::scenarioPath(QStringLiteral("gelmi-5ch-551.json"));
    const QString broken = write("broken.json", "{ \"family\": ");
    const QString family = write("family.json", "{ \"family\": \"toaster\" }");
    const QString mac = write("mac.json", "{ \"family\": \"dusko\", \"xport\": { \"mac\": \"00-20-4A\" } }");
    const QString wave =
        write("wave.json", "{ \"family\": \"gelmi\", \"gelmi\": { \"channels\": [ { \"wave\": "
                           "\"square\" } ] } }");
    const QStringList tcp{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")};
    const QList<QStringList> cases{
        tcp,                                                 // no scenario
        QStringList{QStringLiteral("--scenario"), scenario}, // nothing to listen on
        QStringList{QStringLiteral("--scenario"), dir.filePath(QStringLiteral("none.json"))} + tcp,
        QStringList{QStringLiteral("--scenario"), broken} + tcp,
        QStringList{QStringLiteral("--scenario"), family} + tcp,
        QStringList{QStringLiteral("--scenario"), mac} + tcp,
        QStringList{QStringLiteral("--scenario"), wave} + tcp,
        QStringList{QStringLiteral("--scenario"), scenario, QStringLiteral("--tcp"),
                    QStringLiteral("localhost:1")},
        QStringList{QStringLiteral("--scenario"), scenario, QStringLiteral("--tcp"),
                    QStringLiteral("127.0.0.1:99999")},
        QStringList{QStringLiteral("--scenario"), scenario, QStringLiteral("--rtu"),
                    dir.filePath(QStringLiteral("tty"))},
        QStringList{QStringLiteral("--scenario"), scenario, QStringLiteral("--bogus")} + tcp,
    };
    for (const QStringList &args : cases) {
        QProcess p;
        p.start(TestEnv::simulatorPath(), args);
        ASSERT_TRUE(p.waitForFinished(5000)) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(p.exitCode(), 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(p.readAllStandardError().isEmpty());
        EXPECT_FALSE(p.readAllStandardOutput().contains("ready"));
    }
}

} // namespace

namespace
{

TEST(FaultsSession, DeviceVanishesUnderAnOpenConnectionAndComesBack)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json"))) << sim.errorOutput().toStdString();
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/usr/bin/python3"),
            {TestEnv::sourceDir() + QStringLiteral("/tests/tools/tcp_offline.py"),
             QStringLiteral("127.0.0.1"), QString::number(sim.tcpPort()), sim.controlPath()});
    ASSERT_TRUE(p.waitForFinished(15000));
    const QString out = QString::fromUtf8(p.readAll());
    // 9 header bytes + 2 registers; silence while offline; the old connection is reset, a new one works
    EXPECT_EQ(out, QStringLiteral("before 13\noffline none\nafter-old closed\nafter-new 13\n"))
        << out.toStdString();
}

} // namespace
