#include "model/uExceptions.h"
#include "model/uOBGlob.h"

#include <gtest/gtest.h>

namespace
{

TEST(ErrMessageList, ListTypes)
{
    struct Row {
        int type;
        int count, listType;
        std::int32_t firstCode;
        const char *firstText;
    };
    const Row rows[] = {{0, 1, 0, 9999, "Error "},
                        {1, 10, 1, 11000, "N/A"},
                        {2, 10, 2, 11000, "N/A"},
                        {3, 1, 0, 9999, "Error "},
                        {-1, 1, 0, 9999, "Error "}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.type);
        TErrMessageList list(1); // start from a full list: the rebuild must discard it
        list.SetListType(r.type);
        EXPECT_EQ(list.Count(), r.count);
        EXPECT_EQ(list.ListType, r.listType);
        EXPECT_EQ(list.GetItem(0).Code, r.firstCode);
        EXPECT_EQ(list.GetItem(0).Text, QString::fromLatin1(r.firstText));
    }

    TErrMessageList ethernet(2);
    for (int i = 1; i < 10; ++i) {
        EXPECT_EQ(ethernet.GetItem(i).Code, 11000 + i);
        EXPECT_EQ(ethernet.GetItem(i).Text, QStringLiteral("Error E%1").arg(i));
    }
    EXPECT_EQ(TErrMessageList().Count(), 1); // a new list is the generic one
}

TEST(ErrMessageList, GetItemOutOfBoundsIsAGeneralException)
{
    TErrMessageList list(1);
    for (int index : {-1, 10, 1000}) {
        SCOPED_TRACE(index);
        try {
            list.GetItem(index);
            ADD_FAILURE() << "no exception";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Index out of bound."));
            EXPECT_EQ(dynamic_cast<const ERangeError *>(&e), nullptr);
        }
    }
    TErrMessage copy = list.GetItem(9);
    copy.Text = QStringLiteral("changed");
    EXPECT_EQ(list.GetItem(9).Text, QStringLiteral("Error E9"));
}

TEST(ErrMessageList, ErrorTextFromFloatPatterns)
{
    struct Row {
        std::uint32_t raw;
        int listType;
        bool isError;
        const char *text; // expected text; for valid values the text must stay untouched
    };
    const Row rows[] = {
        {0x41200000, 2, false, nullptr},                                     // 10.0
        {0x00000000, 2, false, nullptr},    {0xC1200000, 1, false, nullptr}, // -10.0
        {0x7F7FFFFF, 2, false, nullptr},                                     // the largest finite float
        {0x7FC00000, 2, true, "N/A"},    // a NaN outside the device's patterns
        {0xFFC00001, 0, true, "Error "}, // a negative NaN
        {0xFF800100, 2, true, "N/A"},    // a NaN just past the error range
        {0x7F800000, 2, true, "N/A"},       {0x7F800000, 0, true, "Error "},
        {0xFF800000, 1, true, "N/A"},       {0xFF8000FF, 1, true, "N/A"},
        {0xFFFFFFFF, 1, true, "N/A"},       {0xFF800001, 2, true, "Error E1"},
        {0xFF80000C, 2, true, "Error E12"}, {0xFF8000FE, 0, true, "Error E254"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << r.raw << " list " << r.listType);
        TErrMessageList list(r.listType);
        QString text = QStringLiteral("untouched");
        EXPECT_EQ(list.ErrorText(r.raw, text), r.isError);
        EXPECT_EQ(text, r.text ? QString::fromLatin1(r.text) : QStringLiteral("untouched"));
    }

    TErrMessageList empty;
    empty.Items.clear();
    QString text = QStringLiteral("untouched");
    EXPECT_FALSE(empty.ErrorText(0x7F800000, text));
    EXPECT_EQ(text, QStringLiteral("untouched"));
}

QStringList shown(const QList<TTextValue> &table)
{
    QStringList out;
    for (const TTextValue &c : table)
        out << QStringLiteral("%1=%2").arg(c.Display()).arg(c.Value);
    return out;
}

TEST(ChoiceTables, EntriesInOrder)
{
    EXPECT_EQ(shown(ReadingIntervals()),
              QStringList({"1 second=1", "10 seconds=10", "30 seconds=30", "1 minute=60", "5 minutes=300",
                           "10 minutes=600", "15 minutes=900", "30 minutes=1800", "1 hour=3600"}));
    EXPECT_EQ(shown(ChartLengths()),
              QStringList({"1 minute=1", "2 minutes=2", "3 minutes=3", "5 minutes=5", "10 minutes=10",
                           "15 minutes=15", "30 minutes=30", "1 hour=60", "2 hours=120", "3 hours=180",
                           "5 hours=300", "10 hours=600", "24 hours=1440"}));
    const QList<TTextValue> bauds = BaudRates();
    ASSERT_EQ(bauds.size(), 13);
    EXPECT_EQ(bauds[6].Text, QStringLiteral("9600 "));
    EXPECT_EQ(bauds[6].UnitText, QStringLiteral("bauds"));
    EXPECT_EQ(bauds[6].Value, 9600);
    QList<int> rates;
    for (const TTextValue &b : bauds)
        rates << b.Value;
    EXPECT_EQ(rates,
              QList<int>({110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200}));
}

TEST(ChoiceTables, FixedNameLists)
{
    EXPECT_EQ(ProtocolNames(), QStringList({"Ethernet", "RS232", "RS485"}));
    EXPECT_EQ(PopupSizeNames(), QStringList({"Small", "Medium", "Large"}));
    EXPECT_EQ(SoundModeNames(), QStringList({"Disabled", "System sound", "Sound file"}));
    EXPECT_EQ(RepetitionModeNames(), QStringList({"Once", "During alarm", "Until user interrupt"}));
}

TEST(Colours, DarkenRoundsHalfToEvenPerChannel)
{
    struct Row {
        std::uint32_t colour;
        int percentage;
        std::uint32_t expected;
    };
    const Row rows[] = {
        {0x00FFFFFF, 75, 0x00BFBFBF}, // 191.25 -> 191
        {0x00020A06, 75, 0x00020804}, // 1.5 -> 2, 7.5 -> 8, 4.5 -> 4
        {0x00010305, 50, 0x00000202}, // 0.5 -> 0, 1.5 -> 2, 2.5 -> 2
        {0x00123456, 100, 0x00123456}, {0x00123456, 0, 0x00000000},
        {0x00804020, 200, 0x00FF8040}, // saturates instead of wrapping
        {0xFF102030, 75, 0xFF0C1824},  // the top byte passes through
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << r.colour << " " << std::dec << r.percentage);
        EXPECT_EQ(DarkenColor(r.colour, static_cast<std::uint8_t>(r.percentage)), r.expected);
    }
}

} // namespace
