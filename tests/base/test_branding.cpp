#include "base/uApplicationSpecifical.h"
#include "platform/ProfileIni.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProfileIniTest, ReadsByWindowsProfileRules)
{
    TProfileIni ini;
    ini.LoadFromData("\xEF\xBB\xBF; a reseller's file\r\n"
                     "[Label]\r\n"
                     "Company = Acme ; Co \r\n"
                     "web=http://acme.example/a,b\r\n"
                     "company=Second\r\n"
                     "  appname=Indented\r\n"
                     "url:colon=kept whole\r\n"
                     "no equals sign\r\n"
                     "[types]\n"
                     "1001=My thermometer\n"
                     "10x1=skipped later\n"
                     "=empty key\n"
                     "[label]\n"
                     "extra=from a repeated section\n");
    struct Case {
        const char *section;
        const char *key;
        std::optional<QString> value;
    };
    const Case cases[] = {
        {"label", "company", QStringLiteral("Acme ; Co")}, // trimmed, ";" inside a value kept, first wins
        {"LABEL", "WEB", QStringLiteral("http://acme.example/a,b")},
        {"label", "appname", QStringLiteral("Indented")}, // an indented line is a key, not a continuation
        {"label", "url:colon", QStringLiteral("kept whole")},
        {"label", "extra", std::nullopt}, // only the first section of a name counts
        {"label", "no equals sign", std::nullopt},
        {"types", "1001", QStringLiteral("My thermometer")},
        {"missing", "company", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ini.Value(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), c.value) << c.key;
    EXPECT_EQ(ini.Keys(QStringLiteral("TYPES")),
              (QStringList{QStringLiteral("1001"), QStringLiteral("10x1"), QString()}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("label"), QStringLiteral("nothing"), QStringLiteral("dflt")),
              QStringLiteral("dflt"));
}

TEST(ProfileIniTest, AMalformedSectionLineLeavesTheKeysInTheCurrentSection)
{
    // A header without its closing bracket starts no section, so the keys after it still
    // belong to the section before it.
    TProfileIni ini;
    const QByteArray tooLongHeader = "[" + QByteArray(400, 's') + "]";
    ini.LoadFromData("[label]\ncompany=Acme\n[broken\nappname=Foo\n[a ;]\nweb=w\n" + tooLongHeader +
                     "\nlogo=l\n[label]\nextra=x\n");
    EXPECT_EQ(ini.Keys(QStringLiteral("label")),
              (QStringList{QStringLiteral("company"), QStringLiteral("appname"), QStringLiteral("web"),
                           QStringLiteral("logo")}));
}

TEST(ProfileIniTest, AMissingFileReadsAsEmpty)
{
    TProfileIni ini;
    EXPECT_FALSE(ini.Load(QStringLiteral("/nonexistent/Ombrix.ini")));
    EXPECT_TRUE(ini.Keys(QStringLiteral("label")).isEmpty());
}

TEST(ProfileIniTest, ALongValueIsReadWholeNotSplitIntoAnotherKey)
{
    const QByteArray longValue(400, 'v');
    TProfileIni ini;
    ini.LoadFromData("[label]\nweb=" + longValue + "\nappname=A\n");
    EXPECT_EQ(ini.Keys(QStringLiteral("label")),
              (QStringList{QStringLiteral("web"), QStringLiteral("appname")}));
    EXPECT_EQ(ini.Value(QStringLiteral("label"), QStringLiteral("web")), QString::fromLatin1(longValue));
}

TEST(ProfileIniTest, QuotesRepeatedSectionsAndLongLinesReadAsWindowsReadsThem)
{
    const QByteArray longKey(1000, 'k');
    const QByteArray longValue(2000, 'v');
    struct Case {
        const char *name;
        QByteArray text;
        const char *section;
        QString key;
        std::optional<QString> value;
    };
    const Case cases[] = {
        {"double quotes", "[label]\ncompany=\"Acme\"\n", "label", QStringLiteral("company"),
         QStringLiteral("Acme")},
        {"single quotes, blanks around", "[types]\n1001 = 'My thermometer' \n", "types",
         QStringLiteral("1001"), QStringLiteral("My thermometer")},
        {"quotes in the device type names", "[GlobalTypes]\nX5=\"Gateway, RS485\"\n", "globaltypes",
         QStringLiteral("X5"), QStringLiteral("Gateway, RS485")},
        {"only one pair", "[label]\nweb=\"\"a\"\"\n", "label", QStringLiteral("web"),
         QStringLiteral("\"a\"")},
        {"empty quotes", "[label]\ncompany=''\n", "label", QStringLiteral("company"), QString()},
        {"quotes that do not match", "[label]\ncompany=\"Acme'\n", "label", QStringLiteral("company"),
         QStringLiteral("\"Acme'")},
        {"a lone quote", "[label]\ncompany=\"\n", "label", QStringLiteral("company"), QStringLiteral("\"")},
        {"quotes inside", "[label]\ncompany=A \"B\" C\n", "label", QStringLiteral("company"),
         QStringLiteral("A \"B\" C")},
        {"repeated section, the first without keys", "[label]\n[types]\n1001=X\n[LABEL]\ncompany=Acme\n",
         "label", QStringLiteral("company"), std::nullopt},
        {"key line of a thousand characters", "[label]\n" + longKey + "=value\nappname=A\n", "label",
         QString::fromLatin1(longKey), QStringLiteral("value")},
        {"the line after a long one", "[label]\n" + longKey + "=value\nappname=A\n", "label",
         QStringLiteral("appname"), QStringLiteral("A")},
        {"long quoted value", "[types]\n1001=\"" + longValue + "\"\n", "types", QStringLiteral("1001"),
         QString::fromLatin1(longValue)},
        {"long comment", "[label]\n;" + longKey + "=x\n", "label", QString::fromLatin1(";" + longKey),
         std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProfileIni ini;
        ini.LoadFromData(c.text);
        EXPECT_EQ(ini.Value(QString::fromLatin1(c.section), c.key), c.value);
    }
}

TEST(BrandLookTest, OnlyTheExactDefaultBrandKeepsTheBuiltInLogoAndMakersLink)
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    const QString withWeb = dir.filePath(QStringLiteral("with-web.ini"));
    const QString withoutWeb = dir.filePath(QStringLiteral("without-web.ini"));
    for (const auto &[path, text] :
         {std::pair{withWeb, QByteArray("[label]\ncompany=Acme\nweb=https://acme.example\n")},
          std::pair{withoutWeb, QByteArray("[label]\ncompany=Acme\n")}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    const QString missing = dir.filePath(QStringLiteral("missing.ini"));

    struct Case {
        const char *name;
        QString brand;
        QString ini;
        bool builtIn;
        bool linkEnabled;
        QString link;
    };
    const Case cases[] = {
        {"default brand", QStringLiteral("TALMO"), missing, true, true, QString(MakerWebAddress)},
        {"default brand, file with web", QStringLiteral("TALMO"), withWeb, true, true,
         QString(MakerWebAddress)},
        {"Talmo is foreign here", QStringLiteral("Talmo"), withoutWeb, false, false, QString()},
        {"slash in company", QStringLiteral("Acme/Ltd"), withWeb, false, true,
         QStringLiteral("https://acme.example")},
        {"empty company", QString(), withoutWeb, false, false, QString()},
        {"foreign brand, no file", QStringLiteral("Acme"), missing, false, false, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TBrandLook look = DecideBrandLook(c.brand, programDir, c.ini);
        EXPECT_EQ(look.BuiltInLogo, c.builtIn);
        EXPECT_EQ(look.LogoFile, c.builtIn ? QString() : programDir + QStringLiteral("logo.bmp"));
        EXPECT_EQ(look.LinkEnabled, c.linkEnabled);
        EXPECT_EQ(look.LinkUrl, c.link);
    }
}
