// The master layer over Modbus RTU on a socat pty pair with the simulator on
// the far side, and the synchronised master's handling of its setting.
#include "comm/BusProtocolExceptions.h"
#include "comm/uMSPComm.h"
#include "comm/uTiming.h"

#include "PtyPair.h"
#include "SimProcess.h"
#include "support_comm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace CommTest;

namespace
{

constexpr std::uint8_t kCom = 7;      // mapped onto the pty
constexpr std::uint8_t kAlias = 12;   // the same pty under another number
constexpr std::uint8_t kMissing = 13; // mapped onto nothing

class RtuMaster : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.open());
        env = std::make_unique<ScopedEnv>("OMBRIX_COM_PORTS",
                                          QStringLiteral("%1=%2;%3=%2;%4=%5")
                                              .arg(kCom)
                                              .arg(pty.masterSide())
                                              .arg(kAlias)
                                              .arg(kMissing)
                                              .arg(pty.masterSide() + QStringLiteral(".missing"))
                                              .toUtf8());
        ASSERT_TRUE(sim.startRtu(scenario(), pty.deviceSide(), 9600, 1, {QStringLiteral("--no-pacing")}))
            << qPrintable(sim.errorOutput());
        m.SetComPort(kCom);
        m.setTimeout(300);
        ASSERT_NO_THROW(m.Open());
        sim.control(QStringLiteral("log clear"));
    }
    bool ctl(const QString &command) { return sim.control(command).startsWith(QStringLiteral("ok")); }
    // The line speed the port is set to, as anyone opening the pty sees it.
    speed_t lineSpeed()
    {
        const int fd =
            ::open(QFile::encodeName(pty.masterSide()).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        termios t{};
        tcgetattr(fd, &t);
        ::close(fd);
        return cfgetospeed(&t);
    }
    // Waits (bounded) until `count` bytes lie unread in the device's input buffer, as
    // any other opener sees it; returns how many were there at the end.
    static int bytesArriving(const QString &device, int count)
    {
        const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        int waiting = -1;
        for (int i = 0; fd >= 0 && i < 1000; ++i) {
            if (::ioctl(fd, FIONREAD, &waiting) != 0 || waiting >= count)
                break;
            QThread::msleep(10);
        }
        if (fd >= 0)
            ::close(fd);
        return waiting;
    }
    TMbusSerialMasterProtocol *inner() { return static_cast<TMbusSerialMasterProtocol *>(m.InnerProtocol()); }
    void expectReads()
    {
        TSegmentBuffer buf{};
        ASSERT_NO_THROW(m.ReadSegment(1, buf));
        EXPECT_EQ(buf[54], 0x1031);
    }

    PtyPair pty;
    std::unique_ptr<ScopedEnv> env;
    SimProcess sim;
    TMSPModbus m;
};

} // namespace

TEST_F(RtuMaster, ReadsSegmentsBlocksAndRegisterPairs)
{
    TSegmentBuffer s1{}, s3{};
    ASSERT_NO_THROW(m.ReadSegment(1, s1));
    EXPECT_EQ(TMSPModbus::WordAt(0x1035, s1), 0x5678);
    EXPECT_EQ(TMSPModbus::WordAt(0x1037, s1), 0x1031);
    ASSERT_NO_THROW(m.ReadSegment(3, s3));
    EXPECT_EQ(TMSPModbus::WordAt(0x3002, s3), 0x0231);
    EXPECT_EQ(m.ReadRegisterPair(0x1036), std::make_pair(std::uint16_t{0x1234}, std::uint16_t{0x1031}));
    std::array<std::uint16_t, 64> block{};
    ASSERT_NO_THROW(m.ReadRegisters(1, 1, block));
    EXPECT_EQ(block[48], 215);
    EXPECT_EQ(sim.log(),
              (QStringList{QStringLiteral("mb:1:03:0x1000:64"), QStringLiteral("mb:1:03:0x3000:64"),
                           QStringLiteral("mb:1:03:0x1035:2"), QStringLiteral("mb:1:03:0x0000:64")}));
}

TEST_F(RtuMaster, EveryFailureArrivesAsItsExceptionAndTheMasterRecovers)
{
    struct Case {
        const char *fault;
        const std::type_info &type;
        const char *message;
    };
    const Case cases[] = {
        {"fault crc 1", typeid(EChecksumException), "Checksum error"},
        {"fault timeout 1", typeid(EReplyTimeoutException), "Reply time-out"},
        {"fault exception 1 1", typeid(EMbusIllegalFunctionException), "Illegal Function exception response"},
        {"fault exception 2 1", typeid(EMbusIllegalAddressException),
         "Illegal Data Address exception response"},
        {"fault exception 3 1", typeid(EMbusIllegalValueException), "Illegal Data Value exception response"},
        {"fault exception 4 1", typeid(EMbusSlaveFailureException),
         "Slave Device Failure exception response"},
        {"fault exception 0 1", typeid(EMbusResponseException), "Modbus exception response"},
        {"fault exception 6 1", typeid(EMbusResponseException), "Modbus exception response"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_TRUE(ctl(QString::fromLatin1(c.fault)));
        TSegmentBuffer buf{};
        const Raised r = raisedBy([&] { m.ReadSegment(1, buf); });
        EXPECT_TRUE(r.is(c.type)) << (r.type ? r.type->name() : "nothing");
        EXPECT_EQ(r.message, QString::fromLatin1(c.message));
        EXPECT_TRUE(m.IsOpen()) << "a line stays open after a protocol failure";
        m.Close();
        m.SetBaudRate(19200);
        ASSERT_NO_THROW(m.Open());
        expectReads();
        m.SetBaudIndex(6);
    }
}

TEST_F(RtuMaster, RetryCountRepeatsAfterChecksumErrors)
{
    m.setRetryCnt(2);
    ASSERT_TRUE(ctl(QStringLiteral("fault crc 2")));
    expectReads();
    EXPECT_EQ(sim.log().size(), 3);
}

TEST_F(RtuMaster, LateReplyOfATimedOutRequestIsNotTakenForTheNext)
{
    // Segment 1 is answered after its time-out; its reply (64 registers, as
    // long as the next one's) lies in the line buffer when segment 3 is asked.
    ASSERT_TRUE(ctl(QStringLiteral("fault delay 500")));
    TSegmentBuffer buf{};
    EXPECT_TRUE(raisedBy([&] { m.ReadSegment(1, buf); }).is(typeid(EReplyTimeoutException)));
    ASSERT_TRUE(ctl(QStringLiteral("fault delay off")));
    // Slave address, function, byte count, 64 words and the CRC.
    EXPECT_EQ(bytesArriving(pty.masterSide(), 3 + 128 + 2), 3 + 128 + 2) << "the late reply has come";
    ASSERT_NO_THROW(m.ReadSegment(3, buf));
    EXPECT_EQ(TMSPModbus::WordAt(0x3002, buf), 0x0231) << "segment 1's late words instead";
    expectReads();
}

TEST_F(RtuMaster, MissingDeviceThenTheRightPort)
{
    // Changing the port of an open master reopens it, here onto nothing.
    const Raised r = raisedBy([&] { m.SetComPort(kMissing); });
    EXPECT_TRUE(r.is(typeid(EOpenErr)));
    EXPECT_EQ(r.message, QStringLiteral("Port or socket open error"));
    EXPECT_FALSE(m.IsOpen());
    EXPECT_TRUE(raisedBy([&] { m.Open(); }).is(typeid(EOpenErr)));
    m.SetComPort(kCom);
    ASSERT_NO_THROW(m.Open());
    expectReads();
}

TEST_F(RtuMaster, PortHeldByAnotherProgram)
{
    m.Close();
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 {QStringLiteral("-F"), pty.masterSide(), QStringLiteral("sleep"), QStringLiteral("10")});
    ASSERT_TRUE(holder.waitForStarted(3000));
    Raised r;
    for (int i = 0; i < 100 && !r.type; ++i) { // until the holder has its lock
        QThread::msleep(20);
        r = raisedBy([&] {
            m.Open();
            m.Close();
        });
    }
    EXPECT_TRUE(r.is(typeid(EPortAlreadyOpen))) << (r.type ? r.type->name() : "nothing");
    EXPECT_EQ(r.message, QStringLiteral("Serial port already open"));
    EXPECT_FALSE(m.IsOpen());
    holder.kill();
    holder.waitForFinished(3000);
    ASSERT_NO_THROW(m.Open());
    expectReads();
}

TEST_F(RtuMaster, TwoMastersCannotShareOnePort)
{
    TSyncMBus other;
    other.SetComPort(kAlias);
    const Raised r = raisedBy([&] { other.Open(); });
    EXPECT_TRUE(r.is(typeid(EPortAlreadyOpen)));
    expectReads();
}

TEST_F(RtuMaster, DeviceUnpluggedWhileOpen)
{
    sim.stop();
    pty.close(); // the device node disappears, as a USB adapter pulled out
    TSegmentBuffer buf{};
    const Raised r = raisedBy([&] { m.ReadSegment(1, buf); });
    EXPECT_TRUE(r.is(typeid(EInOutError))) << (r.type ? r.type->name() : "nothing");
    EXPECT_EQ(r.message, QStringLiteral("I/O error"));
    EXPECT_FALSE(m.IsOpen()) << "the next attempt must reopen the port";
    EXPECT_TRUE(raisedBy([&] { m.Open(); }).is(typeid(EOpenErr)));
}

TEST_F(RtuMaster, SetComPortReopensAnOpenMaster)
{
    ASSERT_TRUE(m.IsOpen());
    m.SetComPort(kAlias);
    EXPECT_EQ(m.ComPort, kAlias);
    EXPECT_EQ(inner()->portName, QStringLiteral("\\\\.\\COM12"));
    EXPECT_TRUE(m.IsOpen());
    expectReads();

    m.Close();
    m.SetComPort(kCom);
    EXPECT_FALSE(m.IsOpen()) << "a closed master stays closed";
}

TEST_F(RtuMaster, BaudRateSettings)
{
    EXPECT_EQ(lineSpeed(), B9600);
    m.SetBaudRate(19200);
    EXPECT_EQ(m.BaudIndex, 15);
    EXPECT_EQ(m.CustomBaud, 19200);
    EXPECT_EQ(inner()->baudRate, 19200);
    EXPECT_EQ(lineSpeed(), B9600) << "the rate applies at the next Open";

    inner()->baudRate = 2400; // whatever the inner object holds, Open re-applies the setting
    inner()->portName = QStringLiteral("COM99");
    ASSERT_NO_THROW(m.Open());
    EXPECT_EQ(inner()->baudRate, 19200);
    EXPECT_EQ(lineSpeed(), B19200);
    expectReads();

    struct Case {
        std::uint8_t index;
        int rate; // inner baud rate afterwards
    };
    const Case cases[] = {{0, 110},    {6, 9600},         {13, 128000}, {14, 256000},
                          {15, 19200}, {0x80 | 8, 19200}, {16, 19200}};
    for (const Case &c : cases) {
        m.SetBaudIndex(c.index);
        EXPECT_EQ(m.BaudIndex, c.index);
        EXPECT_EQ(inner()->baudRate, c.rate) << int(c.index);
    }
    // Rates without a Bxxx constant reach the port too.
    const Case odd[] = {{7, 14400}, {10, 56000}, {13, 128000}, {14, 256000}};
    for (const Case &c : odd) {
        SCOPED_TRACE(c.rate);
        m.SetBaudIndex(c.index);
        ASSERT_NO_THROW(m.Open());
        EXPECT_EQ(lineRate(pty.masterSide()), c.rate);
        expectReads();
    }
}

TEST_F(RtuMaster, CharacterFormatCodes)
{
    struct Case {
        void (TSyncMBus::*setter)(std::uint8_t);
        std::uint8_t code;
        int TMbusSerialMasterProtocol::*field;
        int expected;
    };
    const Case cases[] = {
        {&TSyncMBus::SetParity, 2, &TMbusSerialMasterProtocol::parity, 2},
        {&TSyncMBus::SetParity, 3, &TMbusSerialMasterProtocol::parity, 2},
        {&TSyncMBus::SetParity, 0, &TMbusSerialMasterProtocol::parity, 0},
        {&TSyncMBus::SetDataBits, 3, &TMbusSerialMasterProtocol::dataBits, 7},
        {&TSyncMBus::SetDataBits, 5, &TMbusSerialMasterProtocol::dataBits, 7},
        {&TSyncMBus::SetDataBits, 4, &TMbusSerialMasterProtocol::dataBits, 8},
        {&TSyncMBus::SetStopBits, 2, &TMbusSerialMasterProtocol::stopBits, 2},
        {&TSyncMBus::SetStopBits, 1, &TMbusSerialMasterProtocol::stopBits, 2},
        {&TSyncMBus::SetStopBits, 0, &TMbusSerialMasterProtocol::stopBits, 1},
    };
    for (const Case &c : cases) {
        (m.*c.setter)(c.code);
        EXPECT_EQ(inner()->*c.field, c.expected) << int(c.code);
    }
}

TEST_F(RtuMaster, TransportSwitching)
{
    m.setTimeout(2500);
    TMbusMasterFunctions *before = m.InnerProtocol();
    m.SetProtocolKind(TSyncMBus::KindRtu);
    EXPECT_EQ(m.InnerProtocol(), before);
    EXPECT_EQ(m.timeout(), 2500) << "the same kind keeps the object and its time-out";
    m.SetProtocolKind(9);
    EXPECT_EQ(m.InnerProtocol(), before);
    EXPECT_EQ(m.ProtocolKind, TSyncMBus::KindRtu);

    // Host set while on RTU is only stored; switching an open master opens the new transport with it.
    SimProcess tcpSim;
    ASSERT_TRUE(tcpSim.start(scenario()));
    m.SetHost(QStringLiteral("127.0.0.1"));
    m.SetTcpPort(tcpSim.tcpPort());
    m.SetProtocolKind(TSyncMBus::KindTcp);
    EXPECT_EQ(m.timeout(), 1000) << "a new inner object starts with the library's time-out";
    EXPECT_TRUE(m.IsOpen());
    auto *tcp = static_cast<TMbusTcpMasterProtocol *>(m.InnerProtocol());
    EXPECT_EQ(tcp->hostName, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(tcp->port(), tcpSim.tcpPort());
    expectReads();
    EXPECT_EQ(tcpSim.log().size(), 1);

    m.SetProtocolKind(TSyncMBus::KindRtu); // back to the line: reopened on the stored COM port
    EXPECT_TRUE(m.IsOpen());
    EXPECT_EQ(inner()->portName, QStringLiteral("\\\\.\\COM7"));
    expectReads();
}

TEST_F(RtuMaster, OpeningRtuPausesWhileKeepingTheWindowAlive)
{
    m.Close();
    bool busyInside = false, fired = false;
    QTimer::singleShot(50, [&] {
        fired = true;
        busyInside = CSection.IsBusy();
    });
    TSegmentBuffer buf{};
    QElapsedTimer t;
    t.start();
    ASSERT_NO_THROW(m.ReadSegment(1, buf));
    EXPECT_GE(t.elapsed(), 200);
    EXPECT_TRUE(fired) << "the pause pumps the event loop";
    EXPECT_TRUE(busyInside) << "and marks the program busy meanwhile";
    EXPECT_FALSE(CSection.IsBusy());

    // An open master reads at once: had it paused again, the pump would have run the timer.
    fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    ASSERT_NO_THROW(m.ReadSegment(1, buf));
    EXPECT_FALSE(fired);
    QCoreApplication::processEvents();
}

TEST_F(RtuMaster, FreshSerialObjectOpensCom1WithItsOwnFields)
{
    m.Close(); // releases the pty
    ScopedEnv com1("OMBRIX_COM_PORTS", QByteArray("1=") + QFile::encodeName(pty.masterSide()));
    TMbusRtuMasterProtocol rtu;
    EXPECT_EQ(rtu.portName, QStringLiteral("COM1"));
    EXPECT_EQ(rtu.baudRate, 9600);
    ASSERT_NO_THROW(rtu.openProtocol());
    EXPECT_TRUE(rtu.isOpen());
    EXPECT_EQ(lineSpeed(), B9600);
    std::array<std::uint16_t, 2> pair{};
    ASSERT_NO_THROW(rtu.readMultipleRegisters(1, 0x3002, pair));
    EXPECT_EQ(pair[0], 0x0231);
}
