// A whole measurement through the reader core for every device family, against the simulator:
// values, validity, device alarm codes and alarm states after each tick, the register blocks
// read, the rows the views hear of, and the CSV the measurement leaves.
#include "test_reader_rig.h"

#include "CsvFile.h"
#include "PtyPair.h"

#include "reading/uDuskoReader.h"
#include "reading/uFarvoReader.h"
#include "reading/uGelmiReader.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

namespace
{

// "slot value readOK code state", e.g. "0 21.5 1 hi 2"; the value is left out ("-") for
// readings whose value does not matter.
QString SlotState(TDeviceConnection &c, int slot)
{
    const TLangQuan &q = c.GetQuantity(slot);
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(slot)
        .arg(q.Value)
        .arg(q.ReadOK ? 1 : 0)
        .arg(q.DeviceAlarmCode)
        .arg(q.AlarmState);
}

void ExpectSlots(TDeviceConnection &c, const QStringList &expected)
{
    for (const QString &e : expected) {
        const int slot = e.section(QLatin1Char(' '), 0, 0).toInt();
        const QString actual = SlotState(c, slot);
        if (e.section(QLatin1Char(' '), 1, 1) == QLatin1String("-")) {
            EXPECT_EQ(actual.section(QLatin1Char(' '), 2), e.section(QLatin1Char(' '), 2)) << "slot " << slot;
        } else {
            EXPECT_EQ(actual, e);
        }
    }
}

struct FamilyCase {
    const char *name;
    const char *scenario;
    QJsonObject patch;  // scenario variant, when not empty
    bool rs485 = false; // RTU at slave 5 over a pty instead of Modbus/TCP
    std::function<void(TDeviceConnection &)> limits;
    QStringList firstControls;
    QStringList firstExpected;
    QStringList secondControls; // sent inside the first tick, so the second one reads them
    QStringList secondExpected;
    QStringList rows;       // names of the rows the views hear of
    QStringList blockReads; // requests every tick makes
    QString notRead;        // a request no tick makes
    const char *titleLine;  // column titles of the CSV
};

void RunMeasurement(const FamilyCase &c)
{
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString scenario = c.patch.isEmpty()
                                 ? QString::fromLatin1(c.scenario)
                                 : ScenarioVariantIn(dir, QString::fromLatin1(c.scenario), c.patch);

    TSimConnection rig;
    PtyPair pty;
    if (c.rs485) {
        ASSERT_TRUE(pty.open());
        ASSERT_TRUE(rig.Sim.startRtu(scenario, pty.deviceSide(), 19200, 5));
        qputenv("OMBRIX_COM_PORTS", ("7=" + pty.masterSide()).toLocal8Bit());
        TConnectionParams p;
        p.Protocol = TProtocol::RS485;
        p.ComPortNumber = 7;
        p.Speed = 19200;
        p.SlaveAddress = 5;
        ASSERT_EQ(rig.Conn.Connect(p), TConnectOutcome::Connected) << rig.Conn.LastError.toStdString();
    } else {
        ASSERT_TRUE(rig.Start(scenario, 1000)) << rig.Conn.LastError.toStdString();
    }
    if (c.limits)
        c.limits(rig.Conn);
    for (const QString &command : c.firstControls)
        ASSERT_TRUE(rig.Control(command)) << command.toStdString();
    ASSERT_TRUE(rig.Control(QStringLiteral("log clear")));

    TRecordingView view;
    {
        std::unique_ptr<TReaderCore> reader =
            CreateReader(rig.Conn, nullptr, LoggingSettings(dir.path(), QStringLiteral("log.csv")));
        ASSERT_NE(reader, nullptr);
        reader->AddView(&view);
        view.OnCycle = [&] {
            if (view.Cycles != 1)
                return;
            SCOPED_TRACE("first tick");
            ExpectSlots(rig.Conn, c.firstExpected);
            for (const QString &command : c.secondControls)
                EXPECT_TRUE(rig.Control(command)) << command.toStdString();
        };
        reader->StartReading();
        ASSERT_TRUE(WaitForCycles(view, 2));
        reader->StopReading();
        SCOPED_TRACE("second tick");
        ExpectSlots(rig.Conn, c.secondExpected);
        EXPECT_FALSE(reader->IsRunning());
    }

    QStringList rows;
    for (const QString &e : view.Events) {
        if (e.startsWith(QStringLiteral("added ")))
            rows << e.section(QLatin1Char(' '), 2);
    }
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(view.Events.mid(rows.size()),
              (QStringList{QStringLiteral("started"), QStringLiteral("cycle"), QStringLiteral("cycle"),
                           QStringLiteral("stopped")}));

    const QStringList log = rig.Sim.log();
    for (const QString &request : c.blockReads)
        EXPECT_EQ(log.count(request), 2) << request.toStdString() << " in " << log.join(' ').toStdString();
    if (!c.notRead.isEmpty()) {
        EXPECT_FALSE(log.contains(c.notRead)) << c.notRead.toStdString();
    }

    const QStringList csv = CsvFile::Lines(dir.filePath(QStringLiteral("log.csv")));
    ASSERT_EQ(csv.size(), 6) << csv.join('\n').toStdString();
    EXPECT_EQ(csv[0], QStringLiteral("\"Sensor type\";\"Serial number\""));
    EXPECT_EQ(csv[2], QString());
    EXPECT_EQ(csv[3], QString::fromUtf8(c.titleLine));
    EXPECT_TRUE(csv[4].endsWith(QStringLiteral(";\"\""))) << "a good reading has no note";
}

} // namespace

TEST(ReaderFamilies, FarvoOnEthernetWithEachAlarmBlockLength)
{
    const FamilyCase cases[] = {
        {"28 words: extended block with binary inputs",
         "farvo-xport441-pressure-io.json",
         {},
         false,
         {},
         {"set farvo.c1 215", "set farvo.c2 -9999", "set farvo.c3 98", "set farvo.c4 10132",
          "set farvo.status 0x0048", "set farvo.alarm.12 hi", "set farvo.alarm.18 lo",
          "set farvo.alarm.23 hi"},
         {"0 21.5 1 hi 2", "1 - 0 no 0", "2 9.8 1 no 0", "3 1013.2 1 lo 1", "5 0 1 no 0", "6 1 1 hi 2",
          "11 1 1 no 0", "12 0 1 no 0"},
         {"set farvo.alarm.12 no", "set farvo.c2 455", "set farvo.alarm.18 no", "set farvo.status 0x0010"},
         {"0 21.5 1 no 0", "1 45.5 1 no 0", "3 1013.2 1 no 0", "5 1 1 no 0", "11 0 1 no 0", "12 1 1 no 0"},
         {"Temperature", "Relative humidity", "Dew point", "Atmospheric pressure", "Binary input 1",
          "Binary input 2", "Binary input 3", "Relay output 1", "Relay output 2"},
         {"mb:1:03:0x0000:64", "mb:1:03:0x5000:28"},
         {},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature (°C)\";\"Relative humidity (%)\";\"Dew point "
         "(°C)\";\"Atmospheric pressure (hPa)\";\"Binary input 1\";\"Binary input 2\";\"Binary input "
         "3\";\"Relay output 1\";\"Relay output 2\""},
        {"20 words: extended block without binary inputs",
         "farvo-xport441-pressure-io.json",
         QJsonObject{{"farvo", QJsonObject{{"kind", "0x1031"}, {"config", "0x800A"}}}},
         false,
         {},
         {"set farvo.c1 215", "set farvo.c2 500", "set farvo.alarm.12 lo", "set farvo.alarm.13 hi"},
         {"0 21.5 1 lo 1", "1 50 1 hi 2"},
         {"set farvo.alarm.12 no"},
         {"0 21.5 1 no 0", "1 50 1 hi 2"},
         {"Temperature", "Relative humidity", "Dew point"},
         {"mb:1:03:0x0000:64", "mb:1:03:0x5000:20"},
         {},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature (°C)\";\"Relative humidity (%)\";\"Dew point "
         "(°C)\""},
        {"15 words: older XPort firmware, pressure under user limits",
         "farvo-xport441-pressure-io.json",
         QJsonObject{{"xport", QJsonObject{{"firmware", QJsonArray({4, 4, 0})}}}},
         false,
         [](TDeviceConnection &c) {
             TLangQuan &p = c.GetQuantity(3);
             p.LimitsEnabled = true;
             p.HiLim = 1010.0;
             p.LoLim = 990.0;
         },
         {"set farvo.c4 10132", "set farvo.alarm.18 lo", "set farvo.alarm.23 hi", "set farvo.status 0x0000"},
         {"3 1013.2 1 no 2", "6 1 1 no 0"},
         {"set farvo.c4 9800"},
         {"3 980 1 no 1"},
         {"Temperature", "Relative humidity", "Dew point", "Atmospheric pressure", "Binary input 1",
          "Binary input 2", "Binary input 3", "Relay output 1", "Relay output 2"},
         {"mb:1:03:0x0000:64", "mb:1:03:0x5000:15"},
         {},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature (°C)\";\"Relative humidity (%)\";\"Dew point "
         "(°C)\";\"Atmospheric pressure (hPa)\";\"Binary input 1\";\"Binary input 2\";\"Binary input "
         "3\";\"Relay output 1\";\"Relay output 2\""},
    };
    for (const FamilyCase &c : cases)
        RunMeasurement(c);
}

TEST(ReaderFamilies, FarvoOnRS485ReadsAtItsSlaveAddressWithoutAlarmBlock)
{
    const FamilyCase c{"RS485 slave 5",
                       "farvo-th-dewpoint-rs485.json",
                       {},
                       true,
                       [](TDeviceConnection &conn) {
                           TLangQuan &t = conn.GetQuantity(0);
                           t.LimitsEnabled = true;
                           t.LoLim = -10.0;
                           t.HiLim = 30.0;
                       },
                       {"set farvo.c1 -123", "set farvo.c2 456"},
                       {"0 -12.3 1 no 1", "1 45.6 1 no 0"},
                       {"set farvo.c1 250"},
                       {"0 25 1 no 0"},
                       {"Temperature", "Relative humidity", "Dew point"},
                       {"mb:5:03:0x0000:64"},
                       "mb:5:03:0x5000:15",
                       "\"Local PC Date\";\"Local PC Time\";\"Temperature (°C)\";\"Relative humidity "
                       "(%)\";\"Dew point (°C)\""};
    RunMeasurement(c);
}

TEST(ReaderFamilies, GelmiFiveAndFourChannels)
{
    const FamilyCase cases[] = {
        {"five channels, Ethernet error codes",
         "gelmi-5ch-551.json",
         {},
         false,
         {},
         {"set gelmi.c1 253", "set gelmi.c2 11000", "set gelmi.alarm.2 lo", "set gelmi.c5 -11003"},
         {"13 25.3 1 no 0", "14 - 0 lo 1", "17 - 0 hi 2"},
         {"set gelmi.c2 555", "set gelmi.alarm.2 no"},
         {"14 55.5 1 no 0"},
         {"Temperature 1", "Relative humidity 2", "Temperature 3", "Temperature 4", "Temperature 5"},
         {"mb:1:03:0x9C40:26"},
         {},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature 1 (°C)\";\"Relative humidity 2 "
         "(%)\";\"Temperature 3 (°C)\";\"Temperature 4 (°F)\";\"Temperature 5 (°C)\""},
        {"four channels, generic error list",
         "gelmi-530-4ch-fahrenheit.json",
         {},
         false,
         {},
         {"set gelmi.c1 9999", "set gelmi.c3 725"},
         {"13 - 0 no 0", "15 72.5 1 no 0", "16 - 1 lo 1"},
         {"set gelmi.c1 700"},
         {"13 70 1 no 0"},
         {"Temperature 1", "Temperature 2", "Temperature 3", "Temperature 4"},
         {"mb:1:03:0x9C40:26"},
         {},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature 1 (°F)\";\"Temperature 2 (°F)\";\"Temperature 3 "
         "(°F)\";\"Temperature 4 (°F)\""},
    };
    for (const FamilyCase &c : cases)
        RunMeasurement(c);
}

TEST(ReaderFamilies, GelmiErrorTextsAfterATick)
{
    TSimConnection rig;
    ASSERT_TRUE(rig.Start(QStringLiteral("gelmi-5ch-551.json")));
    ASSERT_TRUE(rig.Control(QStringLiteral("set gelmi.c2 11000")));
    ASSERT_TRUE(rig.Control(QStringLiteral("set gelmi.c3 12000")));
    ASSERT_TRUE(rig.Control(QStringLiteral("set gelmi.c5 -11003")));
    TGelmiReader reader(rig.Conn, nullptr);
    reader.StartReading();
    reader.StopReading();
    reader.tReaderTimer();
    EXPECT_EQ(rig.Conn.GetQuantity(14).ErrorText, QStringLiteral("N/A"));
    EXPECT_EQ(rig.Conn.GetQuantity(15).ErrorText, QStringLiteral("Error (3)"));
    EXPECT_EQ(rig.Conn.GetQuantity(17).ErrorText, QStringLiteral("Error E3"));
}

TEST(ReaderFamilies, DuskoTwoDeviceDefinedChannels)
{
    const FamilyCase c{
        "Dusko",
        "dusko-two-named.json",
        {},
        false,
        {},
        {"set dusko.c1 0x41AACCCC", "set dusko.c2 0x7F800000", "set dusko.alarm.1 hi"},
        {"18 21.3 1 hi 2", "19 - 0 no 0"},
        {"set dusko.c2 130", "set dusko.alarm.1 no"},
        {"18 21.3 1 no 0", "19 130 1 no 0"},
        {"Duct temperature", "Diff. pressure"},
        {"mb:1:03:0x9C29:33"},
        {},
        "\"Local PC Date\";\"Local PC Time\";\"Duct temperature (°C)\";\"Diff. pressure (Pa)\""};
    RunMeasurement(c);
}

TEST(ReaderFamilies, FactoryChoosesTheReaderOfTheIdentifiedFamily)
{
    TErrMessageList errors;
    TDeviceConnection conn(errors);
    EXPECT_EQ(CreateReader(conn, nullptr, {}), nullptr) << "no identified device, no reader";
    conn.SensType.SetKind(3);
    EXPECT_NE(dynamic_cast<TFarvoReader *>(CreateReader(conn, nullptr, {}).get()), nullptr);
    conn.SensType.SetKind(82);
    EXPECT_NE(dynamic_cast<TDuskoReader *>(CreateReader(conn, nullptr, {}).get()), nullptr);
    conn.SensType.SetKind(77);
    EXPECT_NE(dynamic_cast<TGelmiReader *>(CreateReader(conn, nullptr, {}).get()), nullptr);
}
