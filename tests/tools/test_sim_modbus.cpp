// The simulator's Modbus side, read with mbpoll (not our code) over TCP and over a socat pty with RTU.
#include "PtyPair.h"
#include "SimProcess.h"
#include "ToolClients.h"

#include <QThread>
#include <gtest/gtest.h>

using namespace ToolClients;

namespace
{

quint16 code(const char *two) // two-letter alarm code, first character in the low byte
{
    return quint16(quint8(two[0]) | quint8(two[1]) << 8);
}

class FarvoTcp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")))
            << sim.errorOutput().toStdString();
    }
    SimProcess sim;
};

TEST_F(FarvoTcp, EverySegmentReadsWholeAtItsPduAddress)
{
    struct Case {
        int address, count;
    };
    // references 0x0001, 0x1001, ... travel as reference - 1; segment 6 is read with the 28-word alarm block
    const Case cases[] = {{0x0000, 64}, {0x1000, 64}, {0x2000, 64}, {0x3000, 64},
                          {0x4000, 64}, {0x4040, 64}, {0x5000, 28}, {0x5000, 20}};
    for (const auto &c : cases) {
        const auto r = readTcp(sim.tcpPort(), c.address, c.count);
        EXPECT_TRUE(r.ok) << std::hex << c.address << ": " << r.output.toStdString();
    }
}

TEST_F(FarvoTcp, FlashSegmentsCarryIdentityAndValidChecksums)
{
    const auto s1 = readTcp(sim.tcpPort(), 0x1000, 64);
    const auto s2 = readTcp(sim.tcpPort(), 0x2000, 64);
    const auto s3 = readTcp(sim.tcpPort(), 0x3000, 64);
    ASSERT_TRUE(s1.ok && s2.ok && s3.ok) << s1.output.toStdString();
    EXPECT_EQ(s1.values[52], 0x0117); // serial low word, reference 0x1035
    EXPECT_EQ(s1.values[53], 0x2024); // serial high word, 0x1036
    EXPECT_EQ(s1.values[54], 0x1221); // KIND, 0x1037
    EXPECT_EQ(s1.values[62], 0x800A); // channel configuration, 0x103F
    EXPECT_EQ(s2.values[62], 0x0000); // unit word, 0x203F
    EXPECT_EQ(s3.values[1], 0x0231);  // firmware, 0x3002
    EXPECT_EQ(s1.values[63], sum16(s1.values, 0, 62));
    EXPECT_EQ(s2.values[63], sum16(s2.values, 0, 62));
}

TEST_F(FarvoTcp, LiveValuesStatusAndAlarmCodes)
{
    ASSERT_EQ(sim.control(QStringLiteral("set farvo.c1 253")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set farvo.c4 -9998")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set farvo.status 0x01D8")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set farvo.alarm.12 lo")), QStringLiteral("ok"));
    // a raw poke of a live word (reference 0x0032 = channel 2) must not be overwritten by the waveform
    ASSERT_EQ(sim.control(QStringLiteral("set farvo.word.0x0032 777")), QStringLiteral("ok"));
    const auto main = readTcp(sim.tcpPort(), 0, 64);
    const auto alarms = readTcp(sim.tcpPort(), 0x5000, 28);
    ASSERT_TRUE(main.ok && alarms.ok) << main.output.toStdString();
    EXPECT_EQ(main.values[48], 253);
    EXPECT_EQ(main.values[49], 777);
    EXPECT_EQ(main.values[51], quint16(-9998));
    EXPECT_EQ(main.values[6], 0x01D8);
    EXPECT_EQ(alarms.values[12], 0x6F6C); // "lo"
    EXPECT_EQ(alarms.values[13], code("no"));
    EXPECT_EQ(alarms.values[18], code("hi")); // from the scenario
}

TEST_F(FarvoTcp, ChannelValuesMoveWithTime)
{
    // a 90 s sine, a random walk stepping every second and a 60 s sine: 1.2 s apart they differ
    const auto a = readTcp(sim.tcpPort(), 48, 4);
    QThread::msleep(1200);
    const auto b = readTcp(sim.tcpPort(), 48, 4);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_NE(a.values, b.values);
}

TEST_F(FarvoTcp, ReadsOutsideTheMapAreRefused)
{
    struct Case {
        int address, count;
        const char *error;
    };
    const Case cases[] = {
        {0x0001, 64, "Illegal data address"}, // would cross the end of segment 0
        {0x5000, 65, "Illegal data address"},
        {0x6000, 1, "Illegal data address"},
        {0x9C40, 26, "Illegal data address"}, // a Gelmi block on a Farvo
    };
    for (const auto &c : cases) {
        const auto r = readTcp(sim.tcpPort(), c.address, c.count);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.output.contains(QLatin1String(c.error))) << r.output.toStdString();
    }
}

TEST(GelmiTcp, BlockFromReference40001)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json"))) << sim.errorOutput().toStdString();
    ASSERT_EQ(sim.control(QStringLiteral("set gelmi.c1 253")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set gelmi.c3 11005")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set gelmi.c4 -11003")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set gelmi.alarm.2 hi")), QStringLiteral("ok"));
    const auto r = readTcp(sim.tcpPort(), 40000, 26);
    ASSERT_TRUE(r.ok) << r.output.toStdString();
    EXPECT_EQ(r.values[0], 253);
    EXPECT_EQ(r.values[1], code("no"));
    EXPECT_EQ(r.values[7], code("hi")); // channel 2's alarm word
    EXPECT_EQ(r.values[12], 11005);
    EXPECT_EQ(r.values[18], quint16(-11003));
    EXPECT_EQ(r.values[25], code("hi")); // channel 5 from the scenario
    EXPECT_FALSE(readTcp(sim.tcpPort(), 40000, 27).ok);
}

TEST(DuskoTcp, FloatsLowWordFirstAndAlarmWords)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("dusko-two-named.json"))) << sim.errorOutput().toStdString();
    ASSERT_EQ(sim.control(QStringLiteral("set dusko.c1 25.0")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set dusko.c2 0xFF800005")), QStringLiteral("ok"));
    ASSERT_EQ(sim.control(QStringLiteral("set dusko.alarm.2 lo")), QStringLiteral("ok"));
    const auto words = readTcp(sim.tcpPort(), 39977, 33);
    ASSERT_TRUE(words.ok) << words.output.toStdString();
    EXPECT_EQ(words.values[0], 0x0000);
    EXPECT_EQ(words.values[1], 0x41C8); // 25.0 = 0x41C80000, high word second
    EXPECT_EQ(words.values[2], 0x0005);
    EXPECT_EQ(words.values[3], 0xFF80);
    EXPECT_EQ(words.values[24], code("no"));
    EXPECT_EQ(words.values[30], code("lo"));
    // mbpoll's own float decoding (low word first unless -B) agrees
    ASSERT_EQ(sim.control(QStringLiteral("set dusko.c2 21.35")), QStringLiteral("ok"));
    const auto floats = readFloatsTcp(sim.tcpPort(), 39977, 2);
    ASSERT_TRUE(floats.ok) << floats.output.toStdString();
    EXPECT_NEAR(floats.values[0], 25.0, 1e-6);
    EXPECT_NEAR(floats.values[1], 21.35, 1e-5);
}

TEST(XPortGateway, OnlyTheDevicesUnitIsPassedOn)
{
    struct Case {
        QStringList extra;
        int answered, refused;
    };
    const Case cases[] = {{{}, 1, 5}, {{QStringLiteral("--slave"), QStringLiteral("5")}, 5, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answered);
        SimProcess sim;
        ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json"), c.extra))
            << sim.errorOutput().toStdString();
        ASSERT_TRUE(sim.control(QStringLiteral("fault timeout 1")).startsWith(QStringLiteral("ok")));
        const auto refused = readTcp(sim.tcpPort(), 0, 8, c.refused, 0.5);
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.output.contains(QLatin1String("Target device failed to respond")))
            << refused.output.toStdString();
        EXPECT_TRUE(sim.control(QStringLiteral("faults")).contains(QStringLiteral("timeout=1")))
            << "the device's faults never see another unit's request";
        ASSERT_TRUE(sim.control(QStringLiteral("fault clear")).startsWith(QStringLiteral("ok")));
        const auto answered = readTcp(sim.tcpPort(), 0, 8, c.answered);
        EXPECT_TRUE(answered.ok) << answered.output.toStdString();
        EXPECT_EQ(sim.log(), (QStringList{QStringLiteral("mb:%1:03:0x0000:8").arg(c.refused),
                                          QStringLiteral("mb:%1:03:0x0000:8").arg(c.answered)}));
    }
}

class FarvoRtu : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(pty.open()); }
    PtyPair pty;
    SimProcess sim;
};

TEST_F(FarvoRtu, SegmentsOverAPtyWithTheSlaveAddress)
{
    ASSERT_TRUE(sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 19200, 5,
                             {QStringLiteral("--no-pacing")}))
        << sim.errorOutput().toStdString();
    const auto s1 = readRtu(pty.masterSide(), 19200, 5, 0x1000, 64);
    ASSERT_TRUE(s1.ok) << s1.output.toStdString();
    EXPECT_EQ(s1.values[54], 0x1031);
    EXPECT_EQ(s1.values[53], 0x1234);
    EXPECT_EQ(s1.values[52], 0x5678);
    EXPECT_EQ(s1.values[63], sum16(s1.values, 0, 62));
    const auto s0 = readRtu(pty.masterSide(), 19200, 5, 0, 64);
    ASSERT_TRUE(s0.ok) << s0.output.toStdString();
    // another slave address gets silence, as on a shared RS485 line
    const auto other = readRtu(pty.masterSide(), 19200, 6, 0, 1, 0.3);
    EXPECT_FALSE(other.ok);
    EXPECT_TRUE(other.output.contains(QLatin1String("timed out"))) << other.output.toStdString();
    EXPECT_EQ(sim.log(),
              (QStringList{QStringLiteral("mb:5:03:0x1000:64"), QStringLiteral("mb:5:03:0x0000:64")}));
}

TEST_F(FarvoRtu, RepliesArePacedAtTheLineSpeed)
{
    ASSERT_TRUE(sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 2400, 1,
                             {QStringLiteral("--turnaround"), QStringLiteral("5")}))
        << sim.errorOutput().toStdString();
    // 8 request bytes + 3.5 silent + 133 reply bytes, 10 bits each at 2400 bit/s: at least 602 ms
    const auto r = readRtu(pty.masterSide(), 2400, 1, 0x1000, 64, 3.0);
    ASSERT_TRUE(r.ok) << r.output.toStdString();
    EXPECT_GE(r.elapsedMs, 600);
}

} // namespace
