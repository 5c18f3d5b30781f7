#include "discovery/uXPortSearch.h"

#include "model/uExceptions.h"
#include "support_xport_net.h"

#include <QFile>
#include <QJsonArray>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

namespace
{

// A 130-byte info reply with the given family, firmware and type code bytes.
QByteArray InfoReply(int family, int m, int n, int pp, int type, const QByteArray &description = {},
                     char variant = 0)
{
    QByteArray reply(130, '\0');
    reply[3] = '\xD4';
    reply.replace(4, description.size(), description);
    reply[81] = variant;
    reply[82] = static_cast<char>(family);
    reply[83] = static_cast<char>(m);
    reply[84] = static_cast<char>(n);
    reply[85] = static_cast<char>(pp);
    reply[86] = static_cast<char>(type);
    return reply;
}

QByteArray DescriptionReply(const QByteArray &description)
{
    QByteArray reply(130, '\0');
    reply[3] = '\xD6';
    reply.replace(36, description.size(), description);
    return reply;
}

TEST(XportTypeNames, EveryKeyStandsInExactlyOneRowOfTheTable)
{
    struct Case {
        int family, type;
        const char *key;
    };
    const Case cases[] = {
        {1, 0, "Sensor100"},  {1, 1, "Sensor104"},  {1, 2, "Sensor105"},  {1, 3, "Sensor107"},
        {1, 4, "Sensor102"},  {1, 8, "Sensor101"},  {1, 9, "Sensor103"},  {1, 10, "Sensor106"},
        {1, 11, "Sensor10B"}, {1, 19, "Sensor113"}, {1, 22, "Sensor114"}, {1, 29, "Sensor11B"},
        {1, 31, "Sensor11D"}, {1, 33, "Sensor11F"}, {1, 34, "Sensor122"}, {1, 38, "Sensor126"},
        {1, 5, ""},           {1, 6, ""},           {1, 7, ""},           {1, 20, ""},
        {1, 21, ""},          {1, 30, ""},          {1, 39, ""},          {2, 0, "Lan"},
        {2, 200, "Lan"},      {3, 9, "KW100"},      {4, 5, "Sensor109"},  {4, 6, "Sensor10A"},
        {4, 7, "Sensor108"},  {4, 20, "Sensor120"}, {4, 21, "Sensor121"}, {4, 9, ""},
        {5, 1, "KW101"},      {6, 6, "KW102"},      {6, 5, "KW103"},      {7, 30, "Sensor11C"},
        {7, 31, ""},          {0, 0, ""},           {8, 30, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.family << "/" << c.type);
        EXPECT_EQ(TXportSearch::TypeKey(c.family, c.type), QString::fromLatin1(c.key));
    }

    QSet<QString> reached;
    int rows = 0;
    for (int family = 0; family < 256; ++family) {
        for (int type = 0; type < 256; ++type) {
            const QString key = TXportSearch::TypeKey(family, type);
            if (!key.isEmpty() && !reached.contains(key)) {
                reached.insert(key);
                ++rows;
            }
        }
    }
    const QStringList keys = TXportSearch::TypeNameKeys();
    ASSERT_EQ(keys.size(), TXportSearch::TypeNameCount);
    EXPECT_EQ(reached, QSet<QString>(keys.begin(), keys.end()));
    EXPECT_EQ(rows, 44);
    EXPECT_EQ(TXportSearch::DefaultTypeName(QStringLiteral("Lan")), QStringLiteral("LAN Adapter"));
    for (const QString &key : keys)
        EXPECT_FALSE(TXportSearch::DefaultTypeName(key).isEmpty()) << key.toStdString();
}

TEST(XportTypeNames, GlobalTypesOverridesOnlyTheKeysItHolds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("Ombrix.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[label]\ncompany=Acme\n[globaltypes]\nLAN=\nsensor103 = Acme HP 140 \nKW102=Acme Logger\n");
    file.close();

    struct Case {
        const char *ini; // empty: none set, "missing": a path without a file
        const char *lan, *sensor103, *kw102, *kw103;
    };
    const Case cases[] = {
        {"", "LAN Adapter", "HP7140", "XL300 Logger", "XL310 Logger"},
        {"missing", "LAN Adapter", "HP7140", "XL300 Logger", "XL310 Logger"},
        {"file", "", "Acme HP 140", "Acme Logger", "XL310 Logger"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ini);
        TXportSearch search;
        const QString which = QString::fromLatin1(c.ini);
        if (which == QLatin1String("missing"))
            search.SetIniFile(dir.filePath(QStringLiteral("none.ini")));
        else if (which == QLatin1String("file"))
            search.SetIniFile(ini);
        TXportPar record;
        search.DecodeDeviceInfo(InfoReply(2, 5, 2, 0, 0), record);
        EXPECT_EQ(record.DeviceType, QString::fromLatin1(c.lan));
        search.DecodeDeviceInfo(InfoReply(1, 4, 5, 7, 9), record);
        EXPECT_EQ(record.DeviceType, QString::fromLatin1(c.sensor103));
        search.DecodeDeviceInfo(InfoReply(6, 1, 0, 0, 6), record);
        EXPECT_EQ(record.DeviceType, QString::fromLatin1(c.kw102));
        search.DecodeDeviceInfo(InfoReply(6, 1, 0, 0, 7), record);
        EXPECT_EQ(record.DeviceType, QString::fromLatin1(c.kw103));
    }

    // A file without the section changes nothing.
    QFile other(dir.filePath(QStringLiteral("other.ini")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[types]\nLan=x\n");
    other.close();
    TXportSearch search;
    search.SetIniFile(other.fileName());
    EXPECT_EQ(search.IniFile(), other.fileName());
    EXPECT_EQ(search.TypeName(QStringLiteral("lan")), QStringLiteral("LAN Adapter"));
}

TEST(XportDecoding, InfoReplyGivesFirmwareAndType)
{
    struct Case {
        QByteArray reply;
        const char *firmware, *type;
    };
    const Case cases[] = {
        {InfoReply(1, 4, 4, 7, 9), "1-4-4.07", "HP7140"},
        {InfoReply(4, 5, 5, 123, 20), "4-5-5.123", "ET5801"},
        {InfoReply(1, 0, 0, 0, 5), "1-0-0.00", "N/A"},
        {InfoReply(6, 2, 1, 10, 6), "6-2-1.10", "XL300 Logger"},
        {InfoReply(6, 2, 1, 10, 99), "6-2-1.10", "XL310 Logger"},
        {InfoReply(9, 1, 2, 3, 0), "9-1-2.03", "N/A"},
        {InfoReply(1, 4, 4, 7, 9).left(129), "N/A", "N/A"},
        {InfoReply(1, 4, 4, 7, 9) + '\0', "N/A", "N/A"},
        {QByteArray(), "N/A", "N/A"},
    };
    const TXportSearch search;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.firmware);
        TXportPar record;
        search.DecodeDeviceInfo(c.reply, record);
        EXPECT_EQ(record.Firmware, QString::fromLatin1(c.firmware));
        EXPECT_EQ(record.DeviceType, QString::fromLatin1(c.type));
    }
}

TEST(XportDecoding, FullInfoDecidesWhereTheDescriptionComesFrom)
{
    struct Case {
        const char *firmware;
        bool full;
    };
    const Case cases[] = {
        {"1-4-4.255", false}, {"1-4-5.00", true},   {"2-5-1.255", false}, {"2-5-2.00", true},
        {"4-4-1.09", false},  {"4-4-2.00", true},   {"3-0-0.00", true},   {"5-0-0.00", true},
        {"6-0-0.00", true},   {"7-0-0.00", true},   {"0-9-9.99", false},  {"8-9-9.99", false},
        {"N/A", true},        {"1-4-x.00", true},   {"1-4-4", true},      {"257-4-4.00", false},
        {"1-4-261.00", true}, {"1-4-4.00.1", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TXportSearch::HasFullInfo(QString::fromLatin1(c.firmware)), c.full) << c.firmware;
}

TEST(XportDecoding, DescriptionAndVariant)
{
    const QByteArray seventy = DescriptionOf(QStringLiteral("D70-"), 70).toLatin1();
    struct Case {
        QByteArray reply;
        const char *firmware;
        bool infoUsed;
        QString description;
        QString variant;
    };
    const Case cases[] = {
        {InfoReply(1, 4, 5, 0, 9, "Hall 3"), "1-4-5.00", true, QStringLiteral("Hall 3"), {}},
        {DescriptionReply("Old one"), "1-4-4.255", false, QStringLiteral("Old one"), {}},
        {InfoReply(1, 4, 5, 0, 9, seventy), "1-4-5.00", true, QString::fromLatin1(seventy.left(65)), {}},
        {InfoReply(3, 1, 0, 0, 0, "Never"), "3-1-0.00", true, {}, {}},
        {InfoReply(5, 5, 1, 22, 0, "Too old"), "5-5-1.22", true, {}, {}},
        {InfoReply(5, 5, 1, 23, 0, "New enough"), "5-5-1.23", true, QStringLiteral("New enough"), {}},
        {InfoReply(5, 5, 1, 22, 0, "Kept"), "5-x-1.22", true, QStringLiteral("Kept"), {}},
        {InfoReply(6, 1, 0, 0, 6, "Logger", '0'), "6-1-0.00", true, QStringLiteral("Logger"),
         QStringLiteral("0")},
        {InfoReply(6, 1, 0, 0, 6, "Logger", 'B'), "262-1-0.00", true, QStringLiteral("Logger"),
         QStringLiteral("B")},
        {InfoReply(1, 4, 5, 0, 6, "T", 'B'), "1-4-5.00", true, QStringLiteral("T"), {}},
        {InfoReply(6, 1, 0, 0, 6, "Short", 'B').left(129), "6-1-0.00", true, {}, {}},
        {InfoReply(6, 1, 0, 0, 6, "x", 'B'), "+6-1-0.00", true, QStringLiteral("x"), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.firmware);
        const QString firmware = QString::fromLatin1(c.firmware);
        EXPECT_EQ(TXportSearch::DecodeDescription(c.reply, firmware, c.infoUsed), c.description);
        EXPECT_EQ(TXportSearch::DecodeVariantChar(c.reply, firmware), c.variant);
    }
}

TEST(XportDecoding, MacNeedsThirtyBytes)
{
    QByteArray reply(30, '\0');
    reply.replace(24, 6, QByteArray::fromHex("000a1b2c3d4e"));
    EXPECT_EQ(TXportSearch::DecodeMac(reply), QStringLiteral("00-0A-1B-2C-3D-4E"));
    EXPECT_EQ(TXportSearch::DecodeMac(reply.left(29)), QStringLiteral("N/A"));
    EXPECT_EQ(TXportSearch::DecodeMac(reply + 'x'), QStringLiteral("N/A"));
    TXportSearch search;
    EXPECT_EQ(search.Count(), 0);
    EXPECT_THROW(search.Item(0), ERangeError);
}

QJsonObject XPort(const char *mac, int family, QJsonArray firmware, int typeCode, const QString &description,
                  int variant = 0)
{
    return {{QStringLiteral("mac"), QString::fromLatin1(mac)},
            {QStringLiteral("deviceType"), family},
            {QStringLiteral("firmware"), firmware},
            {QStringLiteral("typeCode"), typeCode},
            {QStringLiteral("variant"), variant},
            {QStringLiteral("description"), description}};
}

double Ms(qint64 ns)
{
    return double(ns) / 1e6;
}

class XportSearchNet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_NAMESPACES();
        ASSERT_TRUE(net.ok()) << net.error().toStdString();
    }

    TXportSearch &SearchAll(TXportSearch &search, double *elapsedMs = nullptr)
    {
        net.pc.inside([&] {
            const auto start = std::chrono::steady_clock::now();
            search.SearchAll();
            if (elapsedMs)
                *elapsedMs =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count();
        });
        return search;
    }

    XPortNet net;
};

TEST_F(XportSearchNet, FindsThreeDevicesThroughTwoAdapters)
{
    const QString d65 = DescriptionOf(QStringLiteral("Sixty-five "), 65);
    const QString d70 = DescriptionOf(QStringLiteral("Seventy "), 70);
    // The second device on f0 answers 150 ms late, so the order of the answers is fixed.
    NsSim *first = net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.10"),
                                 XPort("00-20-4A-61-00-0A", 1, {4, 5, 7}, 9, d65));
    NsSim *second = net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.11"),
                                  XPort("00-20-4a-61-00-0b", 6, {1, 2, 3}, 6, d70, '0'),
                                  {{QStringLiteral("udpdelay"), 150}});
    NsSim *third =
        net.addDevice(QStringLiteral("f1"), QStringLiteral("10.62.0.10"),
                      XPort("00-20-4A-62-00-0A", 1, {4, 4, 255}, 22, QStringLiteral("Old firmware")));
    ASSERT_TRUE(first && second && third);

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Ombrix.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[GlobalTypes]\nSensor103=Acme HP 140\n");
    file.close();

    PacketCapture wire;
    ASSERT_TRUE(wire.open(net.pc, QStringLiteral("a0")));
    TXportSearch search;
    search.SetIniFile(ini);
    double elapsed = 0;
    SearchAll(search, &elapsed);

    struct Expected {
        const char *ip, *mac, *firmware, *type, *variant, *adapter;
        QString description;
    };
    const Expected expected[] = {
        {"10.61.0.10", "00-20-4A-61-00-0A", "1-4-5.07", "Acme HP 140", "", "10.61.0.1", d65},
        {"10.61.0.11", "00-20-4A-61-00-0B", "6-1-2.03", "XL300 Logger", "0", "10.61.0.1", d70.left(65)},
        {"10.62.0.10", "00-20-4A-62-00-0A", "1-4-4.255", "T7280", "", "10.62.0.1",
         QStringLiteral("Old firmware")},
    };
    ASSERT_EQ(search.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TXportPar &r = search.Item(i);
        const Expected &e = expected[i];
        EXPECT_EQ(r.IP, QString::fromLatin1(e.ip));
        EXPECT_EQ(r.MAC, QString::fromLatin1(e.mac));
        EXPECT_EQ(r.Firmware, QString::fromLatin1(e.firmware));
        EXPECT_EQ(r.DeviceType, QString::fromLatin1(e.type));
        EXPECT_EQ(r.Description, e.description);
        EXPECT_EQ(r.VariantChar, QString::fromLatin1(e.variant));
        EXPECT_EQ(r.Adapter, QString::fromLatin1(e.adapter));
    }
    // Only the old firmware is asked for its description.
    EXPECT_EQ(first->log(), (QStringList{QStringLiteral("udp:000000F6"), QStringLiteral("udp:000000E4")}));
    EXPECT_EQ(third->log(), (QStringList{QStringLiteral("udp:000000F6"), QStringLiteral("udp:000000E4"),
                                         QStringLiteral("udp:000000E6")}));

    // The collection ends half a second after the last answer: measured on the wire
    // from the last discovery reply to the first info query.
    qint64 lastAnswer = 0, firstQuery = 0;
    for (const CapturedFrame &f : wire.frames()) {
        if (!f.outgoing && f.protocol == 17 && f.payload.size() == 30)
            lastAnswer = f.ns;
        if (f.outgoing && f.protocol == 17 && f.payload == QByteArray("\0\0\0\xE4", 4) && firstQuery == 0)
            firstQuery = f.ns;
    }
    ASSERT_GT(lastAnswer, 0);
    ASSERT_GT(firstQuery, lastAnswer);
    const double tail = Ms(firstQuery - lastAnswer);
    std::printf("[ measured ] last discovery answer to first info query: %.1f ms; whole search: %.0f ms\n",
                tail, elapsed);
    EXPECT_GE(tail, 480.0);
    EXPECT_LT(tail, 1500.0);
}

TEST_F(XportSearchNet, SilentInfoDuplicateAndRepeatedSearch)
{
    // The same module answers through both adapters; only the first answer counts.
    NsSim *quiet = net.addDevice(
        QStringLiteral("f0"), QStringLiteral("10.61.0.10"),
        XPort("00-20-4A-61-00-0A", 1, {4, 5, 7}, 9, QStringLiteral("quiet")),
        {{QStringLiteral("udpignore"), QJsonArray{QStringLiteral("E4"), QStringLiteral("E6")}}});
    NsSim *twin = net.addDevice(QStringLiteral("f1"), QStringLiteral("10.62.0.10"),
                                XPort("00-20-4A-61-00-0A", 2, {5, 2, 0}, 0, QStringLiteral("twin")));
    ASSERT_TRUE(quiet && twin);

    TXportSearch search;
    SearchAll(search);
    ASSERT_EQ(search.Count(), 1);
    const TXportPar &r = search.Item(0);
    EXPECT_EQ(r.IP, QStringLiteral("10.61.0.10"));
    EXPECT_EQ(r.Adapter, QStringLiteral("10.61.0.1"));
    EXPECT_EQ(r.Firmware, QStringLiteral("N/A"));
    EXPECT_EQ(r.DeviceType, QStringLiteral("N/A"));
    EXPECT_TRUE(r.Description.isEmpty());
    EXPECT_TRUE(r.VariantChar.isEmpty());
    EXPECT_EQ(twin->log(), QStringList{QStringLiteral("udp:000000F6")}) << "a duplicate is not queried";

    SearchAll(search);
    EXPECT_EQ(search.Count(), 1) << "a second search adds no device already listed";
}

TEST_F(XportSearchNet, LateInfoReplyIsNotTakenForTheNextDevice)
{
    // Both info replies come late: the first queried device's lands in the second one's
    // wait, whose own reply comes later still. Whichever answered first, neither may show
    // the other's firmware.
    ASSERT_TRUE(net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.10"),
                              XPort("00-20-4A-61-00-0A", 1, {4, 5, 7}, 9, QStringLiteral("slow")),
                              {{QStringLiteral("udpdelay"), QJsonArray{600, QStringLiteral("E4")}}}));
    ASSERT_TRUE(net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.11"),
                              XPort("00-20-4A-61-00-0B", 2, {5, 2, 0}, 0, QStringLiteral("slower")),
                              {{QStringLiteral("udpdelay"), QJsonArray{700, QStringLiteral("E4")}}}));
    TXportSearch search;
    net.pc.inside([&] { search.SearchOnAdapter(QStringLiteral("10.61.0.1")); });
    ASSERT_EQ(search.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(search.Item(i).IP.toStdString());
        EXPECT_EQ(search.Item(i).Firmware, QStringLiteral("N/A"));
        EXPECT_EQ(search.Item(i).DeviceType, QStringLiteral("N/A"));
    }
}

TEST_F(XportSearchNet, NothingAnswers)
{
    TXportSearch search;
    double elapsed = 0;
    SearchAll(search, &elapsed);
    EXPECT_EQ(search.Count(), 0);
    std::printf("[ measured ] search of two silent adapters: %.0f ms\n", elapsed);
    EXPECT_GE(elapsed, 2 * 490.0) << "half a second per adapter";

    NetNamespace bare; // loopback only: no adapter to search through
    ASSERT_TRUE(bare.ok());
    bare.inside([] {
        TXportSearch alone;
        EXPECT_THROW(alone.SearchAll(), Exception);
        EXPECT_EQ(alone.Count(), 0);
    });
}

} // namespace
