#pragma once

#include "base/uSettingsStore.h"
#include "model/uAcousticSettings.h"

#include <QRect>
#include <QString>
#include <array>
#include <cstdint>

class TLangQuan;

// The user alarm settings of one quantity slot as the store keeps them.
struct TUserAlarmSlot {
    bool LimitsEnabled = false;
    double HiLim = 0.0;
    double LoLim = 0.0;
    double Hyst = 0.0;
    bool AlarmOnClosing = false;
    bool AlarmOnOpening = false;

    static TUserAlarmSlot From(const TLangQuan &quantity);
    void ApplyTo(TLangQuan &quantity) const;
    bool operator==(const TUserAlarmSlot &) const = default;
};

// Everything the main window keeps between runs: the values its frames and objects hold,
// in the order of the store's sections. The frames copy their controls into it before
// Save and out of it after Load; the popup window keeps its own keys itself.
// A default-constructed value holds the settings of a fresh user.
struct TMainSettings {
    static constexpr int ComPortNone = SettingsKeys::ComPortNone;

    // OPTIONS: carried through unchanged.
    QString LanguageSetting = SettingsKeys::DefLanguage;
    // POPUP_WINDOW: true = the popup fades out and hides itself, false = it stays on top.
    bool PopupHidable = SettingsKeys::DefHidable;

    // CONNECTION
    TProtocol Protocol = TProtocol::Ethernet;
    QString IP;
    int TcpPort = SettingsKeys::DefTcpPort;
    int Timeout = SettingsKeys::DefTimeout; // ms
    // n of the list item "COM<n>", ComPortNone while "None" is selected. A fresh user has 0,
    // which no list offers, so "None" is shown.
    int ComPort = SettingsKeys::DefComPort;
    int Speed = SettingsKeys::DefSpeed; // the frame selects the list entry of this rate, else the first entry
    int SlaveAddress = SettingsKeys::DefSlaveAddr; // stored only while RS485 is selected; 1 otherwise

    // SETTINGS
    bool LogToCsv = SettingsKeys::DefLogToCsv;
    QString CsvName;                             // as the user typed or chose it
    int Interval = SettingsKeys::DefInterval;    // seconds
    int GraphLength = SettingsKeys::DefGraphLen; // minutes
    TAcousticSettings Acoustic{TSoundMode::Disabled, SettingsKeys::DefAcSystemSound, QString(),
                               SettingsKeys::DefAcInterval, TRepeatMode::Once};

    // MAIN_WINDOW: the frame's top-left corner and the client size; none (not valid) for a fresh user.
    QRect WindowGeometry;

    // USR_ALARMS: the 20 quantity slots of the connection frame, in slot order.
    std::array<TUserAlarmSlot, SettingsKeys::UserAlarmSlotCount> UserAlarms{};

    // Reads every key from the user store; a missing or unconvertible value gives the
    // default of a fresh user. The language falls back to the machine-wide store (may be
    // null) when the user store has none.
    void Load(const TSettingsStore &user, const TSettingsStore *machine);
    // Writes every key in the store's order; the language text is written as it was read.
    void Save(TSettingsStore &user) const;

    bool operator==(const TMainSettings &) const = default;
};

// Choice <-> the stored name. Unknown names give the first choice ("Disabled", "Once", Ethernet);
// a number outside the choices (read from elsewhere) gives the first name.
TSoundMode SoundModeFromName(const QString &name);
QString SoundModeName(TSoundMode mode);
TRepeatMode RepeatModeFromName(const QString &name);
QString RepeatModeName(TRepeatMode mode);
TProtocol ProtocolFromName(const QString &name);
QString ProtocolName(TProtocol protocol);

// The index of the speed list entry that a stored or given rate selects: the entry with
// that rate, else the first one (110 baud).
int BaudRateListIndex(int rate);
