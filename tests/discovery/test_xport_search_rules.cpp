// The decisions behind the device search window and the IP change window: buttons,
// suitability and colour of a row, the order of the list, the texts handed on and the
// box that reports a change.
#include "discovery/uXPortSearchRules.h"

#include <gtest/gtest.h>

using namespace XPortSearchRules;

namespace
{

TXportPar Record(const char *ip, const char *mac = "00-20-4A-00-00-01", const char *firmware = "1-4-5.07")
{
    TXportPar r;
    r.IP = QString::fromLatin1(ip);
    r.MAC = QString::fromLatin1(mac);
    r.Firmware = QString::fromLatin1(firmware);
    return r;
}

TEST(XPortSearchRules, ButtonsAndPanelHeight)
{
    struct Case {
        TSearchButtons buttons;
        bool select, changeIP, help;
        int height;
    };
    const Case cases[] = {
        {{}, true, false, false, 41}, // the Find button's window
        {sbSelect, true, false, false, 41},
        {sbAll, true, true, true, 73},
        {sbHelp, false, false, true, 41},
        {sbChangeIP, false, true, false, 73},
        {sbHelp | sbChangeIP | sbSelect, true, true, true, 73},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.buttons));
        const TButtonLayout l = LayoutButtons(c.buttons);
        EXPECT_EQ(l.SelectVisible, c.select);
        EXPECT_EQ(l.ChangeIPVisible, c.changeIP);
        EXPECT_EQ(l.HelpVisible, c.help);
        EXPECT_EQ(l.PanelHeight, c.height);
    }
    EXPECT_EQ(LayoutButtons({}).Buttons, TSearchButtons(sbSelect));
}

TEST(XPortSearchRules, FamilyDecidesChangeIPAndSuitability)
{
    struct Case {
        const char *firmware, *variant, *address;
        std::optional<int> family;
        bool changeIP, suitable; // suitable with the empty filter
    };
    const Case cases[] = {
        {"1-4-5.07", "", "10.0.0.1", 1, true, true},
        {"2-5-2.00", "", "10.0.0.1", 2, true, true},
        {"5-5-1.22", "", "10.0.0.1", 5, true, true},
        {"7-1-0.01", "", "10.0.0.1", 7, true, true},
        {"6-1-2.03", "0", "10.0.0.1", 6, false, true},
        {"6-1-2.03", "A", "10.0.0.1", 6, false, false},
        {"6-1-2.03", "", "10.0.0.1", 6, false, false}, // no variant counts as "A"
        {"0-1-2.03", "", "192.168.1.150", 0, true, false},
        {"8-1-2.03", "", "10.0.0.1", 8, true, false},
        {"N/A", "", "10.0.0.1", std::nullopt, true, false},
        {"x6-1-0.00", "", "10.0.0.1", std::nullopt, true, false},
        {"", "", "10.0.0.1", std::nullopt, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.firmware);
        const QString firmware = QString::fromLatin1(c.firmware);
        EXPECT_EQ(FamilyOf(firmware), c.family);
        EXPECT_EQ(ChangeIPAllowed(firmware), c.changeIP);
        EXPECT_EQ(IsSuitable({}, firmware, QString::fromLatin1(c.variant), QString::fromLatin1(c.address)),
                  c.suitable);
    }
    EXPECT_EQ(RowColour(true), TRowColour::Ordinary);
    EXPECT_EQ(RowColour(false), TRowColour::Inactive);
}

TEST(XPortSearchRules, FilterDecidesSuitability)
{
    const TDeviceFilter lan = dfLanAdapters, loggers = dfLoggers, transmitters = dfTransmitters,
                        restrict = dfRestrictSelect;
    struct Case {
        const char *firmware, *variant, *address;
        TDeviceFilter filter;
        bool suitable;
    };
    const Case cases[] = {
        {"1-4-5.07", "", "10.0.0.1", transmitters, true},
        {"4-4-5.07", "", "10.0.0.1", restrict, true},
        {"7-4-5.07", "", "10.0.0.1", loggers, false},
        {"2-5-2.00", "", "10.0.0.1", lan, true},
        {"2-5-2.00", "", "10.0.0.1", restrict, true},
        {"2-5-2.00", "", "10.0.0.1", transmitters, false},
        {"3-1-0.00", "", "10.0.0.1", loggers, true},
        {"5-1-0.00", "", "10.0.0.1", restrict, false},
        {"6-1-0.00", "0", "10.0.0.1", loggers, true},
        {"6-1-0.00", "A", "10.0.0.1", loggers, false},
        {"N/A", "", "192.168.1.100", restrict, true},
        {"N/A", "", "192.168.1.200", restrict, true},
        {"N/A", "", "192.168.1.99", restrict, false},
        {"N/A", "", "192.168.1.201", restrict, false},
        {"9-0-0.00", "", "192.168.2.150", restrict, false},
        {"N/A", "", "192.168.1.150", lan | loggers | transmitters, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.firmware << " " << c.address << " " << int(c.filter));
        EXPECT_EQ(IsSuitable(c.filter, QString::fromLatin1(c.firmware), QString::fromLatin1(c.variant),
                             QString::fromLatin1(c.address)),
                  c.suitable);
    }
}

TEST(XPortSearchRules, RowsCompareByTheirColumn)
{
    struct Case {
        int column;
        const char *a, *b;
        int order; // sign of the comparison
    };
    const Case cases[] = {
        {colIP, "192.168.1.9", "192.168.1.10", -1},
        {colIP, "10.0.0.1", "9.255.255.255", 1},
        {colIP, "10.0.0.1", "10.0.0.1", 0},
        {colIP, "10.0.0", "9.0.0.0", -1}, // not four parts: as text
        {colMAC, "00-20-4A-00-00-0A", "00-20-4a-00-00-09", 1},
        {colMAC, "00-20-4A-00-00-0B", "00-20-4a-00-00-0b", 0},
        {colMAC, "N/A", "00-20-4A-00-00-0A", 1},
        {colFirmware, "1-4-9.99", "1-4-10.02", -1},
        {colFirmware, "1-4-10.02", "1-4-10.10", -1},
        {colFirmware, "2-0-0.00", "10-0-0.00", -1},
        {colFirmware, "N/A", "n/a", 0},
        {colFirmware, "N/A", "1-4-10.02", 1},
        {colDeviceType, "lan adapter", "LAN Adapter", 0},
        {colDeviceType, "T7280", "t7290", -1},
        {colDescription, "beta", "Alpha", 1},
        {colAdapter, "10.61.0.1", "10.62.0.1", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.column << " " << c.a << " " << c.b);
        TXportPar a, b;
        a.IP = a.MAC = a.Firmware = a.DeviceType = a.Description = a.Adapter = QString::fromLatin1(c.a);
        b.IP = b.MAC = b.Firmware = b.DeviceType = b.Description = b.Adapter = QString::fromLatin1(c.b);
        const int got = CompareRows(c.column, a, b);
        EXPECT_EQ((got > 0) - (got < 0), c.order);
        const int back = CompareRows(c.column, b, a);
        EXPECT_EQ((back > 0) - (back < 0), -c.order);
    }
    EXPECT_LT(CompareText(QStringLiteral("abc"), QStringLiteral("ABCD")), 0);
    EXPECT_NE(CompareText(QStringLiteral("\u00e4"), QStringLiteral("\u00c4")), 0)
        << "only ASCII letters fold";
}

TEST(XPortSearchRules, SortIsAscendingAndKeepsEqualRowsInOrder)
{
    std::vector<TDeviceRow> rows = RowsOf({Record("10.0.0.10", "00-20-4A-00-00-03", "N/A"),
                                           Record("10.0.0.9", "00-20-4A-00-00-01", "1-4-10.02"),
                                           Record("10.0.0.100", "00-20-4A-00-00-02", "6-1-2.03")},
                                          {});
    EXPECT_EQ(rows[0].Suitable, false);
    EXPECT_EQ(rows[1].Suitable, true);
    EXPECT_EQ(rows[2].Suitable, false) << "family 6 without variant 0";

    const auto ips = [&] {
        QStringList l;
        for (const TDeviceRow &r : rows)
            l << r.Record.IP;
        return l;
    };
    EXPECT_EQ(SortRows(rows, colIP), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(ips(), (QStringList{QStringLiteral("10.0.0.9"), QStringLiteral("10.0.0.10"),
                                  QStringLiteral("10.0.0.100")}));
    EXPECT_TRUE(rows[0].Suitable) << "the suitability travels with its row";
    SortRows(rows, colMAC);
    EXPECT_EQ(ips(), (QStringList{QStringLiteral("10.0.0.9"), QStringLiteral("10.0.0.100"),
                                  QStringLiteral("10.0.0.10")}));
    EXPECT_EQ(SortRows(rows, colAdapter), (std::vector<int>{0, 1, 2})) << "all equal: order kept";
    SortRows(rows, colFirmware);
    EXPECT_EQ(ips(), (QStringList{QStringLiteral("10.0.0.9"), QStringLiteral("10.0.0.100"),
                                  QStringLiteral("10.0.0.10")}))
        << "firmware texts against N/A compare as text: \"1\" < \"6\" < \"N\"";
}

TEST(XPortSearchRules, TextsHandedToTheIPChangeWindow)
{
    const TXPortSearchLangSupport search = DefaultSearchTexts();
    EXPECT_EQ(search[0], QStringLiteral("Find device"));
    EXPECT_EQ(search[2], QStringLiteral("Help! My device wasn't found!"));
    for (int i = 14; i < 20; ++i)
        EXPECT_TRUE(search[std::size_t(i)].isEmpty()) << i;

    TXPortSearchLangSupport texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = QString::number(i);
    texts[16].clear();
    const TXPortIPChangeLangSupport handed = IPChangeTextsFrom(texts);
    const TXPortIPChangeLangSupport expected{
        QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("5"),
        QStringLiteral("6"),  QStringLiteral("7"),  QStringLiteral("13"),
        QStringLiteral("14"), QStringLiteral("15"), QString(),
        QStringLiteral("17"), QStringLiteral("18"), QStringLiteral("19")};
    EXPECT_EQ(handed, expected);
    const TXPortIPChangeMsgLngSupport messages = ChangeMessagesOf(handed);
    EXPECT_EQ(messages.ArpDone, QStringLiteral("14"));
    EXPECT_TRUE(messages.ChangeError.isEmpty());
    EXPECT_EQ(messages.MacSyntax, QStringLiteral("19"));

    const TXPortIPChangeLangSupport own = DefaultIPChangeTexts();
    EXPECT_EQ(own[3], QStringLiteral("IP address:"));
    EXPECT_EQ(own[7], QStringLiteral("Request of IP address change was successfully sent."));
    EXPECT_EQ(own[11], QStringLiteral("MAC address syntax error."));
}

TEST(XPortSearchRules, ChangeOutcomeBoxAndDhcpSwitch)
{
    EXPECT_EQ(ChangeBoxKind(0), TChangeBoxKind::Warning);
    EXPECT_EQ(ChangeBoxKind(1), TChangeBoxKind::Error);
    EXPECT_EQ(ChangeBoxKind(2), TChangeBoxKind::Information);

    TDhcpSwitch dhcp;
    EXPECT_EQ(dhcp.SavedIP(), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(dhcp.Toggle(true, QStringLiteral("10.1.2.3")), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(dhcp.SavedIP(), QStringLiteral("10.1.2.3"));
    EXPECT_EQ(dhcp.Toggle(false, QStringLiteral("0.0.0.0")), QStringLiteral("10.1.2.3"));
}

} // namespace
