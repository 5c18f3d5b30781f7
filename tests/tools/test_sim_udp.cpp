// The simulator's XPort UDP service, queried with a few lines of Python's socket module.
#include "SimProcess.h"
#include "ToolClients.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ToolClients;

namespace
{

QString recordRequest(int n)
{
    return QStringLiteral("000100E") + QString::number(n, 16).toUpper();
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

TEST(XPortUdp, EveryRecordHasItsHeaderAndLength)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json"))) << sim.errorOutput().toStdString();
    QStringList requests;
    for (int n = 0; n <= 15; ++n)
        requests << recordRequest(n);
    const auto replies = udp(sim.udpPort(), requests);
    ASSERT_EQ(replies.size(), 16);
    for (int n = 0; n <= 15; ++n) {
        ASSERT_TRUE(replies[n].answered) << n;
        EXPECT_EQ(replies[n].bytes.size(), n == 0 ? 124 : 130) << n;
        EXPECT_EQ(replies[n].bytes.left(3), hex("000000")) << n;
        EXPECT_EQ(quint8(replies[n].bytes[3]), 0xD0 + n) << n;
    }
}

TEST(XPortUdp, DiscoveryInfoAndDescriptionReplies)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json"))) << sim.errorOutput().toStdString();
    const auto r = udp(sim.udpPort(), {QStringLiteral("000000F6"), QStringLiteral("000000E4"),
                                       QStringLiteral("000000E6"), recordRequest(4)});
    ASSERT_EQ(r.size(), 4);
    ASSERT_TRUE(r[0].answered && r[1].answered && r[2].answered && r[3].answered);

    EXPECT_EQ(r[0].bytes.size(), 30);
    EXPECT_EQ(r[0].bytes.mid(24), hex("00204A8C1122"));

    const QByteArray &info = r[1].bytes;
    ASSERT_EQ(info.size(), 130);
    EXPECT_EQ(quint8(info[82]), 1); // family code = XPort device type
    EXPECT_EQ(quint8(info[83]), 4); // firmware 4-4-1
    EXPECT_EQ(quint8(info[84]), 4);
    EXPECT_EQ(quint8(info[85]), 1);
    EXPECT_EQ(quint8(info[86]), 35); // type code
    const QByteArray description("Farvo CO2 transmitter, lab 2");
    EXPECT_EQ(info.mid(4, description.size() + 1), description + '\0');
    // identification reads the same five bytes from record 4
    EXPECT_EQ(r[3].bytes.mid(81, 6), info.mid(81, 6));

    ASSERT_EQ(r[2].bytes.size(), 130);
    EXPECT_EQ(r[2].bytes.mid(36, description.size() + 1), description + '\0');
}

TEST(XPortUdp, SerialNumberBytes)
{
    struct Case {
        const char *scenario;
        int offset; // datagram offset of the first serial byte: record byte + 4
        const char *serial;
    };
    const Case cases[] = {
        {"farvo-xport441-co2-io.json", 4 + 85, "20240117"},
        {"gelmi-530-4ch-fahrenheit.json", 4 + 85, "53000042"},
    };
    for (const auto &c : cases) {
        SimProcess sim;
        ASSERT_TRUE(sim.start(QString::fromLatin1(c.scenario))) << sim.errorOutput().toStdString();
        const auto rec2 = udpOne(sim.udpPort(), recordRequest(2));
        ASSERT_TRUE(rec2);
        EXPECT_EQ(rec2->mid(c.offset, 4), hex(c.serial)) << c.scenario;
    }
}

TEST(XPortUdp, GelmiChannelConfiguration)
{
    struct Case {
        const char *scenario;
        int fiveMarker, unitBits, presentNew, presentOld;
        const char *unitBytes, *probes;
    };
    const Case cases[] = {
        // five channels, firmware 5.5.1: °C, %, °C, °F, °C; channel 2 a humidity probe
        {"gelmi-5ch-551.json", 0xEE, 0x00, 0x1F, 0x0F, "0200020102", "0102010101"},
        // four channels in °F, firmware 5.3.0: unit bit 1 clear, presence in record 5
        {"gelmi-530-4ch-fahrenheit.json", 0x00, 0x00, 0x0F, 0x0F, "0101010102", "0101010100"},
    };
    for (const auto &c : cases) {
        SimProcess sim;
        ASSERT_TRUE(sim.start(QString::fromLatin1(c.scenario))) << sim.errorOutput().toStdString();
        const auto r = udp(sim.udpPort(), {recordRequest(1), recordRequest(4), recordRequest(5)});
        ASSERT_EQ(r.size(), 3);
        const QByteArray rec1 = r[0].bytes.mid(4), rec4 = r[1].bytes.mid(4), rec5 = r[2].bytes.mid(4);
        ASSERT_EQ(rec1.size(), 126);
        EXPECT_EQ(quint8(rec4[77]), c.fiveMarker) << c.scenario;
        EXPECT_EQ(quint8(rec4[78]), 4) << c.scenario;
        EXPECT_EQ(quint8(rec4[68]) & 0x02, c.unitBits) << c.scenario;
        EXPECT_EQ(quint8(rec1[5]), c.presentNew) << c.scenario;
        EXPECT_EQ(quint8(rec5[125]), c.presentOld) << c.scenario;
        EXPECT_EQ(rec1.left(5).toHex(), QByteArray(c.unitBytes)) << c.scenario;
        EXPECT_EQ(rec1.mid(81, 5).toHex(), QByteArray(c.probes)) << c.scenario;
    }
}

TEST(XPortUdp, DuskoNamesUnitsAndDecimals)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("dusko-two-named.json"))) << sim.errorOutput().toStdString();
    const auto rec1 = udpOne(sim.udpPort(), recordRequest(1));
    ASSERT_TRUE(rec1);
    const QByteArray d = rec1->mid(4);
    EXPECT_EQ(quint8(d[0]), 0x03);
    EXPECT_EQ(d.mid(1, 17), QByteArray("Duct temperature") + '\0');
    EXPECT_EQ(d.mid(21, 15), QByteArray("Diff. pressure") + '\0');
    EXPECT_EQ(d.mid(41, 3), hex("B04300")); // "°C" in the device's single-byte code page
    EXPECT_EQ(d.mid(49, 3), QByteArray("Pa") + '\0');
    EXPECT_EQ(quint8(d[97]), 1);
    EXPECT_EQ(quint8(d[99]), 0);
}

TEST(XPortUdp, UnknownRequestsGetNoAnswer)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json"))) << sim.errorOutput().toStdString();
    const QStringList requests{QStringLiteral("00000099"),   QStringLiteral("000100F0"),
                               QStringLiteral("000200E4"),   QStringLiteral("000100"),
                               QStringLiteral("000100E400"), QStringLiteral("000000F600")};
    const auto r = udp(sim.udpPort(), requests, 0.15);
    ASSERT_EQ(r.size(), requests.size());
    for (int i = 0; i < r.size(); ++i)
        EXPECT_FALSE(r[i].answered) << requests[i].toStdString();
    // and the service still answers a proper query afterwards
    EXPECT_TRUE(udpOne(sim.udpPort(), recordRequest(4)));
}

TEST(XPortUdp, IpSetupChangesTheAddressOnlyForItsMac)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json"))) << sim.errorOutput().toStdString();
    struct Case {
        const char *datagram, *expectedIp;
    };
    // MAC 00-20-4A-90-00-05: the tail is 00 05
    const Case cases[] = {
        {"000000FC49502D5345545550000000FFC0A80105", "192.168.1.60"}, // another device's tail
        {"000000FC49502D53455455500000"
         "0005"
         "C0A80105",
         "192.168.1.5"},
        {"000000FC49502D53455455500000"
         "0005"
         "00000000",
         "0.0.0.0"}, // DHCP
        {"000000FC49502D53455455500000"
         "0005"
         "C0A801",
         "0.0.0.0"}, // too short: ignored
    };
    for (const auto &c : cases) {
        const auto r = udp(sim.udpPort(), {QStringLiteral("send:") + QLatin1String(c.datagram)});
        ASSERT_EQ(r.size(), 1);
        EXPECT_EQ(sim.control(QStringLiteral("get xport.ip")),
                  QStringLiteral("ok ") + QLatin1String(c.expectedIp))
            << c.datagram;
    }
    // the address stands in record 0 as well
    ASSERT_TRUE(udp(sim.udpPort(), {QStringLiteral("send:000000FC49502D53455455500000"
                                                   "0005"
                                                   "0A000007")})
                    .size() == 1);
    const auto rec0 = udpOne(sim.udpPort(), recordRequest(0));
    ASSERT_TRUE(rec0);
    EXPECT_EQ(rec0->mid(4, 4), hex("0A000007"));
}

TEST(XPortUdp, DescriptionsRunOnPastTheirFieldAndIgnoredRequestsStayUnanswered)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray seventy = QByteArray("Seventy characters: ").leftJustified(70, 'x');
    const QByteArray sixtyFive = QByteArray("Exactly sixty-five: ").leftJustified(65, 'y');
    const struct {
        QByteArray text, info, described; // datagram bytes 4 to 73 of the info reply, 36 to 105 of the other
    } cases[] = {
        // record 4 holds up to its byte 67, record 6 all of it; no terminator after 65 characters
        {seventy, seventy.left(68) + QByteArray(2, '\0'), seventy},
        {sixtyFive, sixtyFive + QByteArray(5, '\0'), sixtyFive + QByteArray(5, '\0')},
    };
    for (const auto &c : cases) {
        QFile file(dir.filePath(QStringLiteral("d.json")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"({"name": "long", "family": "farvo", "xport": {"description": ")" + c.text + "\"}}");
        file.close();
        SimProcess sim;
        ASSERT_TRUE(sim.start(file.fileName())) << sim.errorOutput().toStdString();
        const auto r = udp(sim.udpPort(), {QStringLiteral("000000E4"), QStringLiteral("000000E6")});
        ASSERT_TRUE(r.size() == 2 && r[0].answered && r[1].answered);
        EXPECT_EQ(r[0].bytes.mid(4, 70), c.info);
        EXPECT_EQ(r[1].bytes.mid(36, 70), c.described);
    }

    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json"))) << sim.errorOutput().toStdString();
    EXPECT_TRUE(
        sim.control(QStringLiteral("fault udpignore E4 e6")).contains(QStringLiteral("udpignore=E4,E6")));
    auto r = udp(sim.udpPort(),
                 {QStringLiteral("000000F6"), QStringLiteral("000000E4"), QStringLiteral("000000E6"),
                  recordRequest(4)},
                 0.2);
    ASSERT_EQ(r.size(), 4);
    EXPECT_TRUE(r[0].answered);
    EXPECT_FALSE(r[1].answered);
    EXPECT_FALSE(r[2].answered);
    EXPECT_TRUE(r[3].answered) << "a record read is not the info query";
    EXPECT_TRUE(sim.control(QStringLiteral("fault udpignore off")).contains(QStringLiteral("udpignore=off")));
    r = udp(sim.udpPort(), {QStringLiteral("000000E4")});
    ASSERT_EQ(r.size(), 1);
    EXPECT_TRUE(r[0].answered);
}

} // namespace
