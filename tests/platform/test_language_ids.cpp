// The table of primary language identifiers and the native names from the locale data.
#include "platform/LanguageIds.h"

#include <gtest/gtest.h>

TEST(LanguageIds, KnownIdentifiersGiveTheirCodeAndNativeName)
{
    struct Case {
        int id;
        const char *code;
        const char *nativeName;
    };
    const Case cases[] = {
        {1, "ar", "العربية"},   {5, "cs", "čeština"}, {7, "de", "Deutsch"},     {9, "en", "American English"},
        {12, "fr", "français"}, {21, "pl", "polski"}, {27, "sk", "slovenčina"}, {126, "br", "brezhoneg"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(Platform::LanguageIsoCode(c.id), QString::fromUtf8(c.code));
        EXPECT_EQ(Platform::LanguageNativeName(c.id), QString::fromUtf8(c.nativeName));
    }
}

TEST(LanguageIds, IdentifiersWithoutALanguageAreEmpty)
{
    for (int id : {-1, 0, 123, 125, 127, 1024}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(Platform::LanguageIsoCode(id).isEmpty());
        EXPECT_TRUE(Platform::LanguageNativeName(id).isEmpty());
    }
}
