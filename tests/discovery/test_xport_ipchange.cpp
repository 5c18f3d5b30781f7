#include "discovery/uXPortIPChange.h"
#include "discovery/uXPortSearch.h"

#include "support_xport_net.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

TEST(XPortIPChange, MacTailAndDatagram)
{
    struct Case {
        const char *mac, *tail;
    };
    const Case cases[] = {
        {"00-0a-1b-2c-3d-4e", "3D4E"},
        {"00-0A-1B-2C-3D-4E", "3D4E"},
        {"00:0A:1B:2C:3D:4E", "0000"},
        {"00-0A-1B-2C-3D", "0000"},
        {"", "0000"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TXPortIPChange::MacTail(QString::fromLatin1(c.mac)), QString::fromLatin1(c.tail)) << c.mac;

    EXPECT_EQ(
        TXPortIPChange::SetupDatagram(QStringLiteral("00-0A-1B-2C-3D-4E"), QStringLiteral("192.168.1.5")),
        QByteArray::fromHex("000000FC49502D534554555000003D4EC0A80105"));
    EXPECT_EQ(TXPortIPChange::SetupDatagram(QStringLiteral("00-0A-1B-2C-3D-4E"), QStringLiteral("0.0.0.0")),
              QByteArray::fromHex("000000FC49502D534554555000003D4E00000000"));
}

TEST(XPortIPChange, MessagesAndTheirReplacements)
{
    TXPortIPChange change;
    EXPECT_FALSE(change.ArpMode);
    EXPECT_FALSE(change.AllAdapters);
    const QStringList defaults{change.MsgArpDone,  change.MsgRequestSent, change.MsgChangeError,
                               change.MsgIpSyntax, change.MsgIpExists,    change.MsgMacSyntax};
    EXPECT_EQ(defaults,
              (QStringList{
                  QStringLiteral("IP address was temporarily assigned to MAC\r\nTo make IP change permanent "
                                 "you must change IP adress in device setup!"),
                  QStringLiteral("Request of IP address change was successfully sent."),
                  QStringLiteral("IP address change error."),
                  QStringLiteral("IP address syntax error.\r\nWrite correct IP address, please."),
                  QStringLiteral("Selected IP address already exists."),
                  QStringLiteral("MAC address syntax error.")}));

    change.SetMessages({});
    EXPECT_EQ(change.MsgArpDone, defaults[0]);
    EXPECT_EQ(change.MsgMacSyntax, defaults[5]);
    change.SetMessages({QStringLiteral("a"), {}, QStringLiteral("c"), {}, {}, QStringLiteral("f")});
    EXPECT_EQ((QStringList{change.MsgArpDone, change.MsgRequestSent, change.MsgChangeError,
                           change.MsgIpSyntax, change.MsgIpExists, change.MsgMacSyntax}),
              (QStringList{QStringLiteral("a"), defaults[1], QStringLiteral("c"), defaults[3], defaults[4],
                           QStringLiteral("f")}));
}

// The pc's two adapters with a capture on each field-side end and on the pc's a0.
class IPChangeNet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_NAMESPACES();
        ASSERT_TRUE(net.ok()) << net.error().toStdString();
        ASSERT_TRUE(onF0.open(net.field, QStringLiteral("f0")));
        ASSERT_TRUE(onF1.open(net.field, QStringLiteral("f1")));
        ASSERT_TRUE(onA0.open(net.pc, QStringLiteral("a0")));
    }

    struct Outcome {
        bool success = false;
        int code = -1;
        QString message;
    };

    Outcome Change(TXPortIPChange &change, const QString &mac, const QString &address, const QString &local)
    {
        Outcome o;
        net.pc.inside([&] { o.success = change.ChangeIP(mac, address, o.code, o.message, local); });
        return o;
    }

    // The IP-SETUP datagrams that arrived on a field-side end.
    static QList<QByteArray> Setups(PacketCapture &capture)
    {
        QList<QByteArray> list;
        for (const CapturedFrame &f : capture.frames()) {
            if (f.protocol == 17 && f.dstPort == 30718)
                list.append(f.payload);
        }
        return list;
    }

    static int Count(const QList<CapturedFrame> &frames, int protocol)
    {
        int n = 0;
        for (const CapturedFrame &f : frames)
            n += f.protocol == protocol ? 1 : 0;
        return n;
    }

    XPortNet net;
    PacketCapture onF0, onF1, onA0;
};

TEST_F(IPChangeNet, BroadcastChecksInTheirOrder)
{
    const QByteArray example = QByteArray::fromHex("000000FC49502D534554555000003D4EC0A80105");
    const QByteArray dhcp = QByteArray::fromHex("000000FC49502D534554555000003D4E00000000");
    const QByteArray onLink = QByteArray::fromHex("000000FC49502D534554555000003D4E0A3D0032");
    struct Case {
        const char *mac, *address, *local;
        bool allAdapters;
        int code;
        const char *message; // which one
        int asked;           // whether a0 carried an echo request or ARP request for the address
        QList<QByteArray> f0, f1;
    };
    const Case cases[] = {
        {"00:0A:1B:2C:3D:4E", "10.61.0.50", "10.61.0.1", false, 1, "mac", 0, {}, {}},
        {"00-0A-1B-2C-3D-4E", "10.61.0.300", "10.61.0.1", false, 1, "ip", 0, {}, {}},
        {"00-0a-1b-2c-3d-4e", "0.0.0.0", "10.61.0.1", false, 2, "sent", 0, {dhcp}, {}},
        {"00-0A-1B-2C-3D-4E", "192.168.1.5", "10.62.0.1", false, 2, "sent", 0, {}, {example}},
        {"00-0A-1B-2C-3D-4E", "192.168.1.5", "", true, 2, "sent", 0, {example}, {example}},
        {"00-0A-1B-2C-3D-4E", "10.61.0.50", "10.61.0.1", false, 2, "sent", 1, {onLink}, {}},
        // Without an adapter address and without a default route the broadcast cannot leave.
        {"00-0A-1B-2C-3D-4E", "192.168.1.5", "", false, 1, "error", 0, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mac << " " << c.address << " " << c.local);
        TXPortIPChange change;
        change.AllAdapters = c.allAdapters;
        const Outcome o = Change(change, QString::fromLatin1(c.mac), QString::fromLatin1(c.address),
                                 QString::fromLatin1(c.local));
        const QString which = QString::fromLatin1(c.message);
        const QString expected = which == QLatin1String("mac")    ? change.MsgMacSyntax
                                 : which == QLatin1String("ip")   ? change.MsgIpSyntax
                                 : which == QLatin1String("sent") ? change.MsgRequestSent
                                                                  : change.MsgChangeError;
        EXPECT_EQ(o.code, c.code);
        EXPECT_EQ(o.success, c.code == 2);
        EXPECT_EQ(o.message, expected);
        EXPECT_EQ(Setups(onF0), c.f0);
        EXPECT_EQ(Setups(onF1), c.f1);
        int asked = 0;
        for (const CapturedFrame &f : onA0.frames()) {
            if (f.outgoing && (f.protocol == 1 || f.arpTarget == QLatin1String(c.address)))
                asked = 1;
        }
        EXPECT_EQ(asked, c.asked) << "a refused MAC is not pinged; only an on-link address is reached";
    }
}

TEST_F(IPChangeNet, AddressThatAnswersIsRefusedBeforeAnythingIsSent)
{
    ASSERT_TRUE(net.field.ip({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.61.0.20/24"),
                              QStringLiteral("dev"), QStringLiteral("f0")}));
    for (bool arp : {false, true}) {
        SCOPED_TRACE(arp);
        TXPortIPChange change;
        change.ArpMode = arp;
        const Outcome o = Change(change, QStringLiteral("00-0A-1B-2C-3D-4E"), QStringLiteral("10.61.0.20"),
                                 QStringLiteral("10.61.0.1"));
        EXPECT_EQ(o.code, 1);
        EXPECT_FALSE(o.success);
        EXPECT_EQ(o.message, change.MsgIpExists);
        const QList<CapturedFrame> seen = onF0.frames();
        EXPECT_GE(Count(seen, 1), 1) << "the echo request reached the address";
        EXPECT_EQ(Count(seen, 17), 0);
        EXPECT_EQ(Count(seen, 6), 0);
    }
}

QString Neighbour(NetNamespace &ns, const QString &address)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"),
             {QStringLiteral("-n"), ns.name(), QStringLiteral("neigh"), QStringLiteral("show"), address,
              QStringLiteral("dev"), QStringLiteral("a0")});
    ip.waitForFinished(5000);
    return QString::fromLatin1(ip.readAllStandardOutput()).trimmed();
}

TEST_F(IPChangeNet, ArpMethodWritesTheEntryAndTriesTheConnection)
{
    TXPortIPChange change;
    change.ArpMode = true;
    change.ConnectTimeoutMs = 300;
    const Outcome o = Change(change, QStringLiteral("02-00-5E-61-77-01"), QStringLiteral("10.61.0.77"),
                             QStringLiteral("10.61.0.1"));
    EXPECT_EQ(o.code, 0);
    EXPECT_TRUE(o.success);
    EXPECT_EQ(o.message, change.MsgArpDone);
    EXPECT_EQ(Neighbour(net.pc, QStringLiteral("10.61.0.77")),
              QStringLiteral("10.61.0.77 lladdr 02:00:5e:61:77:01 PERMANENT"));
    int syns = 0;
    for (const CapturedFrame &f : onA0.frames()) {
        if (f.outgoing && f.protocol == 6 && f.dst == QLatin1String("10.61.0.77") && f.dstPort == 1 &&
            (f.tcpFlags & 0x02)) {
            ++syns;
            EXPECT_EQ(f.dstMac.toHex(), QByteArray("02005e617701")) << "the frame goes to the device's MAC";
        }
    }
    EXPECT_GE(syns, 1);
}

TEST_F(IPChangeNet, ArpMethodWithoutAdministratorRightsReportsTheError)
{
    TXPortIPChange change;
    change.ArpMode = true;
    change.ConnectTimeoutMs = 300;
    Outcome o;
    net.pc.inside([&] {
        // This thread, and every program it starts, loses CAP_NET_ADMIN for good (the
        // bounding set), as an ordinary user has it not; the thread ends afterwards.
        ASSERT_EQ(prctl(PR_CAPBSET_DROP, CAP_NET_ADMIN, 0, 0, 0), 0);
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        ASSERT_EQ(syscall(SYS_capget, &header, data), 0);
        data[CAP_NET_ADMIN / 32].effective &= ~(1u << (CAP_NET_ADMIN % 32));
        data[CAP_NET_ADMIN / 32].permitted &= ~(1u << (CAP_NET_ADMIN % 32));
        data[CAP_NET_ADMIN / 32].inheritable &= ~(1u << (CAP_NET_ADMIN % 32));
        ASSERT_EQ(syscall(SYS_capset, &header, data), 0);
        o.success = change.ChangeIP(QStringLiteral("02-00-5E-61-77-02"), QStringLiteral("10.61.0.78"), o.code,
                                    o.message, QStringLiteral("10.61.0.1"));
    });
    EXPECT_EQ(o.code, 1);
    EXPECT_FALSE(o.success);
    EXPECT_TRUE(o.message.startsWith(change.MsgChangeError)) << o.message.toStdString();
    EXPECT_TRUE(o.message.contains(QStringLiteral("administrator rights"))) << o.message.toStdString();
    EXPECT_NE(o.message, change.MsgArpDone);
    EXPECT_FALSE(Neighbour(net.pc, QStringLiteral("10.61.0.78")).contains(QStringLiteral("lladdr")))
        << "the ping may leave a failed entry, but no address";
    for (const CapturedFrame &f : onA0.frames())
        EXPECT_FALSE(f.protocol == 6 && f.dst == QLatin1String("10.61.0.78")) << "no connection attempt";
}

TEST_F(IPChangeNet, DeviceMovesToTheNewAddressAndASearchFindsItThere)
{
    NsSim *device = net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.10"),
                                  {{QStringLiteral("mac"), QStringLiteral("00-20-4A-61-3D-4E")}});
    ASSERT_TRUE(device);
    TXPortIPChange change;
    const Outcome o = Change(change, QStringLiteral("00-20-4A-61-3D-4E"), QStringLiteral("10.61.0.40"),
                             QStringLiteral("10.61.0.1"));
    ASSERT_EQ(o.code, 2) << o.message.toStdString();

    QDeadlineTimer deadline(5000);
    while (device->control(QStringLiteral("get xport.ip")) != QLatin1String("ok 10.61.0.40") &&
           !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_EQ(device->control(QStringLiteral("get xport.ip")), QStringLiteral("ok 10.61.0.40"));

    TXportSearch search;
    net.pc.inside([&] { search.SearchAll(); });
    ASSERT_EQ(search.Count(), 1);
    EXPECT_EQ(search.Item(0).IP, QStringLiteral("10.61.0.40"));
    EXPECT_EQ(search.Item(0).MAC, QStringLiteral("00-20-4A-61-3D-4E"));
    EXPECT_EQ(search.Item(0).Firmware, QStringLiteral("1-4-4.01"))
        << "the info query reached it at its new address";
}

} // namespace
