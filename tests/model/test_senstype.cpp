#include "model/uExceptions.h"
#include "model/uSensType.h"

#include <QSet>
#include <gtest/gtest.h>

#include <functional>

namespace
{

constexpr std::uint16_t T = TSensType::capTemperature;
constexpr std::uint16_t H = TSensType::capHumidity;
constexpr std::uint16_t P = TSensType::capPressure;
constexpr std::uint16_t C = TSensType::capCO2;

// The kind table as ranges: within a range the register rises by one per kind.
struct KindRange {
    int first, last;
    int firstRegister;
    int family, channels;
    std::uint16_t caps;
    bool relays, binaryInputs;
};

const KindRange kindRanges[] = {
    {0, 0, 0x0000, 0, 0, 0, false, false},
    {1, 1, 0x1001, 1, 0, T, false, false},
    {2, 2, 0x1002, 1, 0, H, false, false},
    {3, 8, 0x1003, 1, 0, T | H, false, false},
    {9, 10, 0x1009, 1, 0, T, false, false},
    {11, 11, 0x100B, 1, 0, T | H, false, false},
    {12, 12, 0x100C, 1, 0, T, false, false},
    {13, 13, 0x100D, 1, 0, T | H, false, false},
    {14, 14, 0x100E, 1, 0, T, false, false},
    {15, 15, 0x100F, 1, 0, T | H, false, false},
    {16, 17, 0x1010, 1, 0, T, false, false},
    {18, 20, 0x1012, 1, 0, H, false, false},
    {21, 23, 0x1015, 1, 0, T | H, false, false},
    {24, 28, 0x1018, 1, 0, P, false, false},
    {29, 33, 0x101D, 1, 0, T | H | P, false, false},
    {34, 37, 0x1022, 1, 0, T, false, false},
    {38, 39, 0x1026, 1, 0, P, false, false},
    {40, 43, 0x1028, 1, 0, T | H, false, false},
    {44, 45, 0x102C, 1, 0, T | H | P, false, false},
    {46, 46, 0x102E, 1, 0, T | P, false, false},
    {47, 47, 0x102F, 1, 0, T | H, false, false},
    {48, 48, 0x1030, 1, 0, T, false, false},
    {49, 49, 0x1031, 1, 0, T | H, false, false},
    {50, 50, 0x1032, 1, 0, T | H | P, false, false},
    {51, 55, 0x1033, 1, 0, T | H, false, false},
    {56, 56, 0x1038, 1, 0, T, false, false},
    {57, 59, 0x1039, 1, 0, C, false, false},
    {60, 62, 0x103C, 1, 0, T | H | C, false, false},
    {63, 65, 0x103F, 1, 0, C, false, false},
    {66, 68, 0x1042, 1, 0, T | H | C, false, false},
    {69, 72, 0x1045, 1, 0, C, false, false},
    {73, 76, 0x1049, 1, 0, T | C, false, false},
    {77, 77, -1, 2, 1, T, false, false},
    {78, 78, -1, 2, 4, T, false, false},
    {79, 79, -1, 2, 1, T, false, false},
    {80, 80, -1, 2, 1, T, false, false},
    {81, 81, -1, 2, 3, T, false, false},
    {82, 82, -1, 2, 2, 0, false, false},
    {83, 86, 0x1200, 1, 0, T | H, true, false},
    {87, 88, 0x1230, 1, 0, T, true, true},
    {89, 90, 0x1232, 1, 0, T | H, true, true},
    {91, 92, 0x1234, 1, 0, T | H | P, true, true},
    {93, 94, 0x1236, 1, 0, T, true, true},
    {95, 98, 0x1238, 1, 0, T | H, true, true},
    {99, 100, 0x123C, 1, 0, T | H | P, true, true},
    {101, 102, 0x1204, 1, 0, T, true, false},
    {103, 106, 0x1206, 1, 0, T | H, true, false},
    {107, 108, 0x120A, 1, 0, T, true, false},
    {109, 113, 0x120C, 1, 0, T | H, true, false},
    {114, 116, 0x1213, 1, 0, C, true, false},
    {117, 117, 0x1217, 1, 0, C, true, false},
    {118, 120, 0x1219, 1, 0, T | H | C, true, false},
    {121, 121, 0x121D, 1, 0, T | H | C, true, false},
    {122, 124, 0x121E, 1, 0, C, true, true},
    {125, 127, 0x1221, 1, 0, T | H | C, true, true},
    {128, 128, 0x1224, 1, 0, C, true, false},
    {129, 129, 0x123E, 1, 0, T, true, true},
    {130, 130, 0x123F, 1, 0, T | H, true, true},
    {131, 131, 0x1240, 1, 0, T | H | P, true, true},
    {132, 132, 0x1241, 1, 0, T | H, true, true},
    {133, 133, 0x1242, 1, 0, T, true, true},
    {134, 134, 0x1243, 1, 0, T | H | P, true, true},
};

TEST(SensType, EveryKindHasItsRowBothByCodeAndByRegister)
{
    int covered = 0;
    for (const KindRange &r : kindRanges) {
        for (int kind = r.first; kind <= r.last; ++kind, ++covered) {
            SCOPED_TRACE(kind);
            ASSERT_EQ(kind, covered);
            const int reg = r.firstRegister < 0 ? 0xFFFF : r.firstRegister + (kind - r.first);
            TSensType byCode;
            byCode.SetKind(kind);
            EXPECT_EQ(byCode.GetKind(), kind);
            EXPECT_EQ(byCode.GetKindRegister(), reg);
            EXPECT_EQ(TSensType::KindRegisterOf(kind), reg);
            EXPECT_EQ(byCode.GetFamily(), r.family);
            EXPECT_EQ(byCode.GetChannelCount(), r.channels);
            EXPECT_EQ(byCode.GetCapabilities(), r.caps);
            EXPECT_EQ(byCode.HasRelays(), r.relays);
            EXPECT_EQ(byCode.HasBinaryInputs(), r.binaryInputs);

            if (r.family == 1) {
                TSensType byRegister;
                byRegister.SetKindRegister(static_cast<std::uint16_t>(reg));
                EXPECT_EQ(byRegister.GetKind(), kind);
            }
        }
    }
    EXPECT_EQ(covered, TSensType::KindCount);
}

TEST(SensType, DesignationsAreDistinctIgnoringCase)
{
    QSet<QString> seen;
    for (int kind = 0; kind < TSensType::KindCount; ++kind) {
        const QString name = TSensType::KindName(kind);
        EXPECT_FALSE(name.isEmpty()) << kind;
        EXPECT_FALSE(seen.contains(name.toLower())) << kind << " " << name.toStdString();
        seen.insert(name.toLower());
    }
    EXPECT_EQ(TSensType::KindName(0), QStringLiteral("Unknown"));
    TSensType s;
    s.SetKind(134);
    EXPECT_EQ(s.GetKindName(), TSensType::KindName(134));
}

TEST(SensType, RegisterLookup)
{
    struct Row {
        std::uint16_t reg;
        int kind;
    };
    const Row rows[] = {
        {0x1243, 134},
        {0x1001, 1},
        {0x104C, 76},
        {0x1200, 83},
        {0x1217, 117},
        // unknown values and the Ethernet marker give kind 0
        {0x1211, 0},
        {0x1212, 0},
        {0x1216, 0},
        {0x1218, 0},
        {0x121C, 0},
        {0xFFFF, 0},
        {0x1000, 0},
        {0x104D, 0},
        {0x7FFF, 0},
        {0x8000, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.reg);
        TSensType s;
        s.SetKind(5); // start elsewhere so the change is visible
        s.SetKindRegister(r.reg);
        EXPECT_EQ(s.GetKind(), r.kind);
        EXPECT_EQ(s.GetKindRegister(), r.reg); // kept raw, even when unknown
    }

    TSensType full;
    full.SetKindRegister(0x1243);
    EXPECT_EQ(full.GetCapabilities(), T | H | P);
    EXPECT_TRUE(full.HasRelays());
    EXPECT_TRUE(full.HasBinaryInputs());
}

TEST(SensType, NotificationsOnlyOnChange)
{
    TSensType s;
    int calls = 0;
    s.OnChange = [&](TSensType *sender) {
        EXPECT_EQ(sender, &s);
        ++calls;
    };

    struct Step {
        const char *what;
        std::function<void()> call;
        int calls, kind, reg;
    };
    const Step steps[] = {
        {"register 0 on a new instance", [&] { s.SetKindRegister(0); }, 0, 0, 0x0000},
        {"Dusko kind", [&] { s.SetKind(82); }, 1, 82, 0xFFFF},
        {"same register", [&] { s.SetKindRegister(0xFFFF); }, 0, 82, 0xFFFF},
        {"same kind", [&] { s.SetKind(82); }, 0, 82, 0xFFFF},
        {"unknown register", [&] { s.SetKindRegister(0x1211); }, 1, 0, 0x1211},
        {"kind 0 from unknown register", [&] { s.SetKind(0); }, 0, 0, 0x1211},
        {"known register", [&] { s.SetKindRegister(0x1001); }, 1, 1, 0x1001},
    };
    for (const Step &st : steps) {
        SCOPED_TRACE(st.what);
        calls = 0;
        st.call();
        EXPECT_EQ(calls, st.calls);
        EXPECT_EQ(s.GetKind(), st.kind);
        EXPECT_EQ(s.GetKindRegister(), st.reg);
    }
}

TEST(SensType, InvalidKindCodeRaisesAndKeepsTheKind)
{
    for (int code : {135, 255, -1}) {
        SCOPED_TRACE(code);
        TSensType s;
        s.SetKind(50);
        int calls = 0;
        s.OnChange = [&](TSensType *) { ++calls; };
        try {
            s.SetKind(code);
            ADD_FAILURE() << "no exception";
        } catch (const ERangeError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("invalid sensor type"));
        }
        EXPECT_EQ(s.GetKind(), 50);
        EXPECT_EQ(s.GetKindRegister(), 0x1032);
        EXPECT_EQ(calls, 0);
        EXPECT_THROW(TSensType::KindName(code), ERangeError);
        EXPECT_THROW(TSensType::KindRegisterOf(code), ERangeError);
    }
}

} // namespace
