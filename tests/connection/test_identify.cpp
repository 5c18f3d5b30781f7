// Device identification: the record and firmware helpers, then every family
// identified against the simulator over Modbus/TCP and the XPort UDP service.
#include "support_sim.h"
#include "connection/uIdentify.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Identification;

namespace
{

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

QStringList list(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *i : items)
        l << QString::fromLatin1(i);
    return l;
}

QStringList firstSlots(const QStringList &summary, int below)
{
    QStringList l;
    for (const QString &s : summary) {
        if (s.section(QLatin1Char(':'), 0, 0).toInt() < below)
            l << s;
    }
    return l;
}

} // namespace

TEST(IdentifyHelpers, FirmwareNumberReadsHexDigitsAsDecimalPlaces)
{
    const std::pair<std::uint16_t, int> cases[] = {
        {0x0231, 231}, {0x0220, 220}, {0x0214, 214}, {0x0000, 0},     {0x9999, 9999},
        {0x023A, 240}, {0x02A0, 300}, {0x021F, 225}, {0xFFFF, 16665},
    };
    for (const auto &[word, number] : cases)
        EXPECT_EQ(FirmwareNumber(word), number) << std::hex << word;
}

TEST(IdentifyHelpers, ChannelUnitByVersionProbeAndUnitByte)
{
    struct Case {
        std::uint32_t version;
        std::uint8_t record4Byte68;
        std::uint8_t probe;
        std::uint8_t unitByte;
        int unit;
    };
    const Case cases[] = {
        {Version(5, 1, 0), 0x00, 2, 0, 2}, // before 5.1.1 always degC
        {Version(5, 1, 1), 0x02, 1, 1, 2}, // record 4 byte 68 bit 1 decides
        {Version(5, 5, 0), 0x00, 2, 0, 3},
        {Version(5, 3, 0), 0xFD, 1, 0, 3},
        {Version(5, 5, 1), 0x00, 2, 0, 4}, // humidity probe: 0 %, 1 degF, else degC
        {Version(5, 5, 1), 0x00, 2, 1, 3},
        {Version(5, 5, 1), 0x00, 2, 2, 2},
        {Version(5, 5, 1), 0x00, 2, 9, 2},
        {Version(5, 5, 1), 0x02, 1, 0, 2}, // other probes: 1 degF, else degC
        {Version(5, 5, 1), 0x02, 1, 1, 3},
        {Version(6, 0, 0), 0x02, 0, 1, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.version << " probe " << int(c.probe) << " unit byte "
                                        << int(c.unitByte));
        TXPortRecords r{};
        r[4][68] = c.record4Byte68;
        r[1][2] = c.unitByte; // channel 3
        r[1][83] = c.probe;
        EXPECT_EQ(ChannelUnit(r, c.version, 3), c.unit);
    }
}

TEST(IdentifyHelpers, TextsAndSerialNumbers)
{
    TXPortRecord r{};
    for (std::size_t i = 1; i < r.size(); ++i)
        r[i] = static_cast<std::uint8_t>('A' + (i % 26));
    r[0] = 0;
    EXPECT_EQ(RecordText(r, 1, 22).size(), 22) << "no zero byte: cut at the limit";
    EXPECT_EQ(RecordText(r, 120, 22).size(), 6) << "the record's end also ends the text";
    r[5] = 0;
    r[3] = 0xB0;
    EXPECT_EQ(RecordText(r, 1, 22), QStringLiteral("BC°E"));
    EXPECT_EQ(RecordText(r, 0, 22), QString());

    r[85] = 0x12;
    r[86] = 0xAB;
    r[87] = 0x0C;
    r[88] = 0x00;
    EXPECT_EQ(SerialOfBytes(r, 85), QStringLiteral("12AB0C00"));
    EXPECT_EQ(SerialOfWords(0x5678, 0x1234), QStringLiteral("12345678"));
    EXPECT_EQ(SerialOfWords(0x00ef, 0x0a0b), QStringLiteral("0A0B00EF"));
}

TEST(IdentifyOverXPort, ShippedScenarios)
{
    struct Case {
        const char *scenario;
        int kind;
        const char *serial;
        int firmware; // -1: no serial-family firmware
        bool fiveChannel, deviceAlarmBlock, hasBinaryInputs;
        int listType;
        QStringList slots;
    };
    const Case cases[] = {
        {"farvo-xport441-co2-io.json", 125, "20240117", 231, false, true, true, 0,
         list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "4:9:13:0:0", "5:2:0:1:0", "6:2:0:2:0", "7:2:0:3:0",
               "8:3:0:1:0", "9:3:0:2:0", "10:3:0:3:0", "11:4:0:1:2", "12:4:0:2:2"})},
        {"farvo-xport441-pressure-io.json", 91, "20230901", 231, false, true, true, 0,
         list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:5:0:0", "5:2:0:1:0", "6:2:0:2:0", "7:2:0:3:0",
               "11:4:0:1:2", "12:4:0:2:2"})},
        {"gelmi-5ch-551.json", 77, "55100001", -1, true, false, false, 1,
         list({"13:6:2:1:0", "14:7:4:2:0", "15:6:2:3:0", "16:6:3:4:0", "17:6:2:5:0"})},
        {"gelmi-530-4ch-fahrenheit.json", 78, "53000042", -1, false, false, false, 0,
         list({"13:6:3:1:0", "14:6:3:2:0", "15:6:3:3:0", "16:6:3:4:0"})},
        {"dusko-two-named.json", 82, "70000777", -1, false, false, false, 2,
         list({"18:1:1:1:0", "19:1:1:2:0"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        SimDevice d;
        ASSERT_TRUE(d.start(QString::fromLatin1(c.scenario))) << d.sim.errorOutput().toStdString();
        ASSERT_EQ(d.connect(), TConnectOutcome::Connected) << d.conn.LastError.toStdString();
        EXPECT_TRUE(d.conn.Connected);
        EXPECT_EQ(d.conn.SensType.GetKind(), c.kind);
        EXPECT_EQ(d.conn.SerialText, QString::fromLatin1(c.serial));
        EXPECT_EQ(d.conn.Firmware.value_or(-1), c.firmware);
        ASSERT_TRUE(d.conn.XPortFirmware.has_value());
        EXPECT_EQ(d.conn.FiveChannel, c.fiveChannel);
        EXPECT_EQ(d.conn.DeviceAlarmBlock, c.deviceAlarmBlock);
        EXPECT_EQ(d.conn.HasBinaryInputs, c.hasBinaryInputs);
        EXPECT_EQ(d.errors.ListType, c.listType);
        EXPECT_EQ(SlotSummary(d.conn), c.slots);
    }
}

TEST(IdentifyOverXPort, FirmwareRulesForTemperaturePressureAndComputedQuantity)
{
    // A device with temperature, humidity and pressure behind an XPort 4.4.1 (alarm
    // mode 0 for all of them); the memory words are changed between connects.
    struct Case {
        const char *firmware, *config, *unitWord;
        QStringList slots0to3;
    };
    const Case cases[] = {
        // up to 220 temperature and pressure are there in degC and hPa whatever C says
        {"0x0220", "0x0002", "0x0001", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:5:0:0"})},
        {"0x021A", "0x0002", "0x0001", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:5:0:0"})},
        // from 230 the unit word counts; the dew point follows the temperature's unit
        {"0x0230", "0xA002", "0x0001", list({"0:6:3:0:0", "1:7:4:0:0", "2:10:3:0:0", "3:8:5:0:0"})},
        {"0x023A", "0xA002", "0x0001", list({"0:6:3:0:0", "1:7:4:0:0", "2:10:3:0:0", "3:8:5:0:0"})},
        {"0x0231", "0xA002", "0x000C", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:8:0:0"})},
        // below 230 the unit word is ignored
        {"0x0225", "0xA002", "0x0001", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:5:0:0"})},
        {"0x0225", "0xA002", "0x000C", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:5:0:0"})},
        // channel bits clear: no temperature (and then no computed quantity), no pressure
        {"0x0230", "0x3002", "0x0000", list({"1:7:4:0:0", "3:8:5:0:0"})},
        {"0x0230", "0x8002", "0x0000", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0"})},
        // the computed quantity: enthalpy from 215, a dew point up to 214
        {"0x0215", "0xB002", "0x0000", list({"0:6:2:0:0", "1:7:4:0:0", "2:14:16:0:0", "3:8:5:0:0"})},
        {"0x0214", "0xB002", "0x0000", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:5:0:0"})},
        {"0x0231", "0xA00A", "0x0000", list({"0:6:2:0:0", "1:7:4:0:0", "2:10:2:0:0", "3:8:5:0:0"})},
        {"0x0231", "0xA202", "0x0000", list({"0:6:2:0:0", "1:7:4:0:0", "2:11:14:0:0", "3:8:5:0:0"})},
        // no humidity: no computed quantity either
        {"0x0231", "0xB000", "0x0000", list({"0:6:2:0:0", "3:8:5:0:0"})},
    };
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("farvo-xport441-pressure-io.json")));
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.firmware << " C " << c.config << " U " << c.unitWord);
        for (const auto &[ref, value] :
             {std::pair{"0x3002", c.firmware}, {"0x103F", c.config}, {"0x203F", c.unitWord}})
            ASSERT_TRUE(
                d.sim.control(QStringLiteral("set farvo.word.%1 %2").arg(ref, value)).startsWith("ok"));
        ASSERT_EQ(d.connect(), TConnectOutcome::Connected) << d.conn.LastError.toStdString();
        EXPECT_EQ(firstSlots(SlotSummary(d.conn), 4), c.slots0to3);
        EXPECT_EQ(d.conn.Firmware.value_or(-1),
                  FirmwareNumber(QString::fromLatin1(c.firmware).toUShort(nullptr, 0)));
    }
}

TEST(IdentifyOverXPort, XPortVersionDecidesTheAlarmBlockAndThePressuresAlarmMode)
{
    struct Case {
        const char *firmware;
        bool deviceAlarmBlock;
        int pressureAlarmMode;
    };
    const Case cases[] = {{"[4,4,0]", false, 1},
                          {"[4,4,1]", true, 0},
                          {"[4,5,0]", true, 0},
                          {"[5,0,0]", true, 0},
                          {"[3,9,9]", false, 1}};
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.firmware);
        const QJsonObject patch{
            {QStringLiteral("xport"),
             QJsonObject{{QStringLiteral("firmware"), QJsonDocument::fromJson(c.firmware).array()}}}};
        SimDevice d;
        ASSERT_TRUE(d.start(ScenarioVariant(QStringLiteral("farvo-xport441-pressure-io.json"), patch, dir)));
        ASSERT_EQ(d.connect(), TConnectOutcome::Connected) << d.conn.LastError.toStdString();
        EXPECT_EQ(d.conn.DeviceAlarmBlock, c.deviceAlarmBlock);
        EXPECT_EQ(d.conn.GetQuantity(3).AlarmMode, c.pressureAlarmMode);
        // behind any XPort: binary inputs and the other analog channels take the device's codes
        for (int slot : {0, 1, 2, 5, 6, 7})
            EXPECT_EQ(d.conn.GetQuantity(slot).AlarmMode, 0) << slot;
        EXPECT_EQ(d.conn.GetQuantity(11).AlarmMode, 2);
    }
}

TEST(IdentifyOverXPort, SegmentFaultsKindAndDeviceTypeFailures)
{
    struct Case {
        const char *scenario;
        const char *command; // simulator control before connecting, or empty
        bool connected;
        const char *reason;
    };
    const Case cases[] = {
        {"farvo-xport441-pressure-io.json", "fault segfail 9", true, ""},
        {"farvo-xport441-pressure-io.json", "fault segfail 10", false, "Error occured when read from MSP"},
        {"farvo-xport441-pressure-io.json", "fault checksum 2", false, "Error occured when read from MSP"},
        {"farvo-xport441-pressure-io.json", "set farvo.word.0x1037 0x0FFF", false,
         "Unknown sensor kind in MSP Flash0 KIND register."},
        {"farvo-xport-devtype2.json", "", false,
         "Device is not transmitter! (bad XPort firmware device type)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.scenario << " " << c.command);
        SimDevice d;
        ASSERT_TRUE(d.start(QString::fromLatin1(c.scenario)));
        if (*c.command) {
            ASSERT_TRUE(d.sim.control(QString::fromLatin1(c.command)).startsWith("ok"));
        }
        const TConnectOutcome outcome = d.connect();
        EXPECT_EQ(outcome, c.connected ? TConnectOutcome::Connected : TConnectOutcome::Failed);
        EXPECT_EQ(d.conn.Connected, c.connected);
        EXPECT_EQ(d.conn.LastError, QString::fromLatin1(c.reason));
        EXPECT_EQ(d.conn.Modbus.IsOpen(), c.connected) << "a failed connect closes the master";
    }
}

TEST(IdentifyOverXPort, SerialNumberIsReadLiveHighWordFirst)
{
    SimDevice d;
    ASSERT_TRUE(d.start(QStringLiteral("farvo-xport441-pressure-io.json")));
    ASSERT_TRUE(d.sim.control(QStringLiteral("set farvo.word.0x1035 0x5678")).startsWith("ok"));
    ASSERT_TRUE(d.sim.control(QStringLiteral("set farvo.word.0x1036 0x1234")).startsWith("ok"));
    d.sim.control(QStringLiteral("log clear"));
    ASSERT_EQ(d.connect(), TConnectOutcome::Connected);
    EXPECT_EQ(d.conn.SerialText, QStringLiteral("12345678"));
    EXPECT_TRUE(d.sim.log().contains(QStringLiteral("mb:1:03:0x1034:2")))
        << d.sim.log().join(' ').toStdString();
}

TEST(IdentifyOverXPort, FirstEthernetFamilyVariants)
{
    struct Case {
        const char *base;
        const char *patch;
        int kind;
        const char *serial;
        bool fiveChannel;
        int listType;
        QStringList slots;
    };
    const Case cases[] = {
        // 2.0.1 keeps its serial number in bytes 95 to 98
        {"gelmi-530-4ch-fahrenheit.json",
         R"({"xport": {"firmware": [2,0,1], "serial": "20100042",
             "records": {"2": {"85": 170, "86": 187, "87": 204, "88": 221}}}})",
         78, "20100042", false, 0, list({"13:6:2:1:0", "14:6:2:2:0", "15:6:2:3:0", "16:6:2:4:0"})},
        {"gelmi-530-4ch-fahrenheit.json",
         R"({"xport": {"firmware": [2,0,2], "records": {"2": {"95": 170}}}})", 78, "53000042", false, 0,
         list({"13:6:2:1:0", "14:6:2:2:0", "15:6:2:3:0", "16:6:2:4:0"})},
        // 5.0.0: every channel flagged and in degC; probe types other than 1 and 2 drop channels 2 to 4
        {"gelmi-530-4ch-fahrenheit.json",
         R"({"xport": {"firmware": [5,0,0]}, "gelmi": {"channels": [
             {"wave": "constant", "value": 1, "probe": 0, "unit": "F"},
             {"wave": "constant", "value": 2, "probe": 0, "unit": "F"},
             {"wave": "constant", "value": 3, "probe": 2, "unit": "%"},
             {"wave": "constant", "value": 4, "probe": 1, "unit": "F"}]}})",
         78, "53000042", false, 0, list({"13:6:2:1:0", "15:6:2:3:0", "16:6:2:4:0"})},
        // ... and channels beyond the kind's channel count
        {"gelmi-530-4ch-fahrenheit.json", R"({"xport": {"firmware": [5,0,0], "typeCode": 5}})", 77,
         "53000042", false, 0, list({"13:6:2:1:0"})},
        // 5.3.0: channel flags from record 5 byte 125 (0x05), units from record 4 byte 68
        {"gelmi-530-4ch-fahrenheit.json",
         R"({"gelmi": {"channels": [
             {"wave": "constant", "value": 1, "unit": "F"},
             {"wave": "constant", "value": 2, "unit": "F", "present": false},
             {"wave": "constant", "value": 3, "unit": "F"},
             {"wave": "constant", "value": 4, "unit": "F", "present": false}]}})",
         78, "53000042", false, 0, list({"13:6:3:1:0", "15:6:3:3:0"})},
        {"gelmi-530-4ch-fahrenheit.json",
         R"({"xport": {"typeCode": 5, "records": {"5": {"125": 5}}}, "gelmi": {"channels": [
             {"wave": "constant", "value": 1, "unit": "C"},
             {"wave": "constant", "value": 3, "unit": "C"},
             {"wave": "constant", "value": 3, "unit": "C"}]}})",
         77, "53000042", false, 0, list({"13:6:2:1:0"})},
        // 5.5.1 without the five-channel mark: the kind's channel count (kind 81, three)
        {"gelmi-5ch-551.json", R"({"xport": {"typeCode": 21}, "gelmi": {"fiveChannel": false}})", 81,
         "55100001", false, 1, list({"13:6:2:1:0", "14:7:4:2:0", "15:6:2:3:0"})},
        // 5.5.1 probe types and unit bytes
        {"gelmi-5ch-551.json",
         R"({"gelmi": {"channels": [
             {"wave": "constant", "value": 1, "probe": 2, "unit": "F"},
             {"wave": "constant", "value": 2, "probe": 0, "unit": "C"},
             {"wave": "constant", "value": 3, "probe": 2, "unit": "C"},
             {"wave": "constant", "value": 4, "probe": 1, "unit": "%"},
             {"wave": "constant", "value": 5, "probe": 2, "unit": "%"}]}})",
         77, "55100001", true, 1, list({"13:6:3:1:0", "15:6:2:3:0", "16:6:2:4:0", "17:7:4:5:0"})},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.patch);
        SimDevice d;
        const QString scenario = ScenarioVariant(QString::fromLatin1(c.base), json(c.patch), dir);
        ASSERT_FALSE(scenario.isEmpty());
        ASSERT_TRUE(d.start(scenario)) << d.sim.errorOutput().toStdString();
        ASSERT_EQ(d.connect(), TConnectOutcome::Connected) << d.conn.LastError.toStdString();
        EXPECT_EQ(d.conn.SensType.GetKind(), c.kind);
        EXPECT_EQ(d.conn.SerialText, QString::fromLatin1(c.serial));
        EXPECT_EQ(d.conn.FiveChannel, c.fiveChannel);
        EXPECT_EQ(d.errors.ListType, c.listType);
        EXPECT_EQ(SlotSummary(d.conn), c.slots);
    }
}

TEST(IdentifyOverXPort, UnknownSensorTypeFailsTheFirstEthernetFamily)
{
    QTemporaryDir dir;
    SimDevice d;
    ASSERT_TRUE(d.start(
        ScenarioVariant(QStringLiteral("gelmi-5ch-551.json"), json(R"({"xport": {"typeCode": 8}})"), dir)));
    EXPECT_EQ(d.connect(), TConnectOutcome::Failed);
    EXPECT_EQ(d.conn.LastError, QStringLiteral("Unknown sensor type in XPort SENSOR_TYPE register."));
    EXPECT_FALSE(d.conn.Modbus.IsOpen());
}

TEST(IdentifyOverXPort, SecondFamilyNamesUnitsAndDecimals)
{
    struct Case {
        const char *scenario; // under tests/connection/scenarios, or a shipped one
        bool own;
        QStringList names, units;
        std::array<int, 2> decimals;
        QStringList slots;
    };
    const Case cases[] = {
        {"dusko-two-named.json",
         false,
         {QStringLiteral("Duct temperature"), QStringLiteral("Diff. pressure")},
         {QStringLiteral("°C"), QStringLiteral("Pa")},
         {1, 0},
         list({"18:1:1:1:0", "19:1:1:2:0"})},
        // every text byte filled: the names run into the next field up to their limits
        {"dusko-full-texts.json",
         true,
         {QStringLiteral("ABCDEFGHIJKLMNOPQRSTab"),
          QStringLiteral("abcdefghijklmnopqrstUUUUUUUUVVVVVVVVxxxxxx")},
         {QStringLiteral("UUUUUUUUVVVVVVVVxxxxxxxxxxxxxx"), QStringLiteral("VVVVVVVVxxxxxxxxxxxxxx")},
         {0, 3},
         list({"18:1:1:1:0", "19:1:1:2:0"})},
        {"dusko-second-absent.json",
         true,
         {QStringLiteral("Flow"), QString()},
         {QStringLiteral("m3/h"), QString()},
         {2, 2},
         list({"18:1:1:1:0"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        SimDevice d;
        ASSERT_TRUE(
            d.start(c.own ? TestScenario(QString::fromLatin1(c.scenario)) : QString::fromLatin1(c.scenario)))
            << d.sim.errorOutput().toStdString();
        ASSERT_EQ(d.connect(), TConnectOutcome::Connected) << d.conn.LastError.toStdString();
        EXPECT_EQ(SlotSummary(d.conn), c.slots);
        for (int i = 0; i < 2; ++i) {
            const TLangQuanEx &q = d.conn.GetQuantityEx(18 + i);
            if (q.GetQuanType() == 0)
                continue;
            EXPECT_EQ(q.GetName(), c.names[i]);
            EXPECT_EQ(q.GetPlainUnitSymbol(), c.units[i]);
            EXPECT_EQ(q.GetDecimals(), c.decimals[static_cast<std::size_t>(i)]);
        }
    }
}

TEST(IdentifyOverXPort, NothingOfAnEarlierDeviceSurvivesTheNextIdentification)
{
    TErrMessageList errors;
    TDeviceConnection conn(errors);
    const char *sequence[] = {"gelmi-5ch-551.json", "dusko-two-named.json", "gelmi-530-4ch-fahrenheit.json",
                              "farvo-xport441-co2-io.json"};
    for (const char *scenario : sequence) {
        SimDevice d;
        ASSERT_TRUE(d.start(QString::fromLatin1(scenario)));
        conn.XPortUdpPort = d.sim.udpPort();
        ASSERT_EQ(conn.Connect(d.params()), TConnectOutcome::Connected) << scenario;
    }
    // The last device is a Farvo: no slot, flag or error list of the Gelmis and the Dusko is left.
    EXPECT_EQ(SlotSummary(conn).filter(QRegularExpression(QStringLiteral("^1[3-9]:"))), QStringList());
    EXPECT_FALSE(conn.FiveChannel);
    EXPECT_EQ(errors.ListType, TErrMessageList::ltGeneric);
    EXPECT_EQ(errors.Count(), 1);
}
