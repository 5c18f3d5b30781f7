#pragma once

#include <QString>

// The numeric locale identifiers the language menu walks: the Windows primary language
// identifiers 1 to 126 (each with a neutral sublanguage), which the program's settings and
// menu tags keep using. Linux has no such numbers, so the table lives here.
namespace Platform
{

constexpr int FirstPrimaryLanguageId = 1;
constexpr int LastPrimaryLanguageId = 126;

// The ISO 639 name of the language (lower case: "cs", "de"); empty for an identifier
// without a language.
QString LanguageIsoCode(int primaryLanguageId);

// The language's name in that language ("čeština", "Deutsch"), from the locale data;
// empty when the locale data has no such language.
QString LanguageNativeName(int primaryLanguageId);

} // namespace Platform
