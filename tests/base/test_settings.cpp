#include "base/uSettingsStore.h"
#include "model/uOBGlob.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace SettingsKeys;

namespace
{

class SettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("Ombrix.ini")); }

    void writeFile(const QByteArray &content)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray fileText() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace

TEST(SettingsValueForms, RealsAreWrittenInGeneralFormWithTheLocaleSeparator)
{
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    struct Case {
        double value;
        QLocale locale;
        const char *text;
    };
    const Case cases[] = {
        {25.5, en, "25.5"},
        {25.5, de, "25,5"},
        {1234567.25, de, "1234567,25"}, // never a group separator
        {0.0, de, "0"},
        {-0.001, en, "-0.001"},
        {1.0 / 3.0, en, "0.333333333333333"},
        {123456789012345.0, en, "123456789012345"},
        {1e15, en, "1E15"},
        {1.5e20, de, "1,5E20"},
        {0.00001, en, "0.00001"},
        {-2.5e-7, en, "-2.5E-7"},
        {-40.0, QLocale(QLocale::Swedish, QLocale::Sweden), "-40"}, // ASCII minus, not U+2212
    };
    for (const Case &c : cases)
        EXPECT_EQ(FloatToSettingsText(c.value, c.locale), QString::fromUtf8(c.text)) << c.value;
}

TEST(SettingsValueForms, RealsReadTheLocaleFormThenTheCForm)
{
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    struct Case {
        const char *text;
        QLocale locale;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"25,5", de, 25.5},
        {"25.5", de, 25.5},
        {" -3,25 ", de, -3.25},
        {"1,5E20", de, 1.5e20},
        {"25,5", en, std::nullopt},  // a decimal comma does not convert under a
                                     // decimal point
        {"1,000", en, std::nullopt}, // group separators are never accepted
        {"abc", en, std::nullopt},
        {"", de, std::nullopt},
        // Not finite numbers, as a hand-edited file may hold them: none of them is a limit.
        {"nan", en, std::nullopt},
        {"NaN", de, std::nullopt},
        {"inf", en, std::nullopt},
        {"-INF", de, std::nullopt},
        {"+infinity", en, std::nullopt},
        {"1e999", en, std::nullopt},
    };
    for (const Case &c : cases) {
        const std::optional<double> value = SettingsTextToFloat(QString::fromUtf8(c.text), c.locale);
        EXPECT_EQ(value.has_value(), c.value.has_value()) << c.text;
        if (value && c.value) {
            EXPECT_DOUBLE_EQ(*value, *c.value) << c.text;
        }
    }
}

TEST(SettingsValueForms, RealsSurviveARoundTripInEveryLocale)
{
    const double values[] = {25.5, -0.001, 1.0 / 3.0, 1e15, 1.5e20, -2.5e-7, 1013.25};
    for (const QLocale &locale : {QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
        for (double v : values) {
            EXPECT_NEAR(*SettingsTextToFloat(FloatToSettingsText(v, locale), locale), v,
                        std::fabs(v) * 1e-14);
        }
    }
}

TEST(SettingsValueForms, IntegersAreWholeDecimalNumbersOnly)
{
    struct Case {
        const char *text;
        std::optional<int> value;
    };
    const Case cases[] = {{"502", 502},
                          {"-1", -1},
                          {" 12 ", 12},
                          {"1.5", std::nullopt},
                          {"12abc", std::nullopt},
                          {"", std::nullopt},
                          {"99999999999", std::nullopt}};
    for (const Case &c : cases)
        EXPECT_EQ(SettingsTextToInteger(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST_F(SettingsStoreTest, MissingSectionsAndKeysGiveTheDefaults)
{
    TSettingsStore store(path(), false);
    EXPECT_EQ(store.ReadString(SecOptions, KeyLanguage, DefLanguage), QStringLiteral("language_not_found"));
    EXPECT_EQ(store.ReadInteger(SecConnection, KeyTcpPort, DefTcpPort), 502);
    EXPECT_TRUE(store.ReadBool(SecPopupWindow, KeyHidable, DefHidable));
    EXPECT_FALSE(store.ReadBool(SecSettings, KeyLogToCsv, DefLogToCsv));
    EXPECT_EQ(store.ReadFloat(SecUsrAlarms, UserAlarmKey(0, SufAnlgLimHi)), 0.0);
    EXPECT_FALSE(store.ValueExists(SecOptions, KeyLanguage));
}

TEST_F(SettingsStoreTest, StoredTextsConvertOrFallBackByForm)
{
    writeFile("[CONNECTION]\n"
              "TCP_PORT=abc\n"
              "SPEED=19200\n"
              "IP_ADDRESS=192.168.1.10\n"
              "[POPUP_WINDOW]\n"
              "HIDABLE=0\n"
              "AUTO_POS=5\n"
              "VISIBLE_TITLE=yes\n"
              "[USR_ALARMS]\n"
              "0%20-%20ANLG_LIM_HI=oops\n"
              "1%20-%20ANLG_LIM_HI=25,5\n"
              "2%20-%20ANLG_LIM_LO=-inf\n"
              "2%20-%20ANLG_HYST=nan\n");
    TSettingsStore store(path(), false, QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(store.ReadInteger(SecConnection, KeyTcpPort, DefTcpPort), 502);
    EXPECT_EQ(store.ReadInteger(SecConnection, KeySpeed, DefSpeed), 19200);
    EXPECT_EQ(store.ReadString(SecConnection, KeyIpAddress, DefIpAddress), QStringLiteral("192.168.1.10"));
    EXPECT_FALSE(store.ReadBool(SecPopupWindow, KeyHidable, true));
    EXPECT_TRUE(store.ReadBool(SecPopupWindow, KeyAutoPos, false));       // any non-zero number
    EXPECT_FALSE(store.ReadBool(SecPopupWindow, KeyVisibleTitle, false)); // no number: the default
    // A real that does not convert reads as 0 even when the caller's default differs.
    EXPECT_EQ(store.ReadFloat(SecUsrAlarms, UserAlarmKey(0, SufAnlgLimHi), 7.0), 0.0);
    // An unquoted "25,5" written by hand is still one value.
    EXPECT_DOUBLE_EQ(store.ReadFloat(SecUsrAlarms, UserAlarmKey(1, SufAnlgLimHi)), 25.5);
    // A limit or hysteresis that is no finite number reads as 0, as a text that does not convert.
    EXPECT_EQ(store.ReadFloat(SecUsrAlarms, UserAlarmKey(2, SufAnlgLimLo), 7.0), 0.0);
    EXPECT_EQ(store.ReadFloat(SecUsrAlarms, UserAlarmKey(2, SufAnlgHyst), 7.0), 0.0);
}

TEST_F(SettingsStoreTest, ValuesAreWrittenAsTextAndReadBack)
{
    {
        TSettingsStore store(path(), false);
        store.WriteString(SecConnection, KeyProtocol, QStringLiteral("RS485"));
        store.WriteInteger(SecConnection, KeyComPort, ComPortNone);
        store.WriteBool(SecSettings, KeyLogToCsv, true);
        store.WriteString(SecSettings, KeyCsvName, QStringLiteral("/home/u/a, b.csv"));
        ASSERT_TRUE(store.Sync());
    }
    const QByteArray text = fileText();
    EXPECT_TRUE(text.contains("[CONNECTION]"));
    EXPECT_TRUE(text.contains("COM_PORT=-1"));
    EXPECT_TRUE(text.contains("LOG_TO_CSV=1"));

    TSettingsStore store(path(), false);
    EXPECT_EQ(store.ReadString(SecConnection, KeyProtocol, DefProtocol), QStringLiteral("RS485"));
    EXPECT_EQ(store.ReadInteger(SecConnection, KeyComPort, DefComPort), -1);
    EXPECT_TRUE(store.ReadBool(SecSettings, KeyLogToCsv, DefLogToCsv));
    EXPECT_EQ(store.ReadString(SecSettings, KeyCsvName, DefCsvName), QStringLiteral("/home/u/a, b.csv"));
}

TEST_F(SettingsStoreTest, ALimitSavedUnderADecimalCommaReadsAsZeroUnderADecimalPoint)
{
    {
        TSettingsStore store(path(), false, QLocale(QLocale::German, QLocale::Germany));
        store.WriteFloat(SecUsrAlarms, UserAlarmKey(0, SufAnlgLimHi), 25.5);
        ASSERT_TRUE(store.Sync());
    }
    EXPECT_TRUE(fileText().contains("25,5"));
    TSettingsStore store(path(), false, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(store.ReadFloat(SecUsrAlarms, UserAlarmKey(0, SufAnlgLimHi)), 0.0);
}

TEST_F(SettingsStoreTest, AReadOnlyStoreNeverWritesItsFile)
{
    {
        TSettingsStore store(path(), true);
        EXPECT_FALSE(store.WriteString(SecOptions, KeyLanguage, QStringLiteral("x")));
        EXPECT_EQ(store.ReadString(SecOptions, KeyLanguage, DefLanguage),
                  QStringLiteral("language_not_found"));
        EXPECT_TRUE(store.Sync());
    }
    EXPECT_FALSE(QFile::exists(path()));

    writeFile("[OPTIONS]\nLANGUAGE=cs\n");
    TSettingsStore store(path(), true);
    EXPECT_EQ(store.ReadString(SecOptions, KeyLanguage, DefLanguage), QStringLiteral("cs"));
}

TEST_F(SettingsStoreTest, UserAlarmSlotsKeepAllSixFieldsUnderTheirSlotNumber)
{
    TLangQuan saved;
    saved.LimitsEnabled = true;
    saved.HiLim = 30.5;
    saved.LoLim = -10.25;
    saved.Hyst = 0.5;
    saved.AlarmOnClosing = true;
    saved.AlarmOnOpening = false;
    {
        TSettingsStore store(path(), false, QLocale(QLocale::German, QLocale::Germany));
        SaveUserAlarmSlot(store, 13, saved);
        ASSERT_TRUE(store.Sync());
    }
    const QByteArray text = fileText();
    for (const char *line : {"13%20-%20ANLG_ALARMS_ENABLED=1", "13%20-%20ANLG_LIM_HI=\"30,5\"",
                             "13%20-%20ANLG_LIM_LO=\"-10,25\"", "13%20-%20ANLG_HYST=\"0,5\"",
                             "13%20-%20BIN_CLOSED=1", "13%20-%20BIN_OPEN=0"})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << text.constData();

    TSettingsStore store(path(), false, QLocale(QLocale::German, QLocale::Germany));
    TLangQuan loaded;
    LoadUserAlarmSlot(store, 13, loaded);
    EXPECT_TRUE(loaded.LimitsEnabled);
    EXPECT_DOUBLE_EQ(loaded.HiLim, 30.5);
    EXPECT_DOUBLE_EQ(loaded.LoLim, -10.25);
    EXPECT_DOUBLE_EQ(loaded.Hyst, 0.5);
    EXPECT_TRUE(loaded.AlarmOnClosing);
    EXPECT_FALSE(loaded.AlarmOnOpening);

    // Another slot has nothing stored: false and 0, whatever the quantity held before.
    TLangQuan other;
    other.LimitsEnabled = true;
    other.HiLim = 99.0;
    other.AlarmOnOpening = true;
    LoadUserAlarmSlot(store, 12, other);
    EXPECT_FALSE(other.LimitsEnabled);
    EXPECT_EQ(other.HiLim, 0.0);
    EXPECT_FALSE(other.AlarmOnOpening);
}

TEST_F(SettingsStoreTest, PopupPositionIsStoredWithTopAndLeftSwapped)
{
    {
        TSettingsStore store(path(), false);
        EXPECT_EQ(ReadPopupPosition(store, QPoint(1921, 1041)), QPoint(1921, 1041));
        WritePopupPosition(store, QPoint(100, 700)); // left 100, top 700
        ASSERT_TRUE(store.Sync());
    }
    const QByteArray text = fileText();
    EXPECT_TRUE(text.contains("TOP=100"));
    EXPECT_TRUE(text.contains("LEFT=700"));
    TSettingsStore store(path(), false);
    EXPECT_EQ(ReadPopupPosition(store, QPoint()), QPoint(100, 700));
}

TEST(SettingsKeysTest, UserAlarmKeysFollowTheSlotPattern)
{
    EXPECT_EQ(UserAlarmKey(0, SufAnlgAlarmsEnabled), QStringLiteral("0 - ANLG_ALARMS_ENABLED"));
    EXPECT_EQ(UserAlarmKey(19, SufBinOpen), QStringLiteral("19 - BIN_OPEN"));
}
