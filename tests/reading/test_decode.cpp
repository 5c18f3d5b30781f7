// Decoding of one reading's register blocks into the quantity slots, driven by
// tables of register values.
#include "reading/uDecode.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <vector>

namespace
{

std::uint16_t w(int value)
{
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
}

// The thirteen serial-family slots as identification configures a device with
// every channel (1 decimal for the analog ones, CO2 in ppm).
struct FarvoSlots {
    std::array<TLangQuan, 13> q;
    std::array<TLangQuan *, 13> ptr{};

    FarvoSlots()
    {
        const int types[13] = {6, 7, 10, 8, 9, 2, 2, 2, 3, 3, 3, 4, 4};
        for (std::size_t i = 0; i < q.size(); ++i) {
            q[i].SetQuanType(types[i]);
            ptr[i] = &q[i];
        }
    }
};

std::vector<std::uint16_t> mainBlock(int c1, int c2, int c3, int c4, std::uint16_t status = 0)
{
    std::vector<std::uint16_t> b(Decode::FarvoMainWords, 0);
    b[6] = status;
    b[48] = w(c1);
    b[49] = w(c2);
    b[50] = w(c3);
    b[51] = w(c4);
    return b;
}

} // namespace

TEST(FarvoDecode, ChannelLimitsFollowEachSlotsRule)
{
    struct Case {
        int slot;
        int raw;
        bool readOK;
        double value;
    };
    const Case cases[] = {
        // temperature, humidity, computed: valid while |raw| < 9999
        {0, 0x00FA, true, 25.0},
        {0, 9999, false, 999.9},
        {0, -9998, true, -999.8},
        {0, -9999, false, -999.9},
        {1, 9998, true, 999.8},
        {1, -9999, false, -999.9},
        {2, 9999, false, 999.9},
        {2, -105, true, -10.5},
        // pressure: only -9999 and below are errors
        {3, -9998, true, -999.8},
        {3, -9999, false, -999.9},
        {3, 10132, true, 1013.2},
        // CO2: not scaled, -9998 and below are errors
        {4, -9997, true, -9997},
        {4, -9998, false, -9998},
        {4, -9999, false, -9999},
        {4, 850, true, 850},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.slot << " raw " << c.raw);
        FarvoSlots s;
        int raws[4] = {0, 0, 0, 0};
        raws[c.slot == 4 ? 3 : c.slot] = c.raw;
        Decode::DecodeFarvoMain(mainBlock(raws[0], raws[1], raws[2], raws[3]), true, s.ptr);
        EXPECT_EQ(s.q[static_cast<std::size_t>(c.slot)].ReadOK, c.readOK);
        EXPECT_DOUBLE_EQ(s.q[static_cast<std::size_t>(c.slot)].Value, c.value);
    }
}

TEST(FarvoDecode, FailedReadStoresValuesButMarksEverySlotInvalid)
{
    FarvoSlots s;
    Decode::DecodeFarvoMain(mainBlock(215, 450, 98, 800, 0x0018), false, s.ptr);
    for (const TLangQuan &q : s.q)
        EXPECT_FALSE(q.ReadOK);
    EXPECT_DOUBLE_EQ(s.q[0].Value, 21.5);
    EXPECT_DOUBLE_EQ(s.q[4].Value, 800);
    EXPECT_DOUBLE_EQ(s.q[11].Value, 1);
}

TEST(FarvoDecode, StatusBitsDriveInputsLevelsAndRelays)
{
    struct Case {
        std::uint16_t status;
        std::array<double, 8> slots5to12; // inputs 1-3, levels 1-3, relays 1-2
    };
    const Case cases[] = {
        {0x0000, {1, 1, 1, 0, 0, 0, 0, 0}},
        {0x01C0, {0, 0, 0, 1, 1, 1, 0, 0}},
        {0x0018, {1, 1, 1, 0, 0, 0, 1, 1}},
        {0x0048, {0, 1, 1, 1, 0, 0, 1, 0}},
        {0x0110, {1, 1, 0, 0, 0, 1, 0, 1}},
        {0xFE27, {1, 1, 1, 0, 0, 0, 0, 0}}, // every unused bit set changes nothing
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.status);
        FarvoSlots s;
        Decode::DecodeFarvoMain(mainBlock(0, 0, 0, 0, c.status), true, s.ptr);
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_DOUBLE_EQ(s.q[5 + i].Value, c.slots5to12[i]) << "slot " << 5 + i;
            EXPECT_TRUE(s.q[5 + i].ReadOK);
        }
    }
}

TEST(FarvoDecode, AbsentSlotsAreLeftAlone)
{
    FarvoSlots s;
    s.q[3].SetQuanType(0);
    s.q[3].ReadOK = false;
    s.q[3].Value = 7;
    Decode::DecodeFarvoMain(mainBlock(0, 0, 0, 10000), true, s.ptr);
    EXPECT_FALSE(s.q[3].ReadOK);
    EXPECT_DOUBLE_EQ(s.q[3].Value, 7);
    EXPECT_TRUE(s.q[4].ReadOK);
}

TEST(FarvoDecode, AlarmWordsCarryTwoCharactersLowByteFirst)
{
    struct Case {
        std::uint16_t word;
        const char *code;
    };
    const Case cases[] = {{0x6F6C, "lo"}, {0x6C6F, "ol"}, {0x6F6E, "no"}, {0x6968, "hi"}, {0x6869, "ih"}};
    for (const Case &c : cases)
        EXPECT_EQ(Decode::AlarmCodeOfWord(c.word), QString::fromLatin1(c.code)) << std::hex << c.word;
}

TEST(FarvoDecode, AlarmBlockLengthFollowsTheIdentificationFlags)
{
    EXPECT_EQ(Decode::FarvoAlarmBlockLength(false, false), 15);
    EXPECT_EQ(Decode::FarvoAlarmBlockLength(false, true), 15);
    EXPECT_EQ(Decode::FarvoAlarmBlockLength(true, false), 20);
    EXPECT_EQ(Decode::FarvoAlarmBlockLength(true, true), 28);
}

TEST(FarvoDecode, EachAlarmBlockLengthFillsOnlyTheCodesItHolds)
{
    const std::uint16_t lo = 0x6F6C, hi = 0x6968;
    struct Case {
        bool deviceAlarmBlock;
        bool hasBinaryInputs;
        std::array<const char *, 8> codes; // slots 0-7
    };
    const Case cases[] = {
        {false, false, {"lo", "hi", "lo", "no", "no", "no", "no", "no"}},
        {false, true, {"lo", "hi", "lo", "no", "no", "no", "no", "no"}},
        {true, false, {"lo", "hi", "lo", "hi", "hi", "no", "no", "no"}},
        {true, true, {"lo", "hi", "lo", "hi", "hi", "lo", "hi", "lo"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceAlarmBlock << c.hasBinaryInputs);
        std::vector<std::uint16_t> block(
            static_cast<std::size_t>(Decode::FarvoAlarmBlockLength(c.deviceAlarmBlock, c.hasBinaryInputs)),
            0);
        const std::size_t words[7] = {12, 13, 14, 18, 22, 23, 24};
        const std::uint16_t values[7] = {lo, hi, lo, hi, lo, hi, lo};
        for (std::size_t i = 0; i < 7; ++i) {
            if (words[i] < block.size())
                block[words[i]] = values[i];
        }
        FarvoSlots s;
        for (TLangQuan &q : s.q)
            q.SetDeviceAlarmCode(QStringLiteral("xx"));
        Decode::DecodeFarvoAlarms(block, c.deviceAlarmBlock, c.hasBinaryInputs, s.ptr);
        for (std::size_t i = 0; i < 8; ++i)
            EXPECT_EQ(s.q[i].DeviceAlarmCode, QString::fromLatin1(c.codes[i])) << "slot " << i;
        EXPECT_EQ(s.q[11].DeviceAlarmCode, QStringLiteral("xx")) << "relays have no device code";
    }
}

namespace
{

struct GelmiSlots {
    std::array<TLangQuan, 5> q;
    std::array<TLangQuan *, 5> ptr{};

    GelmiSlots()
    {
        for (std::size_t i = 0; i < q.size(); ++i) {
            q[i].SetQuanType(TQuantity::qtTemperature); // 1 decimal
            ptr[i] = &q[i];
        }
        q[4].SetQuanType(TQuantity::qtNone); // a four-channel device
    }
};

std::vector<std::uint16_t> gelmiBlock(int channel, int raw, std::uint16_t alarm = 0x6F6E)
{
    std::vector<std::uint16_t> b(Decode::GelmiWords, 0);
    for (std::size_t k = 0; k < 5; ++k)
        b[6 * k + 1] = 0x6F6E;
    b[static_cast<std::size_t>(6 * (channel - 1))] = w(raw);
    b[static_cast<std::size_t>(6 * (channel - 1) + 1)] = alarm;
    return b;
}

} // namespace

TEST(GelmiDecode, ValidityAndErrorTextsFollowTheErrorList)
{
    struct Case {
        int listType;
        int channel;
        int raw;
        bool ok;
        bool readOK;
        double value;
        const char *errorText; // only checked when not valid
    };
    const Case cases[] = {
        {1, 1, 253, true, true, 25.3, ""},
        {1, 1, 10999, true, true, 1099.9, ""},
        {1, 1, 11000, true, false, 1100.0, "N/A"},
        {1, 2, 11005, true, false, 1100.5, "Error E5"},
        {1, 3, -11003, true, false, -1100.3, "Error E3"},
        {1, 1, 12000, true, false, 1200.0, "Error (1)"},
        {1, 4, 253, false, false, 25.3, "Error (4)"},
        {0, 1, 9998, true, true, 999.8, ""},
        {0, 3, 9999, true, false, 999.9, "Error (3)"},
        {0, 2, 11003, true, false, 1100.3, "Error (2)"}, // no look-up by code with list type 0
        {2, 1, 11003, true, false, 1100.3, "Error (1)"}, // nor with the second family's list
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "list " << c.listType << " ch " << c.channel << " raw " << c.raw);
        TErrMessageList errors(c.listType);
        GelmiSlots s;
        Decode::DecodeGelmi(gelmiBlock(c.channel, c.raw), c.ok, errors, s.ptr);
        const TLangQuan &q = s.q[static_cast<std::size_t>(c.channel - 1)];
        EXPECT_EQ(q.ReadOK, c.readOK);
        EXPECT_NEAR(q.Value, c.value, 1e-9);
        if (!c.readOK) {
            EXPECT_EQ(q.ErrorText, QString::fromLatin1(c.errorText));
        }
    }
}

TEST(GelmiDecode, EveryChannelIsDecodedAndTakesOnlyItsOwnAlarmWord)
{
    TErrMessageList errors(TErrMessageList::ltGelmi);
    GelmiSlots s;
    std::vector<std::uint16_t> block = gelmiBlock(2, 200, 0x6968);
    block[24] = w(11000); // channel 5 of a device that has only four
    Decode::DecodeGelmi(block, true, errors, s.ptr);
    EXPECT_EQ(block[7], 0x6968);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(s.q[i].DeviceAlarmCode, i == 1 ? QStringLiteral("hi") : QStringLiteral("no")) << i;
    EXPECT_FALSE(s.q[4].ReadOK);
    EXPECT_EQ(s.q[4].ErrorText, QStringLiteral("N/A"));
    EXPECT_DOUBLE_EQ(s.q[4].Value, 11000) << "an absent slot has no decimals";
}

namespace
{

struct DuskoSlots {
    std::array<TLangQuanEx, 2> q;
    std::array<TLangQuanEx *, 2> ptr{};

    DuskoSlots()
    {
        for (std::size_t i = 0; i < q.size(); ++i) {
            q[i].SetQuanType(TQuantity::qtComputed);
            ptr[i] = &q[i];
        }
    }
};

std::vector<std::uint16_t> duskoBlock(std::uint32_t p1, std::uint32_t p2, std::uint16_t alarm1 = 0x6F6C,
                                      std::uint16_t alarm2 = 0x6968)
{
    std::vector<std::uint16_t> b(Decode::DuskoWords, 0);
    b[0] = static_cast<std::uint16_t>(p1 & 0xFFFF);
    b[1] = static_cast<std::uint16_t>(p1 >> 16);
    b[2] = static_cast<std::uint16_t>(p2 & 0xFFFF);
    b[3] = static_cast<std::uint16_t>(p2 >> 16);
    b[24] = alarm1;
    b[30] = alarm2;
    return b;
}

std::uint32_t patternOf(float f)
{
    return std::bit_cast<std::uint32_t>(f);
}

} // namespace

TEST(DuskoDecode, FloatPatternsErrorPatternsAndRounding)
{
    struct Case {
        std::uint32_t pattern;
        int decimals;
        bool ok;
        bool readOK;
        double value;          // when valid
        const char *errorText; // when not valid
    };
    const Case cases[] = {
        {0x41C80000, 1, true, true, 25.0, ""},
        {0x41AACCCC, 1, true, true, 21.3, ""}, // 21.349998 lies just below the tie
        {0x41AACCCC, 2, true, true, 21.35, ""},
        {patternOf(21.35f), 1, true, true, 21.4, ""}, // the nearest float to 21.35 lies just above
        {patternOf(120.6f), 0, true, true, 121.0, ""},
        {patternOf(-3.25f), 1, true, true, -3.2, ""}, // an exact tie goes to the even neighbour
        {patternOf(0.125f), 2, true, true, 0.12, ""},
        {0x7F800000, 1, true, false, 0, "N/A"},
        {0xFF800000, 1, true, false, 0, "N/A"},
        {0xFF800005, 1, true, false, 0, "Error E5"},
        // NaNs the error table has no entry for are no measurement either
        {0x7FC00000, 1, true, false, 0, "N/A"},
        {0xFFC00001, 1, true, false, 0, "N/A"},
        {0x41C80000, 1, false, false, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.pattern << std::dec << " decimals " << c.decimals);
        TErrMessageList errors(TErrMessageList::ltDusko);
        DuskoSlots s;
        s.q[0].SetCustomDecimals(static_cast<std::uint8_t>(c.decimals));
        s.q[0].SetValue(-1.5); // what an earlier reading left
        s.q[0].SetDeviceAlarmCode(QStringLiteral("xx"));
        s.q[0].ErrorText = QStringLiteral("stale");
        Decode::DecodeDusko(duskoBlock(c.pattern, 0x41200000), c.ok, errors, s.ptr);
        const TLangQuanEx &q = s.q[0];
        EXPECT_EQ(q.RawReading, c.pattern);
        EXPECT_EQ(q.ReadOK, c.readOK);
        if (c.readOK) {
            EXPECT_DOUBLE_EQ(q.Value, c.value);
            EXPECT_EQ(q.DeviceAlarmCode, QStringLiteral("lo"));
        } else {
            EXPECT_EQ(q.ErrorText, QString::fromLatin1(c.errorText));
            EXPECT_DOUBLE_EQ(q.Value, -1.5);
            EXPECT_EQ(q.DeviceAlarmCode, QStringLiteral("xx"));
        }
        EXPECT_EQ(s.q[1].ReadOK, c.ok);
        if (c.ok) {
            EXPECT_DOUBLE_EQ(s.q[1].Value, 10.0);
            EXPECT_EQ(s.q[1].DeviceAlarmCode, QStringLiteral("hi"));
        }
    }
}

TEST(DuskoDecode, RoundingKeepsValuesThatCannotBeScaled)
{
    struct Case {
        double value;
        int decimals;
        double expected;
    };
    const Case cases[] = {
        {2.5, 0, 2.0},     {3.5, 0, 4.0},     {-2.5, 0, -2.0},
        {1e300, 2, 1e300}, {1e30, 255, 1e30}, {0.1234567, 255, 0.1234567},
        {-0.04, 1, -0.0},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(Decode::RoundToDecimals(c.value, c.decimals), c.expected)
            << c.value << " " << c.decimals;
    EXPECT_TRUE(std::isnan(Decode::RoundToDecimals(std::nan(""), 1)));
}
