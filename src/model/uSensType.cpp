#include "model/uSensType.h"

#include "model/uExceptions.h"

#include <array>

namespace
{

struct KindEntry {
    std::uint16_t kindRegister;
    std::uint8_t family;
    std::int32_t channels;
    std::uint16_t capabilities;
    bool relays;
    bool binaryInputs;
    const char *designation;
};

constexpr std::uint16_t capT = TSensType::capTemperature;
constexpr std::uint16_t capH = TSensType::capHumidity;
constexpr std::uint16_t capP = TSensType::capPressure;
constexpr std::uint16_t capC = TSensType::capCO2;

// Index = kind code. Designations: a letter code for what the device measures
// (T temperature, H humidity with temperature, P pressure, C CO2; ET/ED for the
// Ethernet families), a model number, then R for relay outputs and B for binary
// inputs. They are distinct even ignoring letter case, since the alternative-name
// lookup compares them that way.
constexpr std::array<KindEntry, TSensType::KindCount> kindTable{{
    {0x0000, 0, 0, 0, false, false, "Unknown"},                 // 0
    {0x1001, 1, 0, capT, false, false, "T3010"},                // 1
    {0x1002, 1, 0, capH, false, false, "H3020"},                // 2
    {0x1003, 1, 0, capT | capH, false, false, "H3030"},         // 3
    {0x1004, 1, 0, capT | capH, false, false, "H3040"},         // 4
    {0x1005, 1, 0, capT | capH, false, false, "H3050"},         // 5
    {0x1006, 1, 0, capT | capH, false, false, "H3060"},         // 6
    {0x1007, 1, 0, capT | capH, false, false, "H3070"},         // 7
    {0x1008, 1, 0, capT | capH, false, false, "H3080"},         // 8
    {0x1009, 1, 0, capT, false, false, "T3090"},                // 9
    {0x100A, 1, 0, capT, false, false, "T3100"},                // 10
    {0x100B, 1, 0, capT | capH, false, false, "H3110"},         // 11
    {0x100C, 1, 0, capT, false, false, "T3120"},                // 12
    {0x100D, 1, 0, capT | capH, false, false, "H3130"},         // 13
    {0x100E, 1, 0, capT, false, false, "T3140"},                // 14
    {0x100F, 1, 0, capT | capH, false, false, "H3150"},         // 15
    {0x1010, 1, 0, capT, false, false, "T3160"},                // 16
    {0x1011, 1, 0, capT, false, false, "T3170"},                // 17
    {0x1012, 1, 0, capH, false, false, "H3180"},                // 18
    {0x1013, 1, 0, capH, false, false, "H3190"},                // 19
    {0x1014, 1, 0, capH, false, false, "H3200"},                // 20
    {0x1015, 1, 0, capT | capH, false, false, "H3210"},         // 21
    {0x1016, 1, 0, capT | capH, false, false, "H3220"},         // 22
    {0x1017, 1, 0, capT | capH, false, false, "H3230"},         // 23
    {0x1018, 1, 0, capP, false, false, "P3240"},                // 24
    {0x1019, 1, 0, capP, false, false, "P3250"},                // 25
    {0x101A, 1, 0, capP, false, false, "P3260"},                // 26
    {0x101B, 1, 0, capP, false, false, "P3270"},                // 27
    {0x101C, 1, 0, capP, false, false, "P3280"},                // 28
    {0x101D, 1, 0, capT | capH | capP, false, false, "HP3290"}, // 29
    {0x101E, 1, 0, capT | capH | capP, false, false, "HP3300"}, // 30
    {0x101F, 1, 0, capT | capH | capP, false, false, "HP3310"}, // 31
    {0x1020, 1, 0, capT | capH | capP, false, false, "HP3320"}, // 32
    {0x1021, 1, 0, capT | capH | capP, false, false, "HP3330"}, // 33
    {0x1022, 1, 0, capT, false, false, "T3340"},                // 34
    {0x1023, 1, 0, capT, false, false, "T3350"},                // 35
    {0x1024, 1, 0, capT, false, false, "T3360"},                // 36
    {0x1025, 1, 0, capT, false, false, "T3370"},                // 37
    {0x1026, 1, 0, capP, false, false, "P3380"},                // 38
    {0x1027, 1, 0, capP, false, false, "P3390"},                // 39
    {0x1028, 1, 0, capT | capH, false, false, "H3400"},         // 40
    {0x1029, 1, 0, capT | capH, false, false, "H3410"},         // 41
    {0x102A, 1, 0, capT | capH, false, false, "H3420"},         // 42
    {0x102B, 1, 0, capT | capH, false, false, "H3430"},         // 43
    {0x102C, 1, 0, capT | capH | capP, false, false, "HP3440"}, // 44
    {0x102D, 1, 0, capT | capH | capP, false, false, "HP3450"}, // 45
    {0x102E, 1, 0, capT | capP, false, false, "TP3460"},        // 46
    {0x102F, 1, 0, capT | capH, false, false, "H3470"},         // 47
    {0x1030, 1, 0, capT, false, false, "T3480"},                // 48
    {0x1031, 1, 0, capT | capH, false, false, "H3490"},         // 49
    {0x1032, 1, 0, capT | capH | capP, false, false, "HP3500"}, // 50
    {0x1033, 1, 0, capT | capH, false, false, "H3510"},         // 51
    {0x1034, 1, 0, capT | capH, false, false, "H3520"},         // 52
    {0x1035, 1, 0, capT | capH, false, false, "H3530"},         // 53
    {0x1036, 1, 0, capT | capH, false, false, "H3540"},         // 54
    {0x1037, 1, 0, capT | capH, false, false, "H3550"},         // 55
    {0x1038, 1, 0, capT, false, false, "T3560"},                // 56
    {0x1039, 1, 0, capC, false, false, "C3570"},                // 57
    {0x103A, 1, 0, capC, false, false, "C3580"},                // 58
    {0x103B, 1, 0, capC, false, false, "C3590"},                // 59
    {0x103C, 1, 0, capT | capH | capC, false, false, "HC3600"}, // 60
    {0x103D, 1, 0, capT | capH | capC, false, false, "HC3610"}, // 61
    {0x103E, 1, 0, capT | capH | capC, false, false, "HC3620"}, // 62
    {0x103F, 1, 0, capC, false, false, "C3630"},                // 63
    {0x1040, 1, 0, capC, false, false, "C3640"},                // 64
    {0x1041, 1, 0, capC, false, false, "C3650"},                // 65
    {0x1042, 1, 0, capT | capH | capC, false, false, "HC3660"}, // 66
    {0x1043, 1, 0, capT | capH | capC, false, false, "HC3670"}, // 67
    {0x1044, 1, 0, capT | capH | capC, false, false, "HC3680"}, // 68
    {0x1045, 1, 0, capC, false, false, "C3690"},                // 69
    {0x1046, 1, 0, capC, false, false, "C3700"},                // 70
    {0x1047, 1, 0, capC, false, false, "C3710"},                // 71
    {0x1048, 1, 0, capC, false, false, "C3720"},                // 72
    {0x1049, 1, 0, capT | capC, false, false, "TC3730"},        // 73
    {0x104A, 1, 0, capT | capC, false, false, "TC3740"},        // 74
    {0x104B, 1, 0, capT | capC, false, false, "TC3750"},        // 75
    {0x104C, 1, 0, capT | capC, false, false, "TC3760"},        // 76
    {0xFFFF, 2, 1, capT, false, false, "ET5771"},               // 77
    {0xFFFF, 2, 4, capT, false, false, "ET5784"},               // 78
    {0xFFFF, 2, 1, capT, false, false, "ET5791"},               // 79
    {0xFFFF, 2, 1, capT, false, false, "ET5801"},               // 80
    {0xFFFF, 2, 3, capT, false, false, "ET5813"},               // 81
    {0xFFFF, 2, 2, 0, false, false, "ED5822"},                  // 82
    {0x1200, 1, 0, capT | capH, true, false, "H3830R"},         // 83
    {0x1201, 1, 0, capT | capH, true, false, "H3840R"},         // 84
    {0x1202, 1, 0, capT | capH, true, false, "H3850R"},         // 85
    {0x1203, 1, 0, capT | capH, true, false, "H3860R"},         // 86
    {0x1230, 1, 0, capT, true, true, "T3870RB"},                // 87
    {0x1231, 1, 0, capT, true, true, "T3880RB"},                // 88
    {0x1232, 1, 0, capT | capH, true, true, "H3890RB"},         // 89
    {0x1233, 1, 0, capT | capH, true, true, "H3900RB"},         // 90
    {0x1234, 1, 0, capT | capH | capP, true, true, "HP3910RB"}, // 91
    {0x1235, 1, 0, capT | capH | capP, true, true, "HP3920RB"}, // 92
    {0x1236, 1, 0, capT, true, true, "T3930RB"},                // 93
    {0x1237, 1, 0, capT, true, true, "T3940RB"},                // 94
    {0x1238, 1, 0, capT | capH, true, true, "H3950RB"},         // 95
    {0x1239, 1, 0, capT | capH, true, true, "H3960RB"},         // 96
    {0x123A, 1, 0, capT | capH, true, true, "H3970RB"},         // 97
    {0x123B, 1, 0, capT | capH, true, true, "H3980RB"},         // 98
    {0x123C, 1, 0, capT | capH | capP, true, true, "HP3990RB"}, // 99
    {0x123D, 1, 0, capT | capH | capP, true, true, "HP4000RB"}, // 100
    {0x1204, 1, 0, capT, true, false, "T4010R"},                // 101
    {0x1205, 1, 0, capT, true, false, "T4020R"},                // 102
    {0x1206, 1, 0, capT | capH, true, false, "H4030R"},         // 103
    {0x1207, 1, 0, capT | capH, true, false, "H4040R"},         // 104
    {0x1208, 1, 0, capT | capH, true, false, "H4050R"},         // 105
    {0x1209, 1, 0, capT | capH, true, false, "H4060R"},         // 106
    {0x120A, 1, 0, capT, true, false, "T4070R"},                // 107
    {0x120B, 1, 0, capT, true, false, "T4080R"},                // 108
    {0x120C, 1, 0, capT | capH, true, false, "H4090R"},         // 109
    {0x120D, 1, 0, capT | capH, true, false, "H4100R"},         // 110
    {0x120E, 1, 0, capT | capH, true, false, "H4110R"},         // 111
    {0x120F, 1, 0, capT | capH, true, false, "H4120R"},         // 112
    {0x1210, 1, 0, capT | capH, true, false, "H4130R"},         // 113
    {0x1213, 1, 0, capC, true, false, "C4140R"},                // 114
    {0x1214, 1, 0, capC, true, false, "C4150R"},                // 115
    {0x1215, 1, 0, capC, true, false, "C4160R"},                // 116
    {0x1217, 1, 0, capC, true, false, "C4170R"},                // 117
    {0x1219, 1, 0, capT | capH | capC, true, false, "HC4180R"}, // 118
    {0x121A, 1, 0, capT | capH | capC, true, false, "HC4190R"}, // 119
    {0x121B, 1, 0, capT | capH | capC, true, false, "HC4200R"}, // 120
    {0x121D, 1, 0, capT | capH | capC, true, false, "HC4210R"}, // 121
    {0x121E, 1, 0, capC, true, true, "C4220RB"},                // 122
    {0x121F, 1, 0, capC, true, true, "C4230RB"},                // 123
    {0x1220, 1, 0, capC, true, true, "C4240RB"},                // 124
    {0x1221, 1, 0, capT | capH | capC, true, true, "HC4250RB"}, // 125
    {0x1222, 1, 0, capT | capH | capC, true, true, "HC4260RB"}, // 126
    {0x1223, 1, 0, capT | capH | capC, true, true, "HC4270RB"}, // 127
    {0x1224, 1, 0, capC, true, false, "C4280R"},                // 128
    {0x123E, 1, 0, capT, true, true, "T4290RB"},                // 129
    {0x123F, 1, 0, capT | capH, true, true, "H4300RB"},         // 130
    {0x1240, 1, 0, capT | capH | capP, true, true, "HP4310RB"}, // 131
    {0x1241, 1, 0, capT | capH, true, true, "H4320RB"},         // 132
    {0x1242, 1, 0, capT, true, true, "T4330RB"},                // 133
    {0x1243, 1, 0, capT | capH | capP, true, true, "HP4340RB"}, // 134
}};

const KindEntry &kindEntry(int kind)
{
    if (kind < 0 || kind >= TSensType::KindCount)
        throw ERangeError(QStringLiteral("invalid sensor type"));
    return kindTable[static_cast<std::size_t>(kind)];
}

} // namespace

QString TSensType::KindName(int kind)
{
    return QString::fromLatin1(kindEntry(kind).designation);
}

int TSensType::KindRegisterOf(int kind)
{
    return kindEntry(kind).kindRegister;
}

void TSensType::SetKindRegister(std::uint16_t value)
{
    if (value == m_kindRegister)
        return;
    std::uint8_t kind = 0;
    if (value != EthernetRegister) {
        // Scanning downwards lets the highest kind win should a value ever repeat.
        for (int k = KindCount - 1; k >= 1; --k) {
            if (kindTable[static_cast<std::size_t>(k)].kindRegister == value) {
                kind = static_cast<std::uint8_t>(k);
                break;
            }
        }
    }
    m_kindRegister = value;
    m_kind = kind;
    if (OnChange)
        OnChange(this);
}

void TSensType::SetKind(int code)
{
    const KindEntry &entry = kindEntry(code);
    if (code == m_kind)
        return;
    m_kind = static_cast<std::uint8_t>(code);
    m_kindRegister = entry.kindRegister;
    if (OnChange)
        OnChange(this);
}

std::uint8_t TSensType::GetFamily() const
{
    return kindTable[m_kind].family;
}

std::int32_t TSensType::GetChannelCount() const
{
    return kindTable[m_kind].channels;
}

std::uint16_t TSensType::GetCapabilities() const
{
    return kindTable[m_kind].capabilities;
}

bool TSensType::HasRelays() const
{
    return kindTable[m_kind].relays;
}

bool TSensType::HasBinaryInputs() const
{
    return kindTable[m_kind].binaryInputs;
}

QString TSensType::GetKindName() const
{
    return KindName(m_kind);
}
