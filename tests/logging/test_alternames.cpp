#include "model/uSensType.h"
#include "logging/uAlterNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

namespace
{

TAlterNames LoadFrom(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("Ombrix.ini"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    TAlterNames names;
    names.Load(path, QStringLiteral("types"));
    return names;
}

} // namespace

TEST(AlterNamesTest, TypeTableHoldsTheSeventyFourReplaceableKinds)
{
    const auto &table = TAlterNames::TypeTable();
    EXPECT_EQ(table.size(), 74u);
    std::set<std::uint16_t> codes;
    for (const auto &entry : table)
        codes.insert(entry.Code);
    EXPECT_EQ(codes.size(), table.size()); // every code names one kind
}

TEST(AlterNamesTest, KeysAreHexCodesMatchedOnTheirLowerSixteenBits)
{
    const QString t3010 = TSensType::KindName(1); // KIND register 0x1001
    struct Case {
        const char *name;
        QByteArray section;
        QString standard;
        QString expected;
    };
    const Case cases[] = {
        {"single entry", "1001=My thermometer", t3010, QStringLiteral("My thermometer")},
        {"letter case of the name", "1001=My thermometer", t3010.toLower(), QStringLiteral("My thermometer")},
        {"other kinds keep theirs", "1001=My thermometer", TSensType::KindName(2), TSensType::KindName(2)},
        {"upper sixteen bits ignored", "11001=Long key", t3010, QStringLiteral("Long key")},
        {"hex letters either case", "100a=Lower\n100B=Upper", TSensType::KindName(11),
         QStringLiteral("Upper")},
        {"first of a repeated code wins", "1001=First\n11001=Second", t3010, QStringLiteral("First")},
        {"Gelmi kind by XPort sensor type", "5=Gelmi five", TSensType::KindName(77),
         QStringLiteral("Gelmi five")},
        {"sensor type 20 is key 14", "14=Twenty", TSensType::KindName(80), QStringLiteral("Twenty")},
        {"Dusko kind", "1105=Dusko", TSensType::KindName(82), QStringLiteral("Dusko")},
        {"empty value", "1001=", t3010, QString()},
        {"kind without an entry", "1012=Nope", TSensType::KindName(18), TSensType::KindName(18)},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TAlterNames names = LoadFrom(dir, "[label]\ncompany=X\n[types]\n" + c.section + "\n");
        EXPECT_EQ(names.Translate(c.standard), c.expected);
    }
}

TEST(AlterNamesTest, UnusableKeysAreSkippedAndEveryLoadStartsOver)
{
    QTemporaryDir dir;
    TAlterNames names =
        LoadFrom(dir, "[types]\n10x1=bad\n=empty\n0x1001=prefixed\n1211=no kind\n1002=Hygro\n");
    EXPECT_EQ(names.StdNames, QStringList{TSensType::KindName(2)});
    EXPECT_EQ(names.AltNames, QStringList{QStringLiteral("Hygro")});

    names.Load(dir.filePath(QStringLiteral("missing.ini")), QStringLiteral("types"));
    EXPECT_TRUE(names.StdNames.isEmpty());
    EXPECT_EQ(names.Translate(TSensType::KindName(2)), TSensType::KindName(2));
}
