// The connection parameters frame: its controls, the COM port and speed lists,
// the panels per protocol and the accessors. Serial ports are ptys mapped through
// OMBRIX_COM_PORTS; the machine's own ports never show.
#include "connection/uOBfrConnPars.h"

#include "PtyPair.h"
#include "discovery/IPEdit.h"
#include "test_ui_rig.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QThread>

#include <gtest/gtest.h>

namespace
{

template <typename W> W *Child(const QWidget &frame, const char *name)
{
    W *w = frame.findChild<W *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QStringList Items(const QComboBox &box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

// Another program holding a port: flock on the device for as long as it lives. It waits for the
// lock rather than giving up (-n), because the probe that checks for it takes the same lock for
// a moment and a holder that met it would otherwise quit at once.
class PortHolder
{
public:
    explicit PortHolder(const QString &device)
    {
        m_proc.start(QStringLiteral("flock"),
                     {QStringLiteral("-w"), QStringLiteral("10"), QStringLiteral("-F"), device,
                      QStringLiteral("sleep"), QStringLiteral("30")});
    }
    ~PortHolder()
    {
        m_proc.kill();
        m_proc.waitForFinished(3000);
    }
    // Waits (bounded) until the port reads as busy.
    bool Holds(int number)
    {
        if (!m_proc.waitForStarted(3000))
            return false;
        for (int i = 0; i < 250; ++i) {
            if (ComPorts::Probe(number) == ComPorts::PortState::Busy)
                return true;
            QThread::msleep(20);
        }
        return false;
    }

private:
    QProcess m_proc;
};

} // namespace

TEST(ConnPars, ControlsCarryTheirNamesCaptionsAndRanges)
{
    TComPortsOnly ports;
    TOBfrConnPars f;
    const struct {
        const char *name;
        const char *caption;
    } labels[] = {{"lComPort", "COM Port:"}, {"lSpeed", "Communication speed:"},
                  {"lAddress", "Address:"},  {"lIP", "IP address:"},
                  {"lPort", "Port:"},        {"ltimeout", "Limit for connection search:"},
                  {"lTimeoutUnit", "ms"}};
    for (const auto &l : labels) {
        if (QLabel *label = Child<QLabel>(f, l.name)) {
            EXPECT_EQ(label->text(), QString::fromUtf8(l.caption));
        }
    }
    const struct {
        const char *name;
        int min, max, value;
    } numbers[] = {
        {"neSlaveAddress", 1, 255, 1}, {"neTcpPort", 0, 65535, 502}, {"neTimeout", 0, 65535, 3000}};
    for (const auto &n : numbers) {
        if (QSpinBox *edit = Child<QSpinBox>(f, n.name)) {
            EXPECT_EQ(edit->minimum(), n.min) << n.name;
            EXPECT_EQ(edit->maximum(), n.max) << n.name;
            EXPECT_EQ(edit->value(), n.value) << n.name;
        }
    }
    if (QPushButton *find = Child<QPushButton>(f, "bFindDevice")) {
        EXPECT_EQ(find->text(), QStringLiteral("Find"));
    }
    Child<QFrame>(f, "pRs232_485");
    Child<QFrame>(f, "pEthernet");
    Child<QComboBox>(f, "cbCOMPort");
    Child<QComboBox>(f, "cbSpeed");
    EXPECT_EQ(Child<TIPEdit>(f, "eIP"), f.IPEdit());
    EXPECT_EQ(f.GetIP(), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(f.GetTcpPort(), 502);
    EXPECT_EQ(f.GetTimeout(), 3000);
}

TEST(ConnPars, OnlyPresentPortsAreListedAndABusyOneToo)
{
    PtyPair one, three;
    ASSERT_TRUE(one.open());
    ASSERT_TRUE(three.open());
    TComPortsOnly ports({{1, one.masterSide()}, {3, three.masterSide()}});
    PortHolder holder(three.masterSide());
    ASSERT_TRUE(holder.Holds(3)) << "another program holds COM3";

    TOBfrConnPars f;
    const QComboBox *list = Child<QComboBox>(f, "cbCOMPort");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Items(*list), (QStringList{QStringLiteral("None"), QStringLiteral("COM1 (master)"),
                                         QStringLiteral("COM3 (master)")}));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(f.GetComPortNumber(), -1);

    const struct {
        int select, index, number;
    } cases[] = {{3, 2, 3}, {2, 0, -1}, {1, 1, 1}, {-1, 0, -1}, {0, 0, -1}, {300, 0, -1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.select);
        f.SelectComPort(c.select);
        EXPECT_EQ(list->currentIndex(), c.index);
        EXPECT_EQ(f.GetComPortNumber(), c.number);
    }
}

TEST(ConnPars, ItemTextsGiveTheirPortNumber)
{
    const struct {
        const char *text;
        int number;
    } cases[] = {{"COM12", 12},   {"COM1 (master)", 1}, {"COM33 (ttyUSB0)", 33},
                 {"COM255", 255}, {"COM1234", 123},     {"None", -1},
                 {"COM", -1},     {"COMx", -1},         {"com5", -1},
                 {"", -1},        {" COM5", -1}};
    for (const auto &c : cases)
        EXPECT_EQ(TOBfrConnPars::ComPortNumberOfItem(QString::fromUtf8(c.text)), c.number) << c.text;
}

TEST(ConnPars, OpeningTheListAgainShowsPortsThatCameAndWent)
{
    PtyPair one, twelve;
    ASSERT_TRUE(one.open());
    ASSERT_TRUE(twelve.open());
    TComPortsOnly ports({{1, one.masterSide()}});
    TOBfrConnPars f;
    auto *list = Child<QComboBox>(f, "cbCOMPort");
    ASSERT_NE(list, nullptr);
    f.SelectComPort(1);
    QSignalSpy changed(&f, &TOBfrConnPars::ComPortChanged);

    ports.Set({{1, one.masterSide()}, {12, twelve.masterSide()}}); // an adapter plugged in
    EXPECT_EQ(list->count(), 2) << "nothing probes before the list is opened";
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(Items(*list), (QStringList{QStringLiteral("None"), QStringLiteral("COM1 (master)"),
                                         QStringLiteral("COM12 (master)")}));
    EXPECT_EQ(f.GetComPortNumber(), 1) << "the selection is kept";
    EXPECT_EQ(changed.count(), 0);
    f.SelectComPort(12);
    EXPECT_EQ(f.GetComPortNumber(), 12);
    EXPECT_EQ(changed.count(), 1);

    ports.Set({{1, one.masterSide()}}); // and pulled out again
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(Items(*list), (QStringList{QStringLiteral("None"), QStringLiteral("COM1 (master)")}));
    EXPECT_EQ(f.GetComPortNumber(), -1) << "a port that is gone cannot stay selected";
    EXPECT_EQ(changed.count(), 2) << "and the connection frame hears of it";
}

TEST(ConnPars, SpeedListAndSelection)
{
    TComPortsOnly ports;
    TOBfrConnPars f;
    const QComboBox *speeds = Child<QComboBox>(f, "cbSpeed");
    ASSERT_NE(speeds, nullptr);
    EXPECT_EQ(Items(*speeds), (QStringList{QStringLiteral("110 bauds"), QStringLiteral("300 bauds"),
                                           QStringLiteral("600 bauds"), QStringLiteral("1200 bauds"),
                                           QStringLiteral("2400 bauds"), QStringLiteral("4800 bauds"),
                                           QStringLiteral("9600 bauds"), QStringLiteral("14400 bauds"),
                                           QStringLiteral("19200 bauds"), QStringLiteral("38400 bauds"),
                                           QStringLiteral("56000 bauds"), QStringLiteral("57600 bauds"),
                                           QStringLiteral("115200 bauds")}));
    EXPECT_EQ(speeds->currentIndex(), 6);
    EXPECT_EQ(f.GetSpeed(), 9600);
    const struct {
        int rate, index, speed;
    } cases[] = {{19200, 8, 19200}, {1000, 0, 110}, {115200, 12, 115200}, {0, 0, 110}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rate);
        f.SelectSpeed(c.rate);
        EXPECT_EQ(speeds->currentIndex(), c.index);
        EXPECT_EQ(f.GetSpeed(), c.speed);
    }
}

TEST(ConnPars, PanelsAndSlaveAddressFollowTheProtocol)
{
    TComPortsOnly ports;
    TOBfrConnPars f;
    f.SetSlaveAddress(17);
    const struct {
        TProtocol protocol;
        bool ethernet, serial, address;
        int slave;
    } cases[] = {{TProtocol::RS485, false, true, true, 17},
                 {TProtocol::RS232, false, true, false, 1},
                 {TProtocol::Ethernet, true, false, false, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(ChoiceIndex(c.protocol));
        f.SetProtocol(c.protocol);
        EXPECT_EQ(f.Protocol(), c.protocol);
        EXPECT_EQ(Child<QWidget>(f, "pEthernet")->isVisibleTo(&f), c.ethernet);
        EXPECT_EQ(Child<QWidget>(f, "pRs232_485")->isVisibleTo(&f), c.serial);
        EXPECT_EQ(Child<QWidget>(f, "lAddress")->isVisibleTo(&f), c.address);
        EXPECT_EQ(Child<QWidget>(f, "neSlaveAddress")->isVisibleTo(&f), c.address);
        EXPECT_EQ(f.GetSlaveAddress(), c.slave);
        EXPECT_EQ(f.ConnectionParams().GetSlaveAddress(), c.slave);
    }
}

TEST(ConnPars, AccessorsAndTheParametersOfAConnect)
{
    PtyPair seven;
    ASSERT_TRUE(seven.open());
    TComPortsOnly ports({{7, seven.masterSide()}});
    TOBfrConnPars f;
    f.SetProtocol(TProtocol::RS485);
    f.SetIP(QStringLiteral("192.168.1.300"));
    EXPECT_EQ(f.GetIP(), QStringLiteral("192.168.1.0")) << "the edit holds only well-formed addresses";
    f.SetIP(QStringLiteral("10.0.0.7"));
    f.SetTcpPort(1502);
    f.SetTimeout(250);
    f.SelectComPort(7);
    f.SelectSpeed(19200);
    f.SetSlaveAddress(42);
    EXPECT_EQ(f.GetIP(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(f.GetTcpPort(), 1502);
    EXPECT_EQ(f.GetTimeout(), 250);
    EXPECT_EQ(f.GetSlaveAddress(), 42);
    const TConnectionParams p = f.ConnectionParams();
    EXPECT_EQ(p.Protocol, TProtocol::RS485);
    EXPECT_EQ(p.IP, QStringLiteral("10.0.0.7"));
    EXPECT_EQ(p.TcpPort, 1502);
    EXPECT_EQ(p.Timeout, 250);
    EXPECT_EQ(p.ComPortNumber, 7);
    EXPECT_EQ(p.Speed, 19200);
    EXPECT_EQ(p.SlaveAddress, 42);
}

TEST(ConnPars, SetControlsEnabledCoversEveryLabelAndInput)
{
    TComPortsOnly ports;
    TOBfrConnPars f;
    const char *names[] = {"lIP",      "eIP",       "bFindDevice",   "lPort",     "neTcpPort",
                           "ltimeout", "neTimeout", "lComPort",      "cbCOMPort", "lSpeed",
                           "cbSpeed",  "lAddress",  "neSlaveAddress"};
    for (bool enabled : {false, true}) {
        f.SetControlsEnabled(enabled);
        for (const char *name : names)
            EXPECT_EQ(Child<QWidget>(f, name)->isEnabled(), enabled) << name;
    }
}

TEST(ConnPars, FindTakesTheChosenAddressAndCancelLeavesTheEditAlone)
{
    TComPortsOnly ports;
    TOBfrConnPars f;
    f.SetIP(QStringLiteral("1.2.3.4"));
    QPushButton *find = Child<QPushButton>(f, "bFindDevice");
    ASSERT_NE(find, nullptr);
    find->click();
    EXPECT_EQ(f.GetIP(), QStringLiteral("1.2.3.4")) << "no search window yet: nothing happens";

    int opened = 0;
    std::optional<QString> answer;
    f.SetFindDeviceHandler([&] {
        ++opened;
        return answer;
    });
    find->click();
    EXPECT_EQ(f.GetIP(), QStringLiteral("1.2.3.4")) << "cancelled";
    answer = QStringLiteral("10.1.2.3");
    find->click();
    EXPECT_EQ(f.GetIP(), QStringLiteral("10.1.2.3"));
    EXPECT_EQ(opened, 2);
}
