#pragma once

#include "model/uQuantity.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The quantity class instantiated for every channel slot: a TQuantity plus the
// state of its last reading, the alarm code the device reported, the user's
// alarm settings and the alarm state with its acknowledge latches.
// The alarm evaluation itself lives here (EvaluateAlarm) and in the reader core
// (reading/uReaderCore runs it every tick and decides the sound), not in alarms/,
// which holds only the dialogs that edit these settings.
class TLangQuan : public TQuantity
{
public:
    // AlarmState values.
    static constexpr std::uint8_t asNone = 0;
    static constexpr std::uint8_t asLow = 1;
    static constexpr std::uint8_t asHigh = 2;
    // Latch values (AlarmLatch, ErrorLatch).
    static constexpr std::uint8_t lsIdle = 0;
    static constexpr std::uint8_t lsPending = 1;      // present and not acknowledged
    static constexpr std::uint8_t lsAcknowledged = 2; // acknowledged, may still be present
    // AlarmMode values.
    static constexpr std::uint8_t amDevice = 0; // from DeviceAlarmCode
    static constexpr std::uint8_t amLimits = 1; // from the user limits
    static constexpr std::uint8_t amBinary = 2; // binary rule for inputs and relays

    TLangQuan() = default;

    bool ReadOK = false;
    QString ErrorText = QStringLiteral("Error ");
    std::uint8_t AlarmState = 0;
    std::uint8_t AlarmLatch = 0;
    std::uint8_t ErrorLatch = 0;
    QString DeviceAlarmCode = QStringLiteral("no");
    std::uint8_t AlarmMode = 0;
    bool LimitsEnabled = false;
    double HiLim = 0.0;
    double LoLim = 0.0;
    double Hyst = 0.0;
    bool AlarmOnClosing = false;
    bool AlarmOnOpening = false;

    // Clears the alarm state, both latches and the device code; the user fields stay.
    void ResetAlarms();
    void SetDeviceAlarmCode(const QString &code) { DeviceAlarmCode = code; }
    // Updates AlarmState and both latches; true while in alarm or the last reading failed.
    bool EvaluateAlarm();
    // Pending latches become acknowledged.
    void AcknowledgeAlarms();
};

// A quantity whose name, unit text and decimals come from the device configuration.
class TLangQuanEx : public TLangQuan
{
public:
    TLangQuanEx() = default;

    QString CustomName;
    std::uint8_t CustomDecimals = 2;
    QString CustomUnit;
    std::uint32_t RawReading = 0; // raw register pair of the last reading

    void SetCustomName(const QString &name) { CustomName = name; }
    void SetCustomDecimals(std::uint8_t decimals) { CustomDecimals = decimals; }
    void SetCustomUnit(const QString &unit) { CustomUnit = unit; }

    QString GetName() const override { return CustomName; }
    std::uint8_t GetDecimals() const override { return CustomDecimals; }
    QString GetUnitSymbol() const override { return CustomUnit; }
    QString GetPlainUnitSymbol() const override { return CustomUnit; }
};

struct TErrMessage {
    std::int32_t Code = 0;
    QString Text;
};

// The error codes a device family puts into its value registers, with their texts.
class TErrMessageList
{
public:
    // List types.
    static constexpr std::uint8_t ltGeneric = 0;
    static constexpr std::uint8_t ltGelmi = 1;
    static constexpr std::uint8_t ltDusko = 2;

    // Builds the list of the given type right away (the generic list by default).
    explicit TErrMessageList(int listType = ltGeneric) { SetListType(listType); }

    QList<TErrMessage> Items;
    std::uint8_t ListType = ltGeneric;

    // Rebuilds Items: types 1 and 2 get the ten Ethernet entries, anything else the
    // generic one. The remembered type is the one given (0 for an unknown type).
    void SetListType(int listType);
    int Count() const { return static_cast<int>(Items.size()); }
    // A copy of the entry; raises Exception "Index out of bound." outside 0..Count()-1.
    TErrMessage GetItem(int index) const;
    // Reads raw as a single-precision float bit pattern sent by the device. For the
    // device's error patterns sets text and returns true; for a valid measurement
    // (or an empty list) returns false and leaves text unchanged.
    bool ErrorText(std::uint32_t raw, QString &text) const;
};

// One entry of a choice table: shown as Text followed directly by UnitText.
struct TTextValue {
    QString Text;     // a number followed by one space
    QString UnitText; // translated unit word
    std::int32_t Value = 0;

    QString Display() const { return Text + UnitText; }
};

// Choice tables. Built on each call so the unit words follow the active language
// (context "TTextValue").
QList<TTextValue> ReadingIntervals(); // value in seconds
QList<TTextValue> ChartLengths();     // value in minutes
QList<TTextValue> BaudRates();        // value in bit/s

// Fixed name lists, indexed from 0, never translated.
const QStringList &ProtocolNames();       // "Ethernet", "RS232", "RS485" (index = protocol code)
const QStringList &PopupSizeNames();      // "Small", "Medium", "Large"
const QStringList &SoundModeNames();      // "Disabled", "System sound", "Sound file"
const QStringList &RepetitionModeNames(); // "Once", "During alarm", "Until user interrupt"

// The choices of the name lists above as types of their own, so a protocol cannot be passed
// where a sound mode is meant. Each value is the index of its name, and the number stored
// files and the command line have always used; conversions from and to numbers are explicit.
enum class TProtocol : std::uint8_t { Ethernet = 0, RS232 = 1, RS485 = 2 };
enum class TSoundMode : std::uint8_t { Disabled = 0, SystemSound = 1, SoundFile = 2 };
enum class TRepeatMode : std::uint8_t { Once = 0, DuringAlarm = 1, UntilUserInterrupt = 2 };

// The number of a choice, for storing and indexing the name lists.
template <typename E> constexpr int ChoiceIndex(E choice)
{
    return static_cast<int>(choice);
}
// The protocol of a name of ProtocolNames() in any letter case, as the drop-down list and the
// command lines find it; none for another text.
std::optional<TProtocol> ProtocolOfName(const QString &name);

// Scales red, green and blue of a 0x00RRGGBB colour by percentage / 100, rounding
// to the nearest integer with ties to even; each channel saturates at 255. The top
// byte is passed through unchanged, so a 0xAARRGGBB colour keeps its alpha.
std::uint32_t DarkenColor(std::uint32_t colour, std::uint8_t percentage);
