#include "discovery/uUtilsConvert.h"
#include "discovery/uUtilsTcpIp.h"

#include <gtest/gtest.h>

namespace
{

TEST(AddressUtils, IsValidIP)
{
    struct Case {
        const char *text;
        bool valid;
    };
    const Case cases[] = {
        {"192.168.1.5", true},     {"0.0.0.0", true},     {"255.255.255.255", true},
        {"010.001.000.255", true}, {"256.1.1.1", false},  {"1.2.3.256", false},
        {"1.2.3", false},          {"1.2.3.4.", false},   {" 1.2.3.4", false},
        {"1.2.3.4 ", false},       {"1.2.3.4a", false},   {"1.2.3.4\n", false},
        {"1..3.4", false},         {"1.2.3.1000", false}, {"", false},
        {"a.b.c.d", false},        {"1.2.3.-4", false},   {"+1.2.3.4", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IsValidIP(QString::fromLatin1(c.text)), c.valid) << '"' << c.text << '"';
    // Digits of other scripts are not decimal digits of an address.
    EXPECT_FALSE(IsValidIP(QStringLiteral("1.2.3.\u0664")));
}

TEST(AddressUtils, IsValidMAC)
{
    struct Case {
        const char *text;
        bool valid;
    };
    const Case cases[] = {
        {"00-0a-1B-2c-3D-4e", true},     {"FF-FF-FF-FF-FF-FF", true},
        {"00:0A:1B:2C:3D:4E", false},    {"00-0A-1B-2C-3D", false},
        {"00-0A-1B-2C-3D-4E-5F", false}, {"00-0A-1B-2C-3D-4G", false},
        {"0-0A-1B-2C-3D-4E", false},     {"00-0A-1B-2C-3D-4E\n", false},
        {" 00-0A-1B-2C-3D-4E", false},   {"", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IsValidMAC(QString::fromLatin1(c.text)), c.valid) << '"' << c.text << '"';
}

TEST(AddressUtils, IPToBytes)
{
    const TIPBytes untouched{9, 9, 9, 9};
    struct Case {
        const char *text;
        bool ok;
        TIPBytes bytes;
    };
    const Case cases[] = {
        {"192.168.1.5", true, {0xC0, 0xA8, 0x01, 0x05}},
        {"010.001.000.255", true, {10, 1, 0, 255}},
        {"255.255.255.255", true, {255, 255, 255, 255}},
        {"256.1.1.1", false, untouched},
        {"1.2.3", false, untouched},
    };
    for (const Case &c : cases) {
        TIPBytes bytes = untouched;
        EXPECT_EQ(IPToBytes(QString::fromLatin1(c.text), bytes), c.ok) << c.text;
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
}

TEST(AddressUtils, ResolveHostWithoutNetwork)
{
    // Only dotted texts and names of the hosts file: nothing here may ask a name server.
    struct Case {
        const char *name;
        TIPBytes bytes;
    };
    const Case cases[] = {
        {"192.168.1.5", {192, 168, 1, 5}},
        {"010.001.000.255", {10, 1, 0, 255}}, // decimal, not octal as inet_aton would read it
        {"localhost", {127, 0, 0, 1}},
        {"", {0, 0, 0, 0}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ResolveHost(QString::fromLatin1(c.name)), c.bytes) << c.name;
}

TEST(ConvertUtils, BytesToText)
{
    const std::uint8_t bytes[] = {0x00, 0x41, 0xFF, 0x0A};
    EXPECT_EQ(BytesToText(bytes, 4), QByteArray("\x00\x41\xFF\x0A", 4));
    EXPECT_EQ(BytesToText(bytes, 2), QByteArray("\x00\x41", 2));
    EXPECT_EQ(BytesToText(bytes, 0), QByteArray());
    EXPECT_THROW(BytesToText(bytes, 5), Exception) << "must not read past the bytes given";
}

TEST(ConvertUtils, HexStr2BinStr)
{
    struct Case {
        const char *hex;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"000000FC", QByteArray("\x00\x00\x00\xFC", 4)},
        {"abCD09", QByteArray("\xAB\xCD\x09", 3)},
        {"", QByteArray()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HexStr2BinStr(QString::fromLatin1(c.hex)), c.bytes) << c.hex;

    try {
        HexStr2BinStr(QStringLiteral("ABC"));
        ADD_FAILURE() << "odd length accepted";
    } catch (const EConvertError &) {
        ADD_FAILURE() << "odd length must be the length error, not a conversion error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("HexStr length error. (HexStr2BinStr)"));
    }
    for (const char *bad : {"GG", "00 1", "0x", "+1", "\xB9\xB2"})
        EXPECT_THROW(HexStr2BinStr(QString::fromLatin1(bad)), EConvertError) << bad;
}

} // namespace
