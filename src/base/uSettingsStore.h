#pragma once

#include <QLatin1String>
#include <QLocale>
#include <QPoint>
#include <QString>
#include <memory>
#include <optional>

class QSettings;
class TLangQuan;

// Sections, keys and defaults of the settings store. The names are stored as they are here;
// they never follow the brand or the language.
namespace SettingsKeys
{

inline constexpr QLatin1String SecOptions("OPTIONS");
inline constexpr QLatin1String KeyLanguage("LANGUAGE");
inline constexpr QLatin1String DefLanguage("language_not_found");

inline constexpr QLatin1String SecPopupWindow("POPUP_WINDOW");
inline constexpr QLatin1String KeyHidable("HIDABLE");
inline constexpr bool DefHidable = true;
inline constexpr QLatin1String KeyFontColor("FONT_COLOR");
inline constexpr int DefFontColor = 12632256; // 0xC0C0C0, colours are 0x00BBGGRR
inline constexpr QLatin1String KeyBackgroundColor("BACKGROUND_COLOR");
inline constexpr int DefBackgroundColor = 8404992; // 0x804000
inline constexpr QLatin1String KeySize("SIZE");
inline constexpr QLatin1String DefSize("Small");
inline constexpr QLatin1String KeyTransparency("TRANSPARENCY");
inline constexpr int DefTransparency = 100;
inline constexpr QLatin1String KeyVisibleTitle("VISIBLE_TITLE");
inline constexpr bool DefVisibleTitle = true;
inline constexpr QLatin1String KeyLayOutHorizontally("LAY-OUT_HORIZONTALLY");
inline constexpr bool DefLayOutHorizontally = false;
inline constexpr QLatin1String KeyVisibleQuantityTitles("VISIBLE_QUANTITY_TITLES");
inline constexpr bool DefVisibleQuantityTitles = true;
// "TOP" holds the window's LEFT coordinate and "LEFT" its TOP coordinate. Settings stored by
// earlier versions depend on this swap; ReadPopupPosition/WritePopupPosition keep it in one place.
// Their defaults depend on the screen: work-area width + 1 and work-area height + 1.
inline constexpr QLatin1String KeyTop("TOP");
inline constexpr QLatin1String KeyLeft("LEFT");
inline constexpr QLatin1String KeyAutoPos("AUTO_POS");
inline constexpr bool DefAutoPos = true;

inline constexpr QLatin1String SecConnection("CONNECTION");
inline constexpr QLatin1String KeyProtocol("PROTOCOL");
inline constexpr QLatin1String DefProtocol("Ethernet");
inline constexpr QLatin1String KeyIpAddress("IP_ADDRESS");
inline constexpr QLatin1String DefIpAddress("");
inline constexpr QLatin1String KeyTcpPort("TCP_PORT");
inline constexpr int DefTcpPort = 502;
inline constexpr QLatin1String KeyTimeout("TIMEOUT");
inline constexpr int DefTimeout = 3000;
inline constexpr QLatin1String KeyComPort("COM_PORT");
inline constexpr int DefComPort = 0;
inline constexpr int ComPortNone = -1; // written while "None" is selected
inline constexpr QLatin1String KeySpeed("SPEED");
inline constexpr int DefSpeed = 9600;
inline constexpr QLatin1String KeySlaveAddr("SLAVE_ADDR");
inline constexpr int DefSlaveAddr = 1;

inline constexpr QLatin1String SecSettings("SETTINGS");
inline constexpr QLatin1String KeyLogToCsv("LOG_TO_CSV");
inline constexpr bool DefLogToCsv = false;
inline constexpr QLatin1String KeyCsvName("CSV_NAME");
inline constexpr QLatin1String DefCsvName("");
inline constexpr QLatin1String KeyInterval("INTERVAL");
inline constexpr int DefInterval = 1;
inline constexpr QLatin1String KeyGraphLen("GRAPH_LEN");
inline constexpr int DefGraphLen = 1;
inline constexpr QLatin1String KeyAcousticAlarm("ACOUSTIC_ALARM");
inline constexpr QLatin1String DefAcousticAlarm("Disabled");
inline constexpr QLatin1String KeyAcSystemSound("AC_SYSTEM_SOUND");
inline constexpr QLatin1String DefAcSystemSound("SystemExclamation");
inline constexpr QLatin1String KeyAcSoundFile("AC_SOUND_FILE");
inline constexpr QLatin1String DefAcSoundFile("");
inline constexpr QLatin1String KeyAcInterval("AC_INTERVAL");
inline constexpr int DefAcInterval = 10;
inline constexpr QLatin1String KeyAcRepeatType("AC_REPEAT_TYPE");
inline constexpr QLatin1String DefAcRepeatType("Once");

// The main window's place and size as the user left them: LEFT and TOP mean what they say here.
// Missing or not positive sizes: the window opens centred at the size its content needs.
inline constexpr QLatin1String SecMainWindow("MAIN_WINDOW");
inline constexpr QLatin1String KeyWindowLeft("LEFT");
inline constexpr QLatin1String KeyWindowTop("TOP");
inline constexpr QLatin1String KeyWindowWidth("WIDTH");
inline constexpr QLatin1String KeyWindowHeight("HEIGHT");

inline constexpr QLatin1String SecUsrAlarms("USR_ALARMS");
inline constexpr int UserAlarmSlotCount = 20;
inline constexpr QLatin1String SufAnlgAlarmsEnabled("ANLG_ALARMS_ENABLED");
inline constexpr QLatin1String SufAnlgLimHi("ANLG_LIM_HI");
inline constexpr QLatin1String SufAnlgLimLo("ANLG_LIM_LO");
inline constexpr QLatin1String SufAnlgHyst("ANLG_HYST");
inline constexpr QLatin1String SufBinClosed("BIN_CLOSED");
inline constexpr QLatin1String SufBinOpen("BIN_OPEN");

// "<slot> - <suffix>", e.g. "3 - ANLG_LIM_HI".
QString UserAlarmKey(int slot, QLatin1String suffix);

} // namespace SettingsKeys

// Real numbers as the store keeps them: the general form with up to 15 significant digits and
// the locale's decimal separator, no group separators, an ASCII minus sign, fixed notation for
// 1E-5 <= |v| < 1E15 and "1.5E20" / "1E-6" otherwise.
QString FloatToSettingsText(double value, const QLocale &locale);
// Reads the locale's form first and the C form ("25.5") second; group separators are never
// accepted, so "25,5" under a decimal-point locale does not convert; nor do "nan" and "inf".
std::optional<double> SettingsTextToFloat(const QString &text, const QLocale &locale);
// A whole decimal number (surrounding blanks allowed); none for anything else.
std::optional<int> SettingsTextToInteger(const QString &text);

// One root of the settings store: a file of sections holding named text values.
// Every value is kept as text in the forms above; a missing section or key, or a text
// that does not convert, gives the caller's default.
class TSettingsStore
{
public:
    // A read-only store never writes its file; when the file is missing every read gives
    // the default. The locale decides the decimal separator of real numbers.
    TSettingsStore(const QString &fileName, bool readOnly, const QLocale &locale = QLocale::system());
    ~TSettingsStore();
    TSettingsStore(const TSettingsStore &) = delete;
    TSettingsStore &operator=(const TSettingsStore &) = delete;

    const QString &FileName() const { return m_fileName; }
    bool IsReadOnly() const { return m_readOnly; }
    const QLocale &Locale() const { return m_locale; }
    void SetLocale(const QLocale &locale) { m_locale = locale; }

    bool ValueExists(const QString &section, const QString &key) const;
    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    bool ReadBool(const QString &section, const QString &key, bool defaultValue) const;
    // A missing key gives defaultValue; a stored text that does not convert gives 0.
    double ReadFloat(const QString &section, const QString &key, double defaultValue = 0.0) const;

    // Each write creates the section when missing. A read-only store refuses (false).
    bool WriteString(const QString &section, const QString &key, const QString &value);
    bool WriteInteger(const QString &section, const QString &key, int value);
    bool WriteBool(const QString &section, const QString &key, bool value);
    bool WriteFloat(const QString &section, const QString &key, double value);

    // Writes pending changes to the file; false when the file could not be written.
    bool Sync();

private:
    std::optional<QString> RawValue(const QString &section, const QString &key) const;

    QString m_fileName;
    bool m_readOnly;
    QLocale m_locale;
    std::unique_ptr<QSettings> m_settings;
};

// The user alarm settings of one quantity slot (0 to 19) in "USR_ALARMS": the limits enabled
// flag, the high and low limit, the hysteresis and the two binary alarm flags. Missing keys
// give false and 0; limits that do not convert give 0.
void LoadUserAlarmSlot(const TSettingsStore &store, int slot, TLangQuan &quantity);
void SaveUserAlarmSlot(TSettingsStore &store, int slot, const TLangQuan &quantity);

// The popup window's remembered place: its left coordinate lives under "TOP" and its top
// coordinate under "LEFT".
QPoint ReadPopupPosition(const TSettingsStore &store, const QPoint &defaultPosition);
void WritePopupPosition(TSettingsStore &store, const QPoint &position);
