// The connection frame against the simulator: Connect and Disconnect over
// Modbus/TCP on loopback and over RS485 and RS232 on a socat pty, the messages of
// a failed connect, the busy cursor and the calls to the main window.
#include "connection/uOBfrConnection.h"

#include "PtyPair.h"
#include "base/uDialogs.h"
#include "connection/uOBfrConnPars.h"
#include "discovery/IPEdit.h"
#include "support_sim.h"
#include "test_ui_rig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

const QString UnableToConnect =
    QStringLiteral("Unable to connect. Sensor must be properly connected according to choosed settings.");

// Stands in for the main window.
struct FakeMainWindow : TConnectionHost {
    int updates = 0;
    int autoStarts = 0;
    void UpdateInterfaceState() override { ++updates; }
    void AutoStartMeasurement() override { ++autoStarts; }
};

// A message the frame showed, with what was true at that moment.
struct SeenMessage {
    TDialogRequest request;
    bool cursorRestored = false;
    qint64 atMs = 0;
};

QStringList List(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *i : items)
        l << QString::fromLatin1(i);
    return l;
}

class ConnectionFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frame.SetHost(&host);
        clock.start();
    }

    template <typename W> W *Child(const char *name)
    {
        W *w = frame.findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    void Click(const char *name) { QTest::mouseClick(Child<QAbstractButton>(name), Qt::LeftButton); }

    void PointAt(const SimProcess &sim)
    {
        frame.ConnPars()->SetIP(QStringLiteral("127.0.0.1"));
        frame.ConnPars()->SetTcpPort(sim.tcpPort());
        frame.Device().XPortUdpPort = sim.udpPort();
    }

    TComPortsOnly ports;
    TErrMessageList errors;
    TOBfrConnection frame{errors};
    FakeMainWindow host;
    QElapsedTimer clock;
    QList<SeenMessage> messages;
    TDialogAnswerScope answers{[this](const TDialogRequest &r) {
        messages << SeenMessage{r, QApplication::overrideCursor() == nullptr, clock.elapsed()};
        return 1;
    }};
};

} // namespace

TEST_F(ConnectionFrameTest, ControlsCarryTheirNamesAndCaptions)
{
    const struct {
        const char *name;
        const char *caption;
    } buttons[] = {{"rbEthernet", "Ethernet"},
                   {"rbRs232", "Serial RS232"},
                   {"rbRs485", "Serial RS485"},
                   {"bConnDisconn", "Connect"}};
    for (const auto &b : buttons) {
        if (auto *w = Child<QAbstractButton>(b.name)) {
            EXPECT_EQ(w->text(), QString::fromUtf8(b.caption));
        }
    }
    for (const char *panel : {"Panel1", "pProtocols", "Panel2", "Panel3"})
        Child<QFrame>(panel);
    EXPECT_EQ(Child<TOBfrConnPars>("frConnPars"), frame.ConnPars());
    EXPECT_TRUE(Child<QRadioButton>("rbEthernet")->isChecked());
    EXPECT_TRUE(frame.IsEthernet());
    EXPECT_FALSE(frame.Connected());
    EXPECT_EQ(frame.QuantityCount(), 20);
    EXPECT_EQ(&frame.GetQuantity(19), &frame.Device().GetQuantity(19));
}

TEST_F(ConnectionFrameTest, ConnectIsOfferedForEthernetAndForASelectedComPort)
{
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    ports.Set({{4, pty.masterSide()}});
    frame.ConnPars()->RefreshComPorts();
    auto *list = Child<QComboBox>("cbCOMPort");
    const QPushButton *connect = Child<QPushButton>("bConnDisconn");
    frame.show();
    const struct {
        const char *radio;
        int comIndex; // -1: leave the list alone
        TProtocol protocol;
        bool enabled;
    } steps[] = {
        {"rbEthernet", -1, TProtocol::Ethernet, true}, {"rbRs232", -1, TProtocol::RS232, false},
        {nullptr, 1, TProtocol::RS232, true},          {nullptr, 0, TProtocol::RS232, false},
        {"rbRs485", -1, TProtocol::RS485, false},      {nullptr, 1, TProtocol::RS485, true},
        {"rbEthernet", 0, TProtocol::Ethernet, true},  {"rbRs232", -1, TProtocol::RS232, false},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(std::string(s.radio ? s.radio : "COM list") + " " + std::to_string(s.comIndex));
        if (s.radio)
            Click(s.radio);
        if (s.comIndex >= 0)
            list->setCurrentIndex(s.comIndex);
        EXPECT_EQ(frame.ConnPars()->Protocol(), s.protocol);
        EXPECT_EQ(frame.IsEthernet(), s.protocol == TProtocol::Ethernet);
        EXPECT_EQ(connect->isEnabled(), s.enabled);
    }
}

TEST_F(ConnectionFrameTest, ProtocolNamesForTheSettings)
{
    const struct {
        const char *given;
        const char *radio;
        const char *name;
    } cases[] = {{"RS232", "rbRs232", "RS232"},          {"RS485", "rbRs485", "RS485"},
                 {"Ethernet", "rbEthernet", "Ethernet"}, {"RS485", "rbRs485", "RS485"},
                 {"rs232", "rbEthernet", "Ethernet"},    {"", "rbEthernet", "Ethernet"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.given);
        frame.SetProtocolByName(QString::fromLatin1(c.given));
        EXPECT_TRUE(Child<QRadioButton>(c.radio)->isChecked());
        EXPECT_EQ(frame.GetProtocolName(), QString::fromLatin1(c.name));
    }
}

TEST_F(ConnectionFrameTest, SetControlsEnabledCoversTheProtocolChoiceAndTheParameters)
{
    for (bool enabled : {false, true}) {
        frame.SetControlsEnabled(enabled);
        for (const char *name :
             {"rbEthernet", "rbRs232", "rbRs485", "eIP", "neTcpPort", "cbCOMPort", "cbSpeed"})
            EXPECT_EQ(Child<QWidget>(name)->isEnabled(), enabled) << name;
    }
}

TEST_F(ConnectionFrameTest, EthernetConnectIdentifiesAndDisconnectClosesTheMaster)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json")));
    PointAt(sim);
    Click("bConnDisconn");
    EXPECT_TRUE(messages.isEmpty()) << messages.value(0).request.Text.toStdString();
    ASSERT_TRUE(frame.Connected()) << frame.Device().LastError.toStdString();
    EXPECT_TRUE(frame.Device().Modbus.IsOpen());
    EXPECT_EQ(frame.Device().SensType.GetKind(), 77);
    EXPECT_EQ(frame.Device().SerialText, QStringLiteral("55100001"));
    EXPECT_EQ(SlotSummary(frame.Device()),
              List({"13:6:2:1:0", "14:7:4:2:0", "15:6:2:3:0", "16:6:3:4:0", "17:6:2:5:0"}));
    EXPECT_EQ(host.updates, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    frame.bConnDisconnClick(); // the measurement frame's disconnect button calls the same
    EXPECT_FALSE(frame.Connected());
    EXPECT_FALSE(frame.Device().Modbus.IsOpen());
    EXPECT_EQ(host.updates, 2);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(SlotSummary(frame.Device()).size(), 5) << "the slots keep the last identification";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConnectionFrameTest, RS485ConnectUsesTheSlaveAddressWithoutWaiting)
{
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    ports.Set({{7, pty.masterSide()}});
    SimProcess sim;
    ASSERT_TRUE(sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 19200, 5))
        << sim.errorOutput().toStdString();
    frame.show();
    Click("rbRs485");
    frame.ConnPars()->RefreshComPorts();
    frame.ConnPars()->SelectComPort(7);
    frame.ConnPars()->SelectSpeed(19200);
    frame.ConnPars()->SetSlaveAddress(5);
    clock.restart();
    Click("bConnDisconn");
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_TRUE(frame.Connected()) << frame.Device().LastError.toStdString();
    EXPECT_EQ(frame.Device().Modbus.SlaveAddress, 5);
    EXPECT_EQ(frame.Device().SensType.GetKind(), 49);
    EXPECT_EQ(frame.Device().SerialText, QStringLiteral("12345678"));
    EXPECT_EQ(SlotSummary(frame.Device()), List({"0:6:2:0:1", "1:7:4:0:1", "2:10:2:0:1"}));
    ASSERT_FALSE(sim.log().isEmpty());
    EXPECT_EQ(sim.log().first(), QStringLiteral("mb:5:03:0x1000:64"));

    Click("bConnDisconn");
    EXPECT_FALSE(frame.Connected());
    EXPECT_FALSE(frame.Device().Modbus.IsOpen());
    EXPECT_EQ(host.updates, 2);
}

TEST_F(ConnectionFrameTest, RS232ConnectWaitsUnderTheBusyCursorAndIgnoresASecondPress)
{
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    ports.Set({{2, pty.masterSide()}});
    SimProcess sim;
    ASSERT_TRUE(sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 9600, 1))
        << sim.errorOutput().toStdString();
    frame.show();
    Click("rbRs232");
    frame.ConnPars()->RefreshComPorts();
    frame.ConnPars()->SelectComPort(2);
    frame.ConnPars()->SetSlaveAddress(5); // not used on RS232

    // While the transmitter starts up the window stays alive: look at the cursor and press again.
    int looks = 0;
    int busyLooks = 0;
    QTimer during;
    during.setInterval(200);
    QObject::connect(&during, &QTimer::timeout, [&] {
        ++looks;
        const QCursor *c = QApplication::overrideCursor();
        busyLooks += c && c->shape() == Qt::WaitCursor;
        if (looks == 3)
            Click("bConnDisconn");
    });
    during.start();
    clock.restart();
    Click("bConnDisconn");
    const qint64 took = clock.elapsed();
    during.stop();

    EXPECT_TRUE(messages.isEmpty()) << messages.value(0).request.Text.toStdString();
    ASSERT_TRUE(frame.Connected()) << frame.Device().LastError.toStdString();
    EXPECT_GE(took, 4000);
    EXPECT_GE(looks, 3);
    EXPECT_EQ(busyLooks, looks) << "the hourglass the whole time";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "and the normal cursor afterwards";
    EXPECT_EQ(host.updates, 1) << "the second press did nothing";
    EXPECT_EQ(frame.Device().Modbus.SlaveAddress, 1);
    EXPECT_EQ(frame.Device().SensType.GetKind(), 49);
}

TEST_F(ConnectionFrameTest, WrongIPIsReportedAndNothingIsAttempted)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json")));
    ASSERT_TRUE(ShowActive(frame));
    sim.control(QStringLiteral("log clear"));
    // The IP edit holds only well-formed addresses; a text from elsewhere (the
    // command line, a stored setting read past the edit) can still be wrong.
    for (const char *ip : {"192.168.1.300", "127.0.0", "127.0.0.1 x"}) {
        SCOPED_TRACE(ip);
        messages.clear();
        TConnectionParams p = frame.ConnPars()->ConnectionParams();
        p.IP = QString::fromLatin1(ip);
        p.TcpPort = sim.tcpPort();
        Child<QWidget>("rbRs232")->setFocus();
        frame.Connect(p);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0].request.Form, TDialogRequest::TForm::Standard);
        EXPECT_EQ(messages[0].request.Kind, TMsgKind::Warning);
        EXPECT_EQ(messages[0].request.Text, QStringLiteral("Wrong IP address."));
        EXPECT_TRUE(messages[0].cursorRestored);
        EXPECT_TRUE(frame.ConnPars()->IPEdit()->Focused()) << "the focus is on the IP edit";
        EXPECT_FALSE(frame.Connected());
    }
    EXPECT_EQ(host.updates, 0) << "no refresh of the main window";
    EXPECT_EQ(sim.log(), QStringList()) << "no request was sent";
}

TEST_F(ConnectionFrameTest, FailedConnectsShowTheOneMessageAndTheNextAttemptWorks)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json")));
    PointAt(sim);
    frame.ConnPars()->SetTimeout(3000);
    struct Case {
        const char *name;
        const char *control; // put to the simulator first; empty: nothing
        int tcpPort;         // 0: the simulator's
    };
    const Case cases[] = {
        {"device gone quiet", "offline on", 0},
        {"connection refused", "offline off", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        host.updates = 0;
        if (*c.control) {
            ASSERT_TRUE(sim.control(QString::fromLatin1(c.control)).startsWith(QLatin1String("ok")));
        }
        frame.ConnPars()->SetTcpPort(c.tcpPort ? c.tcpPort : sim.tcpPort());
        frame.Device().StartAfterConnect = true;
        clock.restart();
        Click("bConnDisconn");
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0].request.Kind, TMsgKind::Information);
        EXPECT_EQ(messages[0].request.Text, UnableToConnect);
        EXPECT_LE(messages[0].atMs, frame.ConnPars()->GetTimeout() + 1000)
            << "within the time-out plus a second";
        EXPECT_TRUE(messages[0].cursorRestored) << "the normal cursor is back before the message";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(frame.Connected());
        EXPECT_FALSE(frame.Device().Modbus.IsOpen());
        EXPECT_EQ(host.updates, 1) << "the main window is refreshed after a failure too";
        EXPECT_EQ(host.autoStarts, 0) << "a failed connect never starts measuring";
        EXPECT_FALSE(frame.Device().StartAfterConnect) << "and clears the request";
    }

    messages.clear();
    frame.ConnPars()->SetTcpPort(sim.tcpPort());
    frame.Device().StartAfterConnect = true;
    Click("bConnDisconn");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(frame.Connected()) << frame.Device().LastError.toStdString();
    EXPECT_EQ(host.autoStarts, 1) << "the command line's start follows a good connect";
    EXPECT_FALSE(frame.Device().StartAfterConnect);
}

TEST_F(ConnectionFrameTest, NoComPortSelectedIsTheConnectionMessage)
{
    frame.SetProtocolByName(QStringLiteral("RS485"));
    frame.Connect(frame.ConnPars()->ConnectionParams()); // the button itself is disabled then
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].request.Text, UnableToConnect);
    EXPECT_EQ(frame.Device().LastError, QStringLiteral("COM port not selected."));
    EXPECT_FALSE(frame.Connected());
}

TEST_F(ConnectionFrameTest, DisconnectFromADeviceThatIsGoneSaysNothing)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json")));
    PointAt(sim);
    Click("bConnDisconn");
    ASSERT_TRUE(frame.Connected());
    sim.stop();
    Click("bConnDisconn");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_FALSE(frame.Connected());
    EXPECT_FALSE(frame.Device().Modbus.IsOpen());
    EXPECT_EQ(host.updates, 2);
}
