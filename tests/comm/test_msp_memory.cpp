// Memory-map arithmetic of the sensor memory protocol that needs no device.
#include "comm/uMSPComm.h"

#include "model/uExceptions.h"

#include <gtest/gtest.h>

namespace
{

TSegmentBuffer numbered()
{
    TSegmentBuffer b{};
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<std::uint16_t>(0x100 + i);
    return b;
}

} // namespace

TEST(MSPMemory, WordAtFindsThePositionInsideItsSegment)
{
    const TSegmentBuffer buf = numbered();
    struct Case {
        std::uint16_t address;
        int segment;
        std::uint16_t word; // 0x100 + position
    };
    const Case cases[] = {
        {0x1037, 1, 0x100 + 54}, {0x1001, 1, 0x100}, {0x1040, 1, 0x100 + 63}, {0x0001, 0, 0x100},
        {0x203F, 2, 0x100 + 62}, {0x3002, 3, 0x101}, {0x4040, 4, 0x100 + 63}, {0x4041, 5, 0x100},
        {0x4080, 5, 0x100 + 63}, {0x5001, 6, 0x100}, {0x5040, 6, 0x100 + 63},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(TMSPModbus::SegmentOf(c.address), c.segment);
        EXPECT_EQ(TMSPModbus::WordAt(c.address, buf), c.word);
    }
}

TEST(MSPMemory, WordAtRefusesAddressesOutsideTheirSegment)
{
    const TSegmentBuffer buf = numbered();
    for (std::uint16_t address : {0x1041, 0x1000, 0x0000, 0x0041, 0x2000, 0x4081, 0x5041, 0x6000, 0xFFFF}) {
        SCOPED_TRACE(address);
        try {
            TMSPModbus::WordAt(address, buf);
            ADD_FAILURE() << "no boundary error";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(),
                      QStringLiteral("Chyba v adresaci paměti snímače - překročení hranice segmentu"));
        }
    }
}

TEST(MSPMemory, ChecksumIsTheWrappingSumOfTheFirst63Words)
{
    TMSPModbus msp;
    TSegmentBuffer buf{};
    for (std::size_t i = 0; i < 63; ++i)
        buf[i] = static_cast<std::uint16_t>(0xF000 + i * 37); // wraps many times
    msp.VerifyChecksum(buf, true);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 63; ++i)
        sum += buf[i];
    EXPECT_EQ(buf[63], static_cast<std::uint16_t>(sum & 0xFFFF));
    EXPECT_TRUE(msp.VerifyChecksum(buf, false));
    EXPECT_FALSE(msp.ChecksumError);

    for (std::size_t changed : {std::size_t{0}, std::size_t{31}, std::size_t{62}}) {
        TSegmentBuffer bad = buf;
        bad[changed] ^= 0x0001;
        EXPECT_FALSE(msp.VerifyChecksum(bad, false)) << changed;
        EXPECT_TRUE(msp.ChecksumError);
    }
    EXPECT_TRUE(msp.VerifyChecksum(buf, false));
    EXPECT_FALSE(msp.ChecksumError) << "each verification starts afresh";
}

TEST(MSPMemory, SegmentNumberAboveSixIsRefusedBeforeAnyAccess)
{
    TMSPModbus msp;
    TSegmentBuffer buf{};
    buf[0] = 0xABCD;
    try {
        msp.ReadSegment(7, buf);
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Chyba při komunikaci se snímačem - neplatné číslo segmentu"));
    }
    EXPECT_FALSE(msp.IsOpen());
    EXPECT_EQ(buf[0], 0xABCD);
}
