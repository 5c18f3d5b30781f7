// Connecting and disconnecting over Modbus/TCP and over a serial line (a socat pty
// pair with the simulator as the RTU slave).
#include "PtyPair.h"
#include "support_sim.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

// Maps COM7 onto a pty for one test.
class ComPortMapping
{
public:
    explicit ComPortMapping(const QString &device) { qputenv("OMBRIX_COM_PORTS", ("7=" + device).toUtf8()); }
    ~ComPortMapping() { qunsetenv("OMBRIX_COM_PORTS"); }
};

TConnectionParams serialParams(TProtocol protocol, std::uint8_t slave)
{
    TConnectionParams p;
    p.Protocol = protocol;
    p.ComPortNumber = 7;
    p.Speed = 19200;
    p.SlaveAddress = slave;
    p.IP = QStringLiteral("not used on a serial line");
    return p;
}

QStringList list(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *i : items)
        l << QString::fromLatin1(i);
    return l;
}

} // namespace

TEST(ConnectEthernet, WrongIPTextsAreRefusedBeforeAnythingIsTried)
{
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("farvo-xport441-pressure-io.json")));
    d.sim.control(QStringLiteral("log clear"));
    for (const char *ip : {"192.168.1.300", "192.168.1", "", "1.2.3.4.5", " 127.0.0.1", "127.0.0.1 ",
                           "127.0.0.x", "1234.0.0.1", "127..0.1"}) {
        SCOPED_TRACE(ip);
        TConnectionParams p = d.params();
        p.IP = QString::fromLatin1(ip);
        EXPECT_EQ(d.conn.Connect(p), TConnectOutcome::WrongIP);
        EXPECT_FALSE(d.conn.Connected);
        EXPECT_FALSE(d.conn.Modbus.IsOpen());
        EXPECT_TRUE(d.conn.LastError.isEmpty());
    }
    EXPECT_EQ(d.sim.log(), QStringList()) << "no request of any kind";
}

TEST(ConnectEthernet, LeadingZerosReachTheAddressTheyWrite)
{
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("dusko-two-named.json")));
    TConnectionParams p = d.params();
    p.IP = QStringLiteral("127.000.000.001");
    EXPECT_EQ(d.conn.Connect(p), TConnectOutcome::Connected) << d.conn.LastError.toStdString();
}

TEST(ConnectEthernet, FailedConnectClosesTheMasterAndTheNextOneWorks)
{
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("farvo-xport441-co2-io.json")));
    TConnectionParams refused = d.params();
    refused.TcpPort = 1; // nothing listens there on loopback
    d.conn.StartAfterConnect = true;
    EXPECT_EQ(d.conn.Connect(refused), TConnectOutcome::Failed);
    EXPECT_FALSE(d.conn.Connected);
    EXPECT_FALSE(d.conn.Modbus.IsOpen());
    EXPECT_FALSE(d.conn.LastError.isEmpty());
    EXPECT_FALSE(d.conn.TakeStartAfterConnect()) << "a failed connect never starts measuring";
    EXPECT_FALSE(d.conn.StartAfterConnect) << "and clears the request";

    d.conn.StartAfterConnect = true;
    ASSERT_EQ(d.connect(), TConnectOutcome::Connected) << d.conn.LastError.toStdString();
    EXPECT_TRUE(d.conn.LastError.isEmpty());
    EXPECT_TRUE(d.conn.Modbus.IsOpen());
    EXPECT_TRUE(d.conn.TakeStartAfterConnect());
    EXPECT_FALSE(d.conn.StartAfterConnect);
}

TEST(ConnectEthernet, UnansweredXPortFailsWithItsReason)
{
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("gelmi-5ch-551.json")));
    ASSERT_TRUE(d.sim.control(QStringLiteral("fault udpnone")).startsWith("ok"));
    EXPECT_EQ(d.connect(), TConnectOutcome::Failed);
    EXPECT_EQ(d.conn.LastError, QStringLiteral("Unable to read from XPort."));
    EXPECT_FALSE(d.conn.Modbus.IsOpen());
}

TEST(ConnectEthernet, DisconnectNeverFailsEvenWhenTheDeviceIsGone)
{
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("farvo-xport441-co2-io.json")));
    ASSERT_EQ(d.connect(), TConnectOutcome::Connected);
    d.sim.stop();
    EXPECT_NO_THROW(d.conn.Disconnect());
    EXPECT_FALSE(d.conn.Connected);
    EXPECT_FALSE(d.conn.Modbus.IsOpen());
    EXPECT_NO_THROW(d.conn.Disconnect()) << "twice is harmless";
    EXPECT_FALSE(d.conn.GetQuantity(0).GetQuanType() == 0) << "the slots keep the last identification";
}

TEST(ConnectEthernet, DoesNotWaitBeforeIdentifying)
{
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QElapsedTimer t;
    t.start();
    ASSERT_EQ(d.connect(), TConnectOutcome::Connected);
    EXPECT_LT(t.elapsed(), 3000);
}

class ConnectSerial : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.open());
        mapping = std::make_unique<ComPortMapping>(pty.masterSide());
    }

    bool startSim(const QString &scenario, int slave)
    {
        return sim.startRtu(scenario, pty.deviceSide(), 19200, slave);
    }

    PtyPair pty;
    std::unique_ptr<ComPortMapping> mapping;
    SimProcess sim;
    TErrMessageList errors;
    TDeviceConnection conn{errors};
};

TEST_F(ConnectSerial, RS485IdentifiesAtItsSlaveAddressWithoutWaiting)
{
    struct Case {
        const char *scenario;
        int slave;
        int kind;
        const char *serial;
        int firmware;
        QStringList slots;
    };
    const Case cases[] = {
        {"farvo-th-dewpoint-rs485.json", 5, 49, "12345678", 231,
         list({"0:6:2:0:1", "1:7:4:0:1", "2:10:2:0:1"})},
        {"farvo-old-firmware-0214.json", 17, 5, "00A1B2C3", 214,
         list({"0:6:2:0:1", "1:7:4:0:1", "2:10:2:0:1"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_TRUE(startSim(QString::fromLatin1(c.scenario), c.slave)) << sim.errorOutput().toStdString();
        QElapsedTimer t;
        t.start();
        ASSERT_EQ(conn.Connect(serialParams(TProtocol::RS485, static_cast<std::uint8_t>(c.slave))),
                  TConnectOutcome::Connected)
            << conn.LastError.toStdString();
        EXPECT_LT(t.elapsed(), 3000);
        EXPECT_EQ(conn.Modbus.SlaveAddress, c.slave);
        EXPECT_EQ(conn.SensType.GetKind(), c.kind);
        EXPECT_EQ(conn.SerialText, QString::fromLatin1(c.serial));
        EXPECT_EQ(conn.Firmware.value_or(-1), c.firmware);
        EXPECT_FALSE(conn.XPortFirmware.has_value());
        EXPECT_FALSE(conn.DeviceAlarmBlock);
        EXPECT_EQ(SlotSummary(conn), c.slots);
        const QStringList log = sim.log();
        ASSERT_FALSE(log.isEmpty());
        EXPECT_EQ(log.first(), QStringLiteral("mb:%1:03:0x1000:64").arg(c.slave));
        conn.Disconnect();
        sim.stop();
    }
}

TEST_F(ConnectSerial, EthernetAfterRS485TalksToUnitOneOnly)
{
    // An RS485 session at address 5 must leave nothing behind: an XPort routes by
    // unit identifier, so identifying at 5 would ask another device than the
    // readers read (the simulator's gateway answers unit 5 with exception 0B).
    ASSERT_TRUE(startSim(QStringLiteral("farvo-th-dewpoint-rs485.json"), 5))
        << sim.errorOutput().toStdString();
    ASSERT_EQ(conn.Connect(serialParams(TProtocol::RS485, 5)), TConnectOutcome::Connected)
        << conn.LastError.toStdString();
    conn.Disconnect();

    SimProcess xport;
    ASSERT_TRUE(xport.start(QStringLiteral("farvo-xport441-co2-io.json")))
        << xport.errorOutput().toStdString();
    conn.XPortUdpPort = xport.udpPort();
    TConnectionParams p;
    p.Protocol = TProtocol::Ethernet;
    p.IP = QStringLiteral("127.0.0.1");
    p.TcpPort = xport.tcpPort();
    p.Timeout = 1000;
    p.SlaveAddress = 5; // kept from the RS485 session, as the parameters frame keeps it
    ASSERT_EQ(conn.Connect(p), TConnectOutcome::Connected) << conn.LastError.toStdString();
    EXPECT_EQ(conn.Modbus.SlaveAddress, 1);
    const QStringList modbus = xport.log().filter(QRegularExpression(QStringLiteral("^mb:")));
    ASSERT_FALSE(modbus.isEmpty());
    EXPECT_EQ(modbus.filter(QRegularExpression(QStringLiteral("^mb:1:"))), modbus);
}

TEST_F(ConnectSerial, RS232WaitsFourSecondsBeforeTheFirstRequest)
{
    // A device with binary inputs and relays: on a serial line they follow the binary rule.
    ASSERT_TRUE(startSim(QStringLiteral("farvo-xport441-co2-io.json"), 1)) << sim.errorOutput().toStdString();
    QElapsedTimer t;
    qint64 lastQuiet = -1;
    qint64 firstRequest = -1;
    QTimer poll;
    poll.setInterval(250);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (firstRequest >= 0)
            return;
        const qint64 now = t.elapsed();
        if (sim.log().isEmpty())
            lastQuiet = now;
        else
            firstRequest = now;
    });
    poll.start();
    t.start();
    ASSERT_EQ(conn.Connect(serialParams(TProtocol::RS232, 9)), TConnectOutcome::Connected)
        << conn.LastError.toStdString();
    const qint64 total = t.elapsed();
    poll.stop();

    EXPECT_GE(total, 4000);
    EXPECT_GE(lastQuiet, 3500) << "the window stayed alive during the wait and the line stayed quiet";
    EXPECT_TRUE(firstRequest < 0 || firstRequest >= 4000) << firstRequest;
    EXPECT_EQ(conn.Modbus.SlaveAddress, 1) << "RS232 ignores the slave address";
    EXPECT_EQ(SlotSummary(conn),
              list({"0:6:2:0:1", "1:7:4:0:1", "2:10:2:0:1", "4:9:13:0:0", "5:2:0:1:2", "6:2:0:2:2",
                    "7:2:0:3:2", "8:3:0:1:0", "9:3:0:2:0", "10:3:0:3:0", "11:4:0:1:2", "12:4:0:2:2"}));
    EXPECT_TRUE(conn.HasBinaryInputs);
    EXPECT_FALSE(conn.DeviceAlarmBlock);
}

TEST_F(ConnectSerial, MissingOrAbsentPortFailsWithTheMasterClosed)
{
    struct Case {
        int comPort;
        const char *reason; // empty: any reason
    };
    const Case cases[] = {{-1, "COM port not selected."}, {8, ""}}; // COM8 is mapped nowhere here
    qputenv("OMBRIX_COM_PORTS", ("7=" + pty.masterSide() + ";8=/nonexistent/ttyGone").toUtf8());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.comPort);
        TConnectionParams p = serialParams(TProtocol::RS485, 1);
        p.ComPortNumber = c.comPort;
        EXPECT_EQ(conn.Connect(p), TConnectOutcome::Failed);
        EXPECT_FALSE(conn.Connected);
        EXPECT_FALSE(conn.Modbus.IsOpen());
        if (*c.reason) {
            EXPECT_EQ(conn.LastError, QString::fromLatin1(c.reason));
        } else {
            EXPECT_FALSE(conn.LastError.isEmpty());
        }
    }
}
