// The master layer over Modbus/TCP against the simulator: what is read, what
// each failure raises, and that the master is usable again afterwards.
#include "comm/BusProtocolExceptions.h"
#include "comm/uMSPComm.h"
#include "comm/uTiming.h"

#include "SimProcess.h"
#include "support_comm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace CommTest;

namespace
{

class TcpMaster : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A write to a dead peer must not kill us: make sure a SIGPIPE would.
        std::signal(SIGPIPE, SIG_DFL);
        ASSERT_TRUE(sim.start(scenario())) << qPrintable(sim.errorOutput());
        m.SetProtocolKind(TSyncMBus::KindTcp);
        m.SetHost(QStringLiteral("127.0.0.1"));
        m.SetTcpPort(sim.tcpPort());
        m.setTimeout(400);
        ASSERT_NO_THROW(m.Open());
        sim.control(QStringLiteral("log clear"));
    }
    bool ctl(const QString &command) { return sim.control(command).startsWith(QStringLiteral("ok")); }

    SimProcess sim;
    TMSPModbus m;
};

} // namespace

TEST_F(TcpMaster, ReadsSegmentsBlocksAndRegisterPairs)
{
    TSegmentBuffer s1{}, s2{}, s3{}, s4{}, s5{}, s6{};
    ASSERT_NO_THROW(m.ReadSegment(1, s1));
    EXPECT_EQ(TMSPModbus::WordAt(0x1035, s1), 0x5678);
    EXPECT_EQ(TMSPModbus::WordAt(0x1036, s1), 0x1234);
    EXPECT_EQ(TMSPModbus::WordAt(0x1037, s1), 0x1031);
    EXPECT_EQ(TMSPModbus::WordAt(0x103F, s1), 0x800A);
    ASSERT_NO_THROW(m.ReadSegment(2, s2));
    EXPECT_EQ(TMSPModbus::WordAt(0x203F, s2), 0x0001);
    ASSERT_NO_THROW(m.ReadSegment(3, s3));
    EXPECT_EQ(TMSPModbus::WordAt(0x3002, s3), 0x0231);
    ASSERT_NO_THROW(m.ReadSegment(4, s4));
    EXPECT_EQ(TMSPModbus::WordAt(0x4001, s4), 1234);
    ASSERT_NO_THROW(m.ReadSegment(5, s5));
    EXPECT_EQ(TMSPModbus::WordAt(0x4041, s5), 4321);
    s6.fill(0xEEEE);
    ASSERT_NO_THROW(m.ReadSegment(6, s6));
    for (std::size_t i = 20; i < 64; ++i)
        ASSERT_EQ(s6[i], 0) << "words beyond the 20 read are cleared: " << i;

    const auto pair = m.ReadRegisterPair(0x1035);
    EXPECT_EQ(pair.first, 0x5678);
    EXPECT_EQ(pair.second, 0x1234);

    std::array<std::uint16_t, 64> block{};
    ASSERT_NO_THROW(m.ReadRegisters(1, 1, block));
    EXPECT_EQ(block[48], 215);
    EXPECT_EQ(block[49], 452);
    EXPECT_EQ(static_cast<std::int16_t>(block[50]), -37);
    // The slave address travels as the unit identifier; the XPort has no device at unit 7.
    EXPECT_THROW(m.ReadRegisters(7, 1, block), EMbusResponseException);

    EXPECT_EQ(sim.log(),
              (QStringList{QStringLiteral("mb:1:03:0x1000:64"), QStringLiteral("mb:1:03:0x2000:64"),
                           QStringLiteral("mb:1:03:0x3000:64"), QStringLiteral("mb:1:03:0x4000:64"),
                           QStringLiteral("mb:1:03:0x4040:64"), QStringLiteral("mb:1:03:0x5000:20"),
                           QStringLiteral("mb:1:03:0x1034:2"), QStringLiteral("mb:1:03:0x0000:64"),
                           QStringLiteral("mb:7:03:0x0000:64")}));
}

TEST_F(TcpMaster, EveryFailureArrivesAsItsExceptionAndTheMasterRecovers)
{
    struct Case {
        const char *fault;
        const std::type_info &type;
        const char *message;
        bool linkLost; // the instance reports itself closed
    };
    const Case cases[] = {
        {"fault timeout 1", typeid(EReplyTimeoutException), "Reply time-out", true},
        {"fault exception 1 1", typeid(EMbusIllegalFunctionException), "Illegal Function exception response",
         false},
        {"fault exception 2 1", typeid(EMbusIllegalAddressException),
         "Illegal Data Address exception response", false},
        {"fault exception 3 1", typeid(EMbusIllegalValueException), "Illegal Data Value exception response",
         false},
        {"fault exception 4 1", typeid(EMbusSlaveFailureException), "Slave Device Failure exception response",
         false},
        {"fault exception 6 1", typeid(EMbusResponseException), "Modbus exception response", false},
        {"fault exception 0 1", typeid(EMbusResponseException), "Modbus exception response", false},
        {"fault crc 1", typeid(EInvalidReplyException), "Invalid reply error", false},
        {"fault drop 1", typeid(EConnectionWasClosed), "TCP/IP connection was closed by remote peer", true},
    };
    int timeout = 300;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_TRUE(ctl(QString::fromLatin1(c.fault)));
        TSegmentBuffer buf{};
        const Raised r = raisedBy([&] { m.ReadSegment(0, buf); });
        EXPECT_TRUE(r.is(c.type)) << (r.type ? r.type->name() : "nothing");
        EXPECT_EQ(r.message, QString::fromLatin1(c.message));
        EXPECT_EQ(m.IsOpen(), !c.linkLost);

        // Close, change a setting, open again: the master is whole.
        m.Close();
        m.setTimeout(timeout += 10);
        ASSERT_NO_THROW(m.Open());
        ASSERT_NO_THROW(m.ReadSegment(1, buf));
        EXPECT_EQ(buf[54], 0x1031);
        EXPECT_EQ(m.timeout(), timeout);
    }
}

TEST_F(TcpMaster, RefusedConnectionThenTheRightPort)
{
    m.Close();
    m.SetTcpPort(closedTcpPort());
    const Raised r = raisedBy([&] { m.Open(); });
    EXPECT_TRUE(r.is(typeid(ETcpipConnectErr)));
    EXPECT_EQ(r.message, QStringLiteral("TCP/IP connection error"));
    EXPECT_FALSE(m.IsOpen());
    m.SetTcpPort(sim.tcpPort());
    ASSERT_NO_THROW(m.Open());
    EXPECT_EQ(m.ReadRegisterPair(0x3002).first, 0x0231);
}

TEST_F(TcpMaster, DeviceThatGoesAwayIsPickedUpAgain)
{
    // As the readers do: open when closed, read, count the outcome.
    int ok = 0, failedWhileAway = 0, okAfterReturn = 0;
    bool away = false, returned = false;
    QElapsedTimer clock;
    clock.start();
    qint64 wentAway = 0;
    for (int i = 0; i < 80 && okAfterReturn < 3; ++i) {
        if (i == 3) {
            ASSERT_TRUE(ctl(QStringLiteral("offline on")));
            away = true;
            wentAway = clock.elapsed();
        }
        if (away && clock.elapsed() - wentAway > 2500) {
            ASSERT_TRUE(ctl(QStringLiteral("offline off")));
            away = false;
            returned = true;
        }
        try {
            if (!m.IsOpen())
                m.Open();
            std::array<std::uint16_t, 64> block{};
            m.ReadRegisters(1, 1, block);
            ++ok;
            if (returned)
                ++okAfterReturn;
            EXPECT_FALSE(away) << "a read succeeded while the device was away";
        } catch (const EInOutError &) {
            if (away)
                ++failedWhileAway;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GE(ok, 3);
    EXPECT_GE(failedWhileAway, 1);
    EXPECT_EQ(okAfterReturn, 3);
}

TEST_F(TcpMaster, RetriesAfterATimeoutOnAFreshConnection)
{
    m.setRetryCnt(1);
    ASSERT_TRUE(ctl(QStringLiteral("fault timeout 1")));
    TSegmentBuffer buf{};
    ASSERT_NO_THROW(m.ReadSegment(1, buf));
    EXPECT_EQ(buf[54], 0x1031);
    EXPECT_TRUE(m.IsOpen());
    EXPECT_EQ(sim.log().size(), 2);
}

TEST_F(TcpMaster, PollDelaySpacesConsecutiveRequests)
{
    // Long enough that "no pause" stays far below it on a loaded machine.
    m.setPollDelay(800);
    EXPECT_EQ(m.pollDelay(), 800);
    std::array<std::uint16_t, 2> pair{};
    ASSERT_NO_THROW(m.ReadRegisters(1, 1, pair));
    QElapsedTimer t;
    t.start();
    ASSERT_NO_THROW(m.ReadRegisters(1, 1, pair));
    EXPECT_GE(t.elapsed(), 790);
    std::this_thread::sleep_for(std::chrono::milliseconds(850));
    t.restart();
    ASSERT_NO_THROW(m.ReadRegisters(1, 1, pair));
    EXPECT_LT(t.elapsed(), 500) << "a pause already taken is not added again";
}

TEST_F(TcpMaster, ChecksumOfTheFlashSegments)
{
    TSegmentBuffer buf{};
    for (int seg : {1, 2}) {
        SCOPED_TRACE(seg);
        ASSERT_TRUE(ctl(QStringLiteral("fault checksum %1").arg(seg)));
        m.RaiseOnChecksumError = true;
        buf.fill(0x4242);
        const Raised r = raisedBy([&] { m.ReadSegment(seg, buf); });
        EXPECT_TRUE(r.is(typeid(Exception)));
        EXPECT_EQ(r.message,
                  QStringLiteral("Chyba při komunikaci se snímačem - chybný kontrolní součet segmentu"));
        EXPECT_TRUE(m.ChecksumError);
        EXPECT_EQ(buf[0], 0x4242) << "a failed segment read leaves the caller's buffer alone";

        m.RaiseOnChecksumError = false;
        ASSERT_NO_THROW(m.ReadSegment(seg, buf));
        EXPECT_TRUE(m.ChecksumError);
        ASSERT_TRUE(ctl(QStringLiteral("fault checksum off")));
        m.RaiseOnChecksumError = true;
        ASSERT_NO_THROW(m.ReadSegment(seg, buf));
        EXPECT_FALSE(m.ChecksumError);
    }
    // Segments 0 and 3 hold words 63 that are not their sums: never verified.
    for (int seg : {0, 3}) {
        ASSERT_NO_THROW(m.ReadSegment(seg, buf)) << seg;
        EXPECT_FALSE(m.VerifyChecksum(buf, false)) << "the fixture must break the sum of segment " << seg;
    }
}

TEST_F(TcpMaster, OpeningOverTcpDoesNotPause)
{
    m.Close();
    bool firedDuringRead = false;
    QTimer::singleShot(20, [&] { firedDuringRead = true; });
    TSegmentBuffer buf{};
    ASSERT_NO_THROW(m.ReadSegment(1, buf));
    EXPECT_FALSE(firedDuringRead) << "no pause pumped the event loop";
    QCoreApplication::processEvents();
}

TEST_F(TcpMaster, CloseLeavesTheDeviceTenMilliseconds)
{
    QElapsedTimer t;
    t.start();
    m.Close();
    EXPECT_GE(t.nsecsElapsed(), 10'000'000);
    EXPECT_FALSE(m.IsOpen());
    t.restart();
    m.Close();
    EXPECT_GE(t.nsecsElapsed(), 10'000'000) << "also when already closed";
}
