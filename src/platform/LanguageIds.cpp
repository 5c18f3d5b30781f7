#include "platform/LanguageIds.h"

#include <QLocale>

#include <array>

namespace Platform
{

namespace
{

// Index = primary language identifier. Identifiers without a language are empty.
constexpr std::array<const char *, LastPrimaryLanguageId + 1> IsoCodes = {
    "",   "ar", "bg", "ca", "zh",  "cs",  "da",  "de",  "el",  "en",  "es",  "fi",  "fr",  "he", "hu",  "is",
    "it", "ja", "ko", "nl", "nb",  "pl",  "pt",  "rm",  "ro",  "ru",  "hr",  "sk",  "sq",  "sv", "th",  "tr",
    "ur", "id", "uk", "be", "sl",  "et",  "lv",  "lt",  "tg",  "fa",  "vi",  "hy",  "az",  "eu", "hsb", "mk",
    "st", "ts", "tn", "ve", "xh",  "zu",  "af",  "ka",  "fo",  "hi",  "mt",  "se",  "ga",  "yi", "ms",  "kk",
    "ky", "sw", "tk", "uz", "tt",  "bn",  "pa",  "gu",  "or",  "ta",  "te",  "kn",  "ml",  "as", "mr",  "sa",
    "mn", "bo", "cy", "km", "lo",  "my",  "gl",  "kok", "mni", "sd",  "syr", "si",  "chr", "iu", "am",  "tzm",
    "ks", "ne", "fy", "ps", "fil", "dv",  "bin", "ff",  "ha",  "ibb", "yo",  "quz", "nso", "ba", "lb",  "kl",
    "ig", "kr", "om", "ti", "gn",  "haw", "la",  "so",  "ii",  "pap", "arn", "",    "moh", "",   "br",
};

} // namespace

QString LanguageIsoCode(int primaryLanguageId)
{
    if (primaryLanguageId < FirstPrimaryLanguageId || primaryLanguageId > LastPrimaryLanguageId)
        return QString();
    return QString::fromLatin1(IsoCodes[static_cast<std::size_t>(primaryLanguageId)]);
}

QString LanguageNativeName(int primaryLanguageId)
{
    const QString code = LanguageIsoCode(primaryLanguageId);
    if (code.isEmpty())
        return QString();
    const QLocale::Language language = QLocale::codeToLanguage(code);
    if (language == QLocale::AnyLanguage)
        return QString();
    return QLocale(language).nativeLanguageName();
}

} // namespace Platform
