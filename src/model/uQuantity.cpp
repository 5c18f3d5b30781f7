#include "model/uQuantity.h"

#include "model/uExceptions.h"

#include <array>
#include <utility>

namespace
{

constexpr std::uint16_t allTypes = 0x7FFF; // bits 0..14

constexpr std::uint16_t typeBit(int type)
{
    return static_cast<std::uint16_t>(1u << type);
}

struct TypeEntry {
    const char *name;
    std::uint16_t typeWordBit;
    std::uint8_t defaultUnit;
    bool unitInWord;
    bool interpretationInWord;
};

// Index = type code. Names are marked for translation and looked up at call time
// so they follow a language switch.
constexpr std::array<TypeEntry, TQuantity::TypeCount> typeTable{{
    {QT_TRANSLATE_NOOP("TQuantity", "Computed quantity"), 0, 0, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Computed quantity"), 0, 1, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Binary input"), 0, 0, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "CO2 level"), 0, 0, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Relay output"), 0, 0, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Far relay control"), 0, 0, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Temperature"), 0, 2, true, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Relative humidity"), 0, 4, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Atmospheric pressure"), 0, 5, true, false},
    {QT_TRANSLATE_NOOP("TQuantity", "CO2 concentration"), 0, 13, false, true},
    {QT_TRANSLATE_NOOP("TQuantity", "Dew point"), 0x0008, 2, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Absolute humidity"), 0x0200, 14, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Specific humidity"), 0x0400, 15, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Mixing ratio"), 0x0800, 15, false, false},
    {QT_TRANSLATE_NOOP("TQuantity", "Specific enthalpy"), 0x1000, 16, false, false},
}};

// Bits of TypeWord that select a computed quantity (3, 9, 10, 11, 12).
constexpr std::uint16_t typeWordKeep = 0xE1F7;
// Bits of UnitWord that carry the temperature/pressure unit (0, 2, 3, 4).
constexpr std::uint16_t unitWordKeep = 0xFFE2;
// Bits of UnitWord that carry the CO2 interpretation (0, 2).
constexpr std::uint16_t interpretationWordKeep = 0xFFFA;

struct UnitEntry {
    std::uint8_t code;
    const char *typographic; // UTF-8
    const char *plain;
    std::uint8_t decimals;
    std::uint16_t allowedTypes; // bit per type code
    std::uint16_t mask;
    std::uint16_t bits;
};

// Table order matters for the decoding scan of SetUnitWord: code 1 deliberately
// comes before code 0.
constexpr std::array<UnitEntry, TQuantity::UnitCount> unitTable{{
    {1, "", "", 3, allTypes, 0, 0},
    {0, "", "", 0, typeBit(0) | typeBit(2) | typeBit(3) | typeBit(4) | typeBit(5), 0, 0},
    {2, "°C", "°C", 1, typeBit(6) | typeBit(10), 0, 0},
    {3, "°F", "°F", 1, typeBit(6) | typeBit(10), 0x0001, 0x0001},
    {4, "%", "%", 1, typeBit(7), 0, 0},
    {5, "hPa", "hPa", 1, typeBit(8), 0, 0},
    {6, "PSI", "PSI", 3, typeBit(8), 0x001C, 0x0004},
    {7, "inHg", "inHg", 2, typeBit(8), 0x001C, 0x0008},
    {8, "mBar", "mBar", 1, typeBit(8), 0x001C, 0x000C},
    {9, "oz/in", "oz/in", 1, typeBit(8), 0x001C, 0x0010},
    {10, "mmHg", "mmHg", 1, typeBit(8), 0x001C, 0x0014},
    {11, "inH2O", "inH2O", 1, typeBit(8), 0x001C, 0x0018},
    {12, "kPa", "kPa", 2, typeBit(8), 0x001C, 0x001C},
    {13, "ppm", "ppm", 0, typeBit(9), 0, 0},
    {14, "g/m³", "g/m3", 1, typeBit(11), 0, 0},
    {15, "g/kg", "g/kg", 1, typeBit(12) | typeBit(13), 0, 0},
    {16, "kJ/kg", "kJ/kg", 1, typeBit(14), 0, 0},
}};

struct InterpretationEntry {
    const char *name;
    std::uint16_t allowedTypes;
    std::uint16_t mask;
    std::uint16_t bits;
};

// Index = interpretation code.
constexpr std::array<InterpretationEntry, TQuantity::InterpretationCount> interpretationTable{{
    {QT_TRANSLATE_NOOP("TQuantity", "Immediate"), allTypes, 0, 0},
    {QT_TRANSLATE_NOOP("TQuantity", "Average"), typeBit(9), 0x0004, 0x0004},
}};

const TypeEntry &typeEntry(int code)
{
    if (code < 0 || code >= TQuantity::TypeCount)
        throw ERangeError(QStringLiteral("invalid quantity type"));
    return typeTable[static_cast<std::size_t>(code)];
}

const UnitEntry &unitEntry(int code)
{
    for (const UnitEntry &u : unitTable)
        if (u.code == code)
            return u;
    throw ERangeError(QStringLiteral("invalid unit type"));
}

const InterpretationEntry &interpretationEntry(int code)
{
    if (code < 0 || code >= TQuantity::InterpretationCount)
        throw ERangeError(QStringLiteral("invalid interpretation of the value"));
    return interpretationTable[static_cast<std::size_t>(code)];
}

bool allows(std::uint16_t allowedTypes, int type)
{
    return (allowedTypes & typeBit(type)) != 0;
}

// Detaches a change handler for a scope and puts it back even when the scope throws.
template <typename Handler> class DetachedHandler
{
public:
    explicit DetachedHandler(Handler &slot) : m_slot(slot), m_saved(std::exchange(slot, Handler{})) {}
    ~DetachedHandler() { m_slot = std::move(m_saved); }
    DetachedHandler(const DetachedHandler &) = delete;
    DetachedHandler &operator=(const DetachedHandler &) = delete;

private:
    Handler &m_slot;
    Handler m_saved;
};

} // namespace

QString TQuantity::TypeName(int typeCode)
{
    return tr(typeEntry(typeCode).name);
}

std::uint8_t TQuantity::DefaultUnitOf(int typeCode)
{
    return typeEntry(typeCode).defaultUnit;
}

std::uint8_t TQuantity::UnitDecimals(int unitCode)
{
    return unitEntry(unitCode).decimals;
}

QString TQuantity::UnitSymbol(int unitCode, bool plain)
{
    const UnitEntry &u = unitEntry(unitCode);
    return QString::fromUtf8(plain ? u.plain : u.typographic);
}

QString TQuantity::InterpretationName(int code)
{
    return tr(interpretationEntry(code).name);
}

QString TQuantity::GetName() const
{
    QString name = TypeName(m_quanType);
    if (Number != 0)
        name += QLatin1Char(' ') + QString::number(Number);
    return name;
}

std::uint8_t TQuantity::GetDecimals() const
{
    return UnitDecimals(m_quanUnit);
}

QString TQuantity::GetUnitSymbol() const
{
    return UnitSymbol(m_quanUnit, PlainUnits);
}

QString TQuantity::GetPlainUnitSymbol() const
{
    struct Restore {
        bool &flag;
        bool saved;
        ~Restore() { flag = saved; }
    } restore{PlainUnits, PlainUnits};
    PlainUnits = true;
    return GetUnitSymbol();
}

void TQuantity::Notify(std::uint8_t kind)
{
    if (OnChange)
        OnChange(this, kind);
}

void TQuantity::ChangeTypeTo(std::uint8_t code)
{
    m_quanType = code;
    {
        DetachedHandler<TChangeEvent> quiet(OnChange);
        SetQuanUnit(typeTable[code].defaultUnit);
        SetInterpretation(0);
    }
    Notify(ckType);
}

void TQuantity::SetQuanType(int code)
{
    const TypeEntry &t = typeEntry(code);
    TypeWord = static_cast<std::uint16_t>((TypeWord & typeWordKeep) | t.typeWordBit);
    if (code == m_quanType)
        return;
    ChangeTypeTo(static_cast<std::uint8_t>(code));
}

void TQuantity::SetQuanUnit(int code)
{
    const UnitEntry &u = unitEntry(code);
    if (!allows(u.allowedTypes, m_quanType))
        throw ERangeError(QStringLiteral("unsupported unit type"));
    if (typeTable[m_quanType].unitInWord)
        UnitWord = static_cast<std::uint16_t>((UnitWord & unitWordKeep) | u.bits);
    if (u.code != m_quanUnit) {
        m_quanUnit = u.code;
        Notify(ckUnit);
    }
}

void TQuantity::SetInterpretation(int code)
{
    const InterpretationEntry &i = interpretationEntry(code);
    if (!allows(i.allowedTypes, m_quanType))
        throw ERangeError(QStringLiteral("unsupported interpretation of the value"));
    if (typeTable[m_quanType].interpretationInWord)
        UnitWord = static_cast<std::uint16_t>((UnitWord & interpretationWordKeep) | i.bits);
    if (code != m_interpretation) {
        m_interpretation = static_cast<std::uint8_t>(code);
        Notify(ckInterpretation);
    }
}

void TQuantity::SetValue(double x)
{
    if (x == Value)
        return;
    Value = x;
    Notify(ckValue);
}

void TQuantity::SetTypeWord(std::uint16_t word)
{
    TypeWord = word;
    std::uint8_t found = qtNone;
    for (int code = qtSpecificEnthalpy; code >= qtDewPoint; --code) {
        if (word & typeTable[static_cast<std::size_t>(code)].typeWordBit) {
            found = static_cast<std::uint8_t>(code);
            break;
        }
    }
    if (found != m_quanType)
        ChangeTypeTo(found);
}

void TQuantity::SetUnitWord(std::uint16_t word)
{
    const TypeEntry &t = typeTable[m_quanType];
    if (t.unitInWord) {
        for (auto it = unitTable.rbegin(); it != unitTable.rend(); ++it) {
            if (allows(it->allowedTypes, m_quanType) && (word & it->mask) == it->bits) {
                UnitWord = static_cast<std::uint16_t>((word & unitWordKeep) | it->bits);
                if (it->code != m_quanUnit) {
                    m_quanUnit = it->code;
                    Notify(ckUnit);
                }
                return;
            }
        }
        UnitWord = static_cast<std::uint16_t>(word & unitWordKeep);
        SetQuanUnit(t.defaultUnit);
    } else if (t.interpretationInWord) {
        for (int code = InterpretationCount - 1; code >= 0; --code) {
            const InterpretationEntry &i = interpretationTable[static_cast<std::size_t>(code)];
            if (allows(i.allowedTypes, m_quanType) && (word & i.mask) == i.bits) {
                UnitWord = static_cast<std::uint16_t>((word & interpretationWordKeep) | i.bits);
                if (code != m_interpretation) {
                    m_interpretation = static_cast<std::uint8_t>(code);
                    Notify(ckInterpretation);
                }
                return;
            }
        }
        UnitWord = static_cast<std::uint16_t>(word & interpretationWordKeep);
        SetInterpretation(0);
    } else {
        UnitWord = word;
    }
}
