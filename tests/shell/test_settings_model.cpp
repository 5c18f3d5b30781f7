#include "base/uSettingsStore.h"
#include "model/uOBGlob.h"
#include "shell/uSettingsModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace SettingsKeys;

namespace
{

const QLocale English(QLocale::English, QLocale::UnitedStates);

class SettingsModelTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString path(const char *name = "Ombrix.ini") const { return dir.filePath(QString::fromUtf8(name)); }
    std::unique_ptr<TSettingsStore> store(const char *name = "Ombrix.ini", bool readOnly = false) const
    {
        return std::make_unique<TSettingsStore>(path(name), readOnly, English);
    }
    void writeFile(const char *name, const QByteArray &content) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    // A value of every field that differs from a fresh user's, the slots each different.
    static TMainSettings changedSettings()
    {
        TMainSettings s;
        s.LanguageSetting = QStringLiteral("Czech");
        s.PopupHidable = false;
        s.Protocol = TProtocol::RS485;
        s.IP = QStringLiteral("192.168.001.010");
        s.TcpPort = 1502;
        s.Timeout = 750;
        s.ComPort = 33;
        s.Speed = 19200;
        s.SlaveAddress = 17;
        s.LogToCsv = true;
        s.CsvName = QStringLiteral("/home/Ana/Logs/Run 1.csv");
        s.Interval = 300;
        s.GraphLength = 1440;
        s.Acoustic = {TSoundMode::SoundFile, QStringLiteral("SystemHand"),
                      QStringLiteral("/usr/share/sounds/Alarm.wav"), 45, TRepeatMode::UntilUserInterrupt};
        for (int slot = 0; slot < UserAlarmSlotCount; ++slot) {
            TUserAlarmSlot &a = s.UserAlarms[slot];
            a.LimitsEnabled = slot % 2 == 0;
            a.HiLim = 20.5 + slot;
            a.LoLim = -3.25 - slot;
            a.Hyst = 0.125 * (slot + 1);
            a.AlarmOnClosing = slot % 3 == 0;
            a.AlarmOnOpening = slot % 3 == 1;
        }
        s.WindowGeometry = QRect(-20, 40, 700, 520); // a place left of the first screen is kept
        return s;
    }
};

} // namespace

TEST_F(SettingsModelTest, AnEmptyStoreGivesTheSettingsOfAFreshUser)
{
    const auto user = store();
    TMainSettings s = changedSettings();
    s.Load(*user, nullptr);

    EXPECT_EQ(s.LanguageSetting, QStringLiteral("language_not_found"));
    EXPECT_TRUE(s.PopupHidable);
    EXPECT_EQ(s.Protocol, TProtocol::Ethernet);
    EXPECT_EQ(s.IP, QString());
    EXPECT_EQ(s.TcpPort, 502);
    EXPECT_EQ(s.Timeout, 3000);
    EXPECT_EQ(s.ComPort, 0); // no list has COM0: "None" is shown
    EXPECT_EQ(s.Speed, 9600);
    EXPECT_EQ(s.SlaveAddress, 1);
    EXPECT_FALSE(s.LogToCsv);
    EXPECT_EQ(s.CsvName, QString());
    EXPECT_EQ(s.Interval, 1);
    EXPECT_EQ(s.GraphLength, 1);
    EXPECT_EQ(s.Acoustic.SoundMode, TSoundMode::Disabled);
    EXPECT_EQ(s.Acoustic.SystemSound, QStringLiteral("SystemExclamation"));
    EXPECT_EQ(s.Acoustic.SoundFile, QString());
    EXPECT_EQ(s.Acoustic.RepeatInterval, 10);
    EXPECT_EQ(s.Acoustic.RepeatMode, TRepeatMode::Once);
    for (const TUserAlarmSlot &slot : s.UserAlarms)
        EXPECT_EQ(slot, TUserAlarmSlot{});
    EXPECT_FALSE(s.WindowGeometry.isValid()); // the window opens centred at its content's size
    // The defaults of the struct itself are the same fresh user.
    EXPECT_EQ(s, TMainSettings{});
}

TEST_F(SettingsModelTest, EveryKeyIsWrittenAsTextAndReadBack)
{
    const TMainSettings saved = changedSettings();
    {
        const auto user = store();
        saved.Save(*user);
    }
    const auto user = store();
    struct Key {
        QLatin1String section;
        QString key;
        const char *text;
    };
    const Key keys[] = {
        {SecOptions, KeyLanguage, "Czech"},
        {SecPopupWindow, KeyHidable, "0"},
        {SecConnection, KeyProtocol, "RS485"},
        {SecConnection, KeyIpAddress, "192.168.001.010"},
        {SecConnection, KeyTcpPort, "1502"},
        {SecConnection, KeyTimeout, "750"},
        {SecConnection, KeyComPort, "33"},
        {SecConnection, KeySpeed, "19200"},
        {SecConnection, KeySlaveAddr, "17"},
        {SecSettings, KeyLogToCsv, "1"},
        {SecSettings, KeyCsvName, "/home/Ana/Logs/Run 1.csv"},
        {SecSettings, KeyInterval, "300"},
        {SecSettings, KeyGraphLen, "1440"},
        {SecSettings, KeyAcousticAlarm, "Sound file"},
        {SecSettings, KeyAcSystemSound, "SystemHand"},
        {SecSettings, KeyAcSoundFile, "/usr/share/sounds/Alarm.wav"},
        {SecSettings, KeyAcInterval, "45"},
        {SecSettings, KeyAcRepeatType, "Until user interrupt"},
        {SecMainWindow, KeyWindowLeft, "-20"},
        {SecMainWindow, KeyWindowTop, "40"},
        {SecMainWindow, KeyWindowWidth, "700"},
        {SecMainWindow, KeyWindowHeight, "520"},
        {SecUsrAlarms, UserAlarmKey(0, SufAnlgAlarmsEnabled), "1"},
        {SecUsrAlarms, UserAlarmKey(3, SufAnlgLimHi), "23.5"},
        {SecUsrAlarms, UserAlarmKey(3, SufAnlgLimLo), "-6.25"},
        {SecUsrAlarms, UserAlarmKey(19, SufAnlgHyst), "2.5"},
        {SecUsrAlarms, UserAlarmKey(19, SufAnlgAlarmsEnabled), "0"},
        {SecUsrAlarms, UserAlarmKey(18, SufBinClosed), "1"},
        {SecUsrAlarms, UserAlarmKey(19, SufBinOpen), "1"},
    };
    for (const Key &k : keys)
        EXPECT_EQ(user->ReadString(k.section, k.key, QStringLiteral("<missing>")), QString::fromUtf8(k.text))
            << k.section.data() << "/" << k.key.toStdString();

    TMainSettings loaded;
    loaded.Load(*user, nullptr);
    EXPECT_EQ(loaded, saved);
}

TEST_F(SettingsModelTest, TheAddressIsStoredOnlyForRS485AndNoneAsMinusOne)
{
    TMainSettings s = changedSettings();
    s.Protocol = TProtocol::RS232;
    s.SlaveAddress = 17; // typed while RS485 was selected
    s.ComPort = TMainSettings::ComPortNone;
    const auto user = store();
    s.Save(*user);
    EXPECT_EQ(user->ReadString(SecConnection, KeySlaveAddr, QString()), QStringLiteral("1"));
    EXPECT_EQ(user->ReadString(SecConnection, KeyComPort, QString()), QStringLiteral("-1"));
    EXPECT_EQ(user->ReadString(SecConnection, KeyProtocol, QString()), QStringLiteral("RS232"));

    TMainSettings loaded;
    loaded.Load(*user, nullptr);
    EXPECT_EQ(loaded.ComPort, TMainSettings::ComPortNone);
    EXPECT_EQ(loaded.SlaveAddress, 1);
}

TEST_F(SettingsModelTest, TheLanguageFallsBackToTheMachineStoreAndIsCarriedThrough)
{
    writeFile("machine.ini", "[OPTIONS]\nLANGUAGE=German\n");
    const auto machine = store("machine.ini", true);
    struct Case {
        QByteArray userFile;
        const TSettingsStore *machine;
        const char *language;
    };
    const Case cases[] = {
        {"", machine.get(), "German"},
        {"[OPTIONS]\nLANGUAGE=Czech\n", machine.get(), "Czech"},
        {"[OPTIONS]\nLANGUAGE=language_not_found\n", machine.get(), "German"},
        {"", nullptr, "language_not_found"},
    };
    for (const Case &c : cases) {
        writeFile("Ombrix.ini", c.userFile);
        TMainSettings s;
        {
            const auto user = store();
            s.Load(*user, c.machine);
            EXPECT_EQ(s.LanguageSetting, QString::fromUtf8(c.language)) << c.userFile.constData();
            s.Save(*user);
        }
        // Written to the user store as read, so the machine's value becomes the user's own.
        EXPECT_EQ(store()->ReadString(SecOptions, KeyLanguage, QString()), QString::fromUtf8(c.language));
    }
}

TEST_F(SettingsModelTest, UnknownOrBrokenValuesGiveTheDefaults)
{
    writeFile("Ombrix.ini", "[POPUP_WINDOW]\nHIDABLE=abc\n"
                            "[CONNECTION]\nPROTOCOL=USB\nTCP_PORT=5o2\nSPEED=\nTIMEOUT=1.5\n"
                            "[SETTINGS]\nACOUSTIC_ALARM=sound file\nAC_REPEAT_TYPE=Twice\nINTERVAL=x\n"
                            "LOG_TO_CSV=7\n"
                            "[MAIN_WINDOW]\nLEFT=10\nTOP=10\nWIDTH=0\nHEIGHT=500\n"
                            "[USR_ALARMS]\n2%20-%20ANLG_LIM_HI=25.5\n2%20-%20ANLG_HYST=\"25,5\"\n");
    TMainSettings s;
    s.Load(*store(), nullptr);
    EXPECT_TRUE(s.PopupHidable);
    EXPECT_EQ(s.Protocol, TProtocol::Ethernet);
    EXPECT_EQ(s.TcpPort, 502);
    EXPECT_EQ(s.Speed, 9600);
    EXPECT_EQ(s.Timeout, 3000);
    EXPECT_EQ(s.Acoustic.SoundMode, TSoundMode::Disabled); // the mode names match exactly
    EXPECT_EQ(s.Acoustic.RepeatMode, TRepeatMode::Once);
    EXPECT_EQ(s.Interval, 1);
    EXPECT_TRUE(s.LogToCsv); // any non-zero number is true
    EXPECT_EQ(s.UserAlarms[2].HiLim, 25.5);
    EXPECT_EQ(s.UserAlarms[2].Hyst, 0.0);     // a decimal comma under a decimal-point locale
    EXPECT_FALSE(s.WindowGeometry.isValid()); // no width: no remembered size at all

    writeFile("Ombrix.ini", "[CONNECTION]\nPROTOCOL=rs485\n");
    s.Load(*store(), nullptr);
    EXPECT_EQ(s.Protocol, TProtocol::RS485); // the list finds names in any case
}

// Every choice is stored as the name it has always had, keeps the number files and command
// lines use (its index in the name list), and comes back as itself.
TEST(SettingsModelNames, EveryChoiceRoundTripsThroughItsStoredName)
{
    struct Case {
        int number;
        const char *name;
    };
    const Case sounds[] = {{0, "Disabled"}, {1, "System sound"}, {2, "Sound file"}};
    for (const Case &c : sounds) {
        SCOPED_TRACE(c.name);
        const auto mode = static_cast<TSoundMode>(c.number);
        EXPECT_EQ(SoundModeName(mode), QString::fromLatin1(c.name));
        EXPECT_EQ(SoundModeFromName(SoundModeName(mode)), mode);
        EXPECT_EQ(ChoiceIndex(mode), c.number);
    }
    const Case repeats[] = {{0, "Once"}, {1, "During alarm"}, {2, "Until user interrupt"}};
    for (const Case &c : repeats) {
        SCOPED_TRACE(c.name);
        const auto mode = static_cast<TRepeatMode>(c.number);
        EXPECT_EQ(RepeatModeName(mode), QString::fromLatin1(c.name));
        EXPECT_EQ(RepeatModeFromName(RepeatModeName(mode)), mode);
        EXPECT_EQ(ChoiceIndex(mode), c.number);
    }
    const Case protocols[] = {{0, "Ethernet"}, {1, "RS232"}, {2, "RS485"}};
    for (const Case &c : protocols) {
        SCOPED_TRACE(c.name);
        const auto protocol = static_cast<TProtocol>(c.number);
        EXPECT_EQ(ProtocolName(protocol), QString::fromLatin1(c.name));
        EXPECT_EQ(ProtocolFromName(ProtocolName(protocol)), protocol);
        EXPECT_EQ(ChoiceIndex(protocol), c.number);
    }
    EXPECT_EQ(SoundModeName(TSoundMode::SystemSound), QStringLiteral("System sound"));
    EXPECT_EQ(RepeatModeName(TRepeatMode::UntilUserInterrupt), QStringLiteral("Until user interrupt"));
    EXPECT_EQ(ProtocolName(TProtocol::RS232), QStringLiteral("RS232"));
}

TEST(SettingsModelNames, ANumberOutsideTheChoicesIsStoredAsTheFirstName)
{
    EXPECT_EQ(SoundModeName(static_cast<TSoundMode>(7)), QStringLiteral("Disabled"));
    EXPECT_EQ(RepeatModeName(static_cast<TRepeatMode>(200)), QStringLiteral("Once"));
    EXPECT_EQ(ProtocolName(static_cast<TProtocol>(9)), QStringLiteral("Ethernet"));
}

TEST(SettingsModelNames, ARateTheSpeedListLacksSelectsItsFirstEntry)
{
    const QList<TTextValue> rates = BaudRates();
    EXPECT_EQ(rates[BaudRateListIndex(19200)].Value, 19200);
    EXPECT_EQ(rates[BaudRateListIndex(115200)].Value, 115200);
    EXPECT_EQ(BaudRateListIndex(128000), 0);
    EXPECT_EQ(rates[BaudRateListIndex(128000)].Value, 110);
    EXPECT_EQ(BaudRateListIndex(-5), 0);
}

TEST(SettingsModelSlots, CopyToAndFromAQuantityKeepsItsOtherState)
{
    TLangQuan q;
    q.AlarmMode = TLangQuan::amLimits;
    q.ReadOK = true;
    const TUserAlarmSlot slot{true, 30.0, 10.0, 0.5, true, false};
    slot.ApplyTo(q);
    EXPECT_EQ(TUserAlarmSlot::From(q), slot);
    EXPECT_EQ(q.AlarmMode, TLangQuan::amLimits);
    EXPECT_TRUE(q.ReadOK);
}
