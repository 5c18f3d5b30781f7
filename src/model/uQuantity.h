#pragma once

#include <QCoreApplication>
#include <QString>
#include <cstdint>
#include <functional>

// One measured or switched channel of the connected device: its type, unit,
// interpretation (immediate or averaged) and current value. The device describes
// a channel with small codes and two configuration words; this class owns the
// tables that decode them.
//
// Only the named descendants (TLangQuan, TLangQuanEx in uOBGlob.h) are meant to be
// instantiated by the program; the base carries all the decoding.
class TQuantity
{
    Q_DECLARE_TR_FUNCTIONS(TQuantity)

public:
    // Quantity type codes (the code is also the index of the type table).
    enum QuanTypeCode : std::uint8_t {
        qtNone = 0,
        qtComputed = 1,
        qtBinaryInput = 2,
        qtCO2Level = 3,
        qtRelayOutput = 4,
        qtFarRelayControl = 5,
        qtTemperature = 6,
        qtRelativeHumidity = 7,
        qtPressure = 8,
        qtCO2Concentration = 9,
        qtDewPoint = 10,
        qtAbsoluteHumidity = 11,
        qtSpecificHumidity = 12,
        qtMixingRatio = 13,
        qtSpecificEnthalpy = 14,
    };
    static constexpr int TypeCount = 15;
    static constexpr int UnitCount = 17;          // unit codes 0 to 16
    static constexpr int InterpretationCount = 2; // 0 immediate, 1 average

    // Change kinds passed to OnChange.
    enum ChangeKind : std::uint8_t { ckType = 1, ckUnit = 2, ckInterpretation = 3, ckValue = 4 };
    using TChangeEvent = std::function<void(TQuantity *sender, std::uint8_t kind)>;

    TQuantity() = default;
    virtual ~TQuantity() = default;
    TQuantity(const TQuantity &) = delete;
    TQuantity &operator=(const TQuantity &) = delete;

    // Channel number among channels of the same type; 0 = the only one, no number shown.
    std::int32_t Number = 0;
    // Current value in the quantity's unit. Write it through SetValue to get notifications.
    double Value = 0.0;
    // Configuration words as last stored; written by the setters below.
    std::uint16_t TypeWord = 0;
    std::uint16_t UnitWord = 0;
    // Optional change notification; nothing in the program installs one.
    TChangeEvent OnChange;

    // The type's name, followed by " <Number>" when Number is not 0.
    virtual QString GetName() const;
    // Decimal places of the current unit.
    virtual std::uint8_t GetDecimals() const;
    // The current unit's symbol: plain set while PlainUnits is set, typographic otherwise.
    virtual QString GetUnitSymbol() const;
    // The plain symbol ("g/m3" instead of "g/m³"): what displays, charts and logs use.
    virtual QString GetPlainUnitSymbol() const;

    std::uint8_t GetQuanType() const { return m_quanType; }
    std::uint8_t GetQuanUnit() const { return m_quanUnit; }
    std::uint8_t GetInterpretation() const { return m_interpretation; }

    // The setters raise ERangeError and leave the quantity unchanged on a bad code.
    void SetQuanType(int code);
    void SetQuanUnit(int code);
    void SetInterpretation(int code);
    void SetValue(double x);
    void SetTypeWord(std::uint16_t word);
    void SetUnitWord(std::uint16_t word);

    // Table look-ups without an instance. Out-of-range codes raise ERangeError
    // with the same messages as the setters.
    static QString TypeName(int typeCode); // translated, context "TQuantity"
    static std::uint8_t DefaultUnitOf(int typeCode);
    static std::uint8_t UnitDecimals(int unitCode);
    static QString UnitSymbol(int unitCode, bool plain);
    static QString InterpretationName(int code); // "Immediate" / "Average", translated

protected:
    // Switches GetUnitSymbol to the plain set; GetPlainUnitSymbol flips it for one call.
    mutable bool PlainUnits = false;

    void Notify(std::uint8_t kind);

private:
    void ChangeTypeTo(std::uint8_t code);

    std::uint8_t m_quanType = 0;
    std::uint8_t m_quanUnit = 0;
    std::uint8_t m_interpretation = 0;
};
