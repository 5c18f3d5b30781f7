#include "model/uExceptions.h"
#include "model/uOBGlob.h"
#include "model/uQuantity.h"

#include <QTranslator>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace
{

// Everything a setter may touch, for "nothing changed" checks.
struct Snapshot {
    int type, unit, interpretation, typeWord, unitWord;
    bool operator==(const Snapshot &) const = default;
};

Snapshot snap(const TQuantity &q)
{
    return {q.GetQuanType(), q.GetQuanUnit(), q.GetInterpretation(), q.TypeWord, q.UnitWord};
}

// Records every change notification.
struct Recorder {
    std::vector<int> kinds;
    void attach(TQuantity &q)
    {
        q.OnChange = [this, &q](TQuantity *sender, std::uint8_t kind) {
            EXPECT_EQ(sender, &q);
            kinds.push_back(kind);
        };
    }
};

TEST(Quantity, NewQuantityIsAbsentAndZero)
{
    TLangQuan q;
    EXPECT_EQ(snap(q), (Snapshot{0, 0, 0, 0, 0}));
    EXPECT_EQ(q.Number, 0);
    EXPECT_EQ(q.Value, 0.0);
    EXPECT_EQ(q.GetDecimals(), 0);
    EXPECT_EQ(q.GetUnitSymbol(), QString());
}

struct TypeCase {
    int type;
    const char *name;
    int defaultUnit;
    int decimals;
    const char *plainSymbol;
    std::uint16_t typeWordBit;
};

class QuantityTypes : public ::testing::TestWithParam<TypeCase>
{
};

TEST_P(QuantityTypes, SetTypeGivesNameDefaultUnitAndTypeWordBit)
{
    const TypeCase &c = GetParam();
    TLangQuan q;
    q.SetQuanType(c.type);
    EXPECT_EQ(q.GetQuanType(), c.type);
    EXPECT_EQ(q.GetName(), QString::fromUtf8(c.name));
    EXPECT_EQ(q.GetQuanUnit(), c.defaultUnit);
    EXPECT_EQ(q.GetInterpretation(), 0);
    EXPECT_EQ(q.GetDecimals(), c.decimals);
    EXPECT_EQ(q.GetPlainUnitSymbol(), QString::fromUtf8(c.plainSymbol));
    EXPECT_EQ(q.TypeWord, c.typeWordBit);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, QuantityTypes,
                         ::testing::Values(TypeCase{0, "Computed quantity", 0, 0, "", 0},
                                           TypeCase{1, "Computed quantity", 1, 3, "", 0},
                                           TypeCase{2, "Binary input", 0, 0, "", 0},
                                           TypeCase{3, "CO2 level", 0, 0, "", 0},
                                           TypeCase{4, "Relay output", 0, 0, "", 0},
                                           TypeCase{5, "Far relay control", 0, 0, "", 0},
                                           TypeCase{6, "Temperature", 2, 1, "°C", 0},
                                           TypeCase{7, "Relative humidity", 4, 1, "%", 0},
                                           TypeCase{8, "Atmospheric pressure", 5, 1, "hPa", 0},
                                           TypeCase{9, "CO2 concentration", 13, 0, "ppm", 0},
                                           TypeCase{10, "Dew point", 2, 1, "°C", 0x0008},
                                           TypeCase{11, "Absolute humidity", 14, 1, "g/m3", 0x0200},
                                           TypeCase{12, "Specific humidity", 15, 1, "g/kg", 0x0400},
                                           TypeCase{13, "Mixing ratio", 15, 1, "g/kg", 0x0800},
                                           TypeCase{14, "Specific enthalpy", 16, 1, "kJ/kg", 0x1000}));

TEST(Quantity, UnitTableDecimalsAndSymbols)
{
    struct Row {
        int unit, decimals;
        const char *typographic, *plain;
    };
    const Row rows[] = {{0, 0, "", ""},           {1, 3, "", ""},           {2, 1, "°C", "°C"},
                        {3, 1, "°F", "°F"},       {4, 1, "%", "%"},         {5, 1, "hPa", "hPa"},
                        {6, 3, "PSI", "PSI"},     {7, 2, "inHg", "inHg"},   {8, 1, "mBar", "mBar"},
                        {9, 1, "oz/in", "oz/in"}, {10, 1, "mmHg", "mmHg"},  {11, 1, "inH2O", "inH2O"},
                        {12, 2, "kPa", "kPa"},    {13, 0, "ppm", "ppm"},    {14, 1, "g/m³", "g/m3"},
                        {15, 1, "g/kg", "g/kg"},  {16, 1, "kJ/kg", "kJ/kg"}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.unit);
        EXPECT_EQ(TQuantity::UnitDecimals(r.unit), r.decimals);
        EXPECT_EQ(TQuantity::UnitSymbol(r.unit, false), QString::fromUtf8(r.typographic));
        EXPECT_EQ(TQuantity::UnitSymbol(r.unit, true), QString::fromUtf8(r.plain));
    }
}

TEST(Quantity, AllowedUnitsPerType)
{
    // Which unit codes each type accepts; unit 1 (device-defined) fits every type.
    const std::vector<std::vector<int>> allowed = {{0, 1},    {1},       {0, 1},
                                                   {0, 1},    {0, 1},    {0, 1},
                                                   {1, 2, 3}, {1, 4},    {1, 5, 6, 7, 8, 9, 10, 11, 12},
                                                   {1, 13},   {1, 2, 3}, {1, 14},
                                                   {1, 15},   {1, 15},   {1, 16}};
    for (int type = 0; type < TQuantity::TypeCount; ++type) {
        for (int unit = 0; unit < TQuantity::UnitCount; ++unit) {
            SCOPED_TRACE(testing::Message() << "type " << type << " unit " << unit);
            TLangQuan q;
            q.SetQuanType(type);
            const bool expected =
                std::find(allowed[type].begin(), allowed[type].end(), unit) != allowed[type].end();
            if (expected) {
                q.SetQuanUnit(unit);
                EXPECT_EQ(q.GetQuanUnit(), unit);
            } else {
                const Snapshot before = snap(q);
                EXPECT_THROW(q.SetQuanUnit(unit), ERangeError);
                EXPECT_EQ(snap(q), before);
            }
        }
    }
}

struct RejectedCase {
    const char *what;
    int type;
    std::function<void(TQuantity &)> call;
    const char *message;
};

TEST(Quantity, RejectedCallsRaiseRangeErrorAndChangeNothing)
{
    const RejectedCase cases[] = {
        {"type 15", 6, [](TQuantity &q) { q.SetQuanType(15); }, "invalid quantity type"},
        {"type -1", 6, [](TQuantity &q) { q.SetQuanType(-1); }, "invalid quantity type"},
        {"type 255", 6, [](TQuantity &q) { q.SetQuanType(255); }, "invalid quantity type"},
        {"unit 17", 6, [](TQuantity &q) { q.SetQuanUnit(17); }, "invalid unit type"},
        {"unit -1", 6, [](TQuantity &q) { q.SetQuanUnit(-1); }, "invalid unit type"},
        {"°F on humidity", 7, [](TQuantity &q) { q.SetQuanUnit(3); }, "unsupported unit type"},
        {"no unit on temperature", 6, [](TQuantity &q) { q.SetQuanUnit(0); }, "unsupported unit type"},
        {"hPa on pressure-less type", 9, [](TQuantity &q) { q.SetQuanUnit(5); }, "unsupported unit type"},
        {"interpretation 2", 9, [](TQuantity &q) { q.SetInterpretation(2); },
         "invalid interpretation of the value"},
        {"average on temperature", 6, [](TQuantity &q) { q.SetInterpretation(1); },
         "unsupported interpretation of the value"},
    };
    for (const RejectedCase &c : cases) {
        SCOPED_TRACE(c.what);
        TLangQuan q;
        q.SetQuanType(c.type);
        q.SetUnitWord(0x0001); // °F where the type keeps its unit in the word
        Recorder rec;
        rec.attach(q);
        const Snapshot before = snap(q);
        try {
            c.call(q);
            ADD_FAILURE() << "no exception";
        } catch (const ERangeError &e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.message));
        }
        EXPECT_EQ(snap(q), before);
        EXPECT_TRUE(rec.kinds.empty());
    }
}

TEST(Quantity, SameTypeKeepsUnitOtherTypeResetsToDefault)
{
    TLangQuan q;
    q.SetQuanType(6);
    q.SetQuanUnit(3);
    q.SetQuanType(6);
    EXPECT_EQ(q.GetQuanUnit(), 3);
    EXPECT_EQ(q.GetUnitSymbol(), QString::fromUtf8("°F"));

    q.SetQuanType(10); // dew point allows °F too, but a new type starts at its default
    EXPECT_EQ(q.GetQuanUnit(), 2);

    q.SetQuanType(9);
    q.SetInterpretation(1);
    q.SetQuanType(9);
    EXPECT_EQ(q.GetInterpretation(), 1);
    q.SetQuanType(7);
    EXPECT_EQ(q.GetInterpretation(), 0);
}

TEST(Quantity, SetQuanTypeRewritesOnlyTheComputedQuantityBits)
{
    TLangQuan q;
    q.SetTypeWord(0xFFFF); // highest bit wins: specific enthalpy
    ASSERT_EQ(q.GetQuanType(), 14);
    q.SetQuanType(6);
    EXPECT_EQ(q.TypeWord, 0xE1F7);
    q.SetQuanType(11);
    EXPECT_EQ(q.TypeWord, 0xE3F7);
    q.SetQuanType(11); // same type: word still rewritten, nothing else
    EXPECT_EQ(q.TypeWord, 0xE3F7);
}

TEST(Quantity, SetTypeWordDecodesHighestComputedQuantity)
{
    struct Row {
        std::uint16_t word;
        int type, unit;
    };
    const Row rows[] = {
        {0x0000, 0, 0},   {0x0008, 10, 2},  {0x0200, 11, 14}, {0x0208, 11, 14}, {0x0400, 12, 15},
        {0x0C00, 13, 15}, {0x1000, 14, 16}, {0x1FFF, 14, 16}, {0xE1F7, 0, 0},   {0x0001, 0, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.word);
        TLangQuan q;
        q.SetQuanType(6); // start from a different type to see the reset
        q.SetTypeWord(r.word);
        EXPECT_EQ(q.TypeWord, r.word);
        EXPECT_EQ(q.GetQuanType(), r.type);
        EXPECT_EQ(q.GetQuanUnit(), r.unit);
    }

    TLangQuan ah;
    ah.SetTypeWord(0x0208);
    EXPECT_EQ(ah.GetName(), QStringLiteral("Absolute humidity"));
    EXPECT_EQ(ah.GetPlainUnitSymbol(), QStringLiteral("g/m3"));
    EXPECT_EQ(ah.GetDecimals(), 1);
}

TEST(Quantity, SetUnitWordDecodesUnitOrInterpretation)
{
    struct Row {
        int type;
        std::uint16_t word;
        int unit, interpretation;
        std::uint16_t stored;
    };
    const Row rows[] = {
        // temperature: bit 0 is Fahrenheit
        {6, 0x0001, 3, 0, 0x0001},
        {6, 0x0000, 2, 0, 0x0000},
        {6, 0xFFFE, 2, 0, 0xFFE2},
        {6, 0xFFFF, 3, 0, 0xFFE3},
        // pressure: bits 2..4
        {8, 0x0000, 5, 0, 0x0000},
        {8, 0x0004, 6, 0, 0x0004},
        {8, 0x0008, 7, 0, 0x0008},
        {8, 0x000C, 8, 0, 0x000C},
        {8, 0x0010, 9, 0, 0x0010},
        {8, 0x0014, 10, 0, 0x0014},
        {8, 0x0018, 11, 0, 0x0018},
        {8, 0x001C, 12, 0, 0x001C},
        {8, 0x00FF, 12, 0, 0x00FE},
        {8, 0x0001, 5, 0, 0x0000},
        // CO2 concentration: bit 2 is averaging, bit 0 is cleared
        {9, 0x0004, 13, 1, 0x0004},
        {9, 0x0005, 13, 1, 0x0004},
        {9, 0xFFFB, 13, 0, 0xFFFA},
        // other types only store the word
        {7, 0x0004, 4, 0, 0x0004},
        {10, 0x0001, 2, 0, 0x0001},
        {0, 0xFFFF, 0, 0, 0xFFFF},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "type " << r.type << " word " << r.word);
        TLangQuan q;
        q.SetQuanType(r.type);
        q.SetUnitWord(r.word);
        EXPECT_EQ(q.GetQuanUnit(), r.unit);
        EXPECT_EQ(q.GetInterpretation(), r.interpretation);
        EXPECT_EQ(q.UnitWord, r.stored);
    }
}

TEST(Quantity, SetQuanUnitAndInterpretationRewriteTheirWordBits)
{
    TLangQuan t;
    t.SetQuanType(6);
    t.SetUnitWord(0xFFFF); // °F, word 0xFFE3
    t.SetQuanUnit(2);
    EXPECT_EQ(t.UnitWord, 0xFFE2);
    t.UnitWord = 0xFFFF;
    t.SetQuanUnit(2); // unchanged unit still rewrites the word
    EXPECT_EQ(t.UnitWord, 0xFFE2);

    TLangQuan p;
    p.SetQuanType(8);
    p.SetQuanUnit(7);
    EXPECT_EQ(p.UnitWord, 0x0008);

    TLangQuan dp; // dew point: unit not in the word
    dp.SetQuanType(10);
    dp.SetQuanUnit(3);
    EXPECT_EQ(dp.UnitWord, 0x0000);

    TLangQuan c;
    c.SetQuanType(9);
    c.UnitWord = 0x00FF;
    c.SetInterpretation(1);
    EXPECT_EQ(c.UnitWord, 0x00FE);
    c.SetInterpretation(0);
    EXPECT_EQ(c.UnitWord, 0x00FA);
}

TEST(Quantity, ChangeNotifications)
{
    TLangQuan q;
    Recorder rec;
    rec.attach(q);

    struct Step {
        const char *what;
        std::function<void()> call;
        std::vector<int> kinds;
    };
    const Step steps[] = {
        {"new type notifies once", [&] { q.SetQuanType(6); }, {1}},
        {"same type", [&] { q.SetQuanType(6); }, {}},
        {"unit change", [&] { q.SetQuanUnit(3); }, {2}},
        {"same unit", [&] { q.SetQuanUnit(3); }, {}},
        {"unit word back to °C", [&] { q.SetUnitWord(0x0000); }, {2}},
        {"value", [&] { q.SetValue(21.5); }, {4}},
        {"same value", [&] { q.SetValue(21.5); }, {}},
        {"CO2", [&] { q.SetQuanType(9); }, {1}},
        {"average", [&] { q.SetInterpretation(1); }, {3}},
        {"unit word immediate", [&] { q.SetUnitWord(0x0000); }, {3}},
        {"type word selecting a new type", [&] { q.SetTypeWord(0x0008); }, {1}},
        {"type word same type", [&] { q.SetTypeWord(0x0009); }, {}},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        rec.kinds.clear();
        s.call();
        EXPECT_EQ(rec.kinds, s.kinds);
    }
}

TEST(Quantity, NameCarriesChannelNumber)
{
    TLangQuan q;
    q.SetQuanType(3);
    EXPECT_EQ(q.GetName(), QStringLiteral("CO2 level"));
    q.Number = 3;
    EXPECT_EQ(q.GetName(), QStringLiteral("CO2 level 3"));
    q.SetQuanType(2);
    q.Number = 2;
    EXPECT_EQ(q.GetName(), QStringLiteral("Binary input 2"));
}

// Exposes PlainUnits and can fail while it is set.
class PlainProbe : public TQuantity
{
public:
    bool failWhenPlain = false;
    bool plain() const { return PlainUnits; }
    QString GetUnitSymbol() const override
    {
        if (failWhenPlain && PlainUnits)
            throw Exception(QStringLiteral("boom"));
        return TQuantity::GetUnitSymbol();
    }
};

TEST(Quantity, PlainSymbolIsScopedToOneCall)
{
    PlainProbe q;
    q.SetQuanType(11);
    EXPECT_EQ(q.GetUnitSymbol(), QString::fromUtf8("g/m³"));
    EXPECT_EQ(q.GetPlainUnitSymbol(), QStringLiteral("g/m3"));
    EXPECT_FALSE(q.plain());
    EXPECT_EQ(q.GetUnitSymbol(), QString::fromUtf8("g/m³"));

    q.failWhenPlain = true;
    EXPECT_THROW(q.GetPlainUnitSymbol(), Exception);
    EXPECT_FALSE(q.plain());
}

// Answers every lookup of the listed contexts with a marked text, to prove the
// names are looked up at call time rather than frozen.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        const QByteArray ctx(context);
        if (ctx == "TQuantity" || ctx == "ValueText" || ctx == "TTextValue")
            return QStringLiteral("<%1>").arg(QString::fromUtf8(sourceText));
        return {};
    }
    bool isEmpty() const override { return false; }
};

TEST(Quantity, TranslatableTextsFollowTheInstalledLanguage)
{
    TLangQuan q;
    q.SetQuanType(6);
    q.Number = 2;
    MarkingTranslator tr;
    ASSERT_TRUE(QCoreApplication::installTranslator(&tr));
    const QString name = q.GetName();
    const QString interval = ReadingIntervals().at(1).Display();
    const QString symbol = q.GetUnitSymbol();
    QCoreApplication::removeTranslator(&tr);

    EXPECT_EQ(name, QStringLiteral("<Temperature> 2"));
    EXPECT_EQ(interval, QStringLiteral("10 <seconds>"));
    EXPECT_EQ(symbol, QString::fromUtf8("°C")); // unit symbols are not translated
    EXPECT_EQ(q.GetName(), QStringLiteral("Temperature 2"));
}

} // namespace
