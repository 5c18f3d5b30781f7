// A branding file as a reseller could write it: read by the profile-file rules,
// then looked up the way the program does (sections, keys, values).

#include "FuzzCheck.h"

#include "platform/ProfileIni.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TProfileIni ini;
    ini.LoadFromData(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    for (const QString &section :
         {QStringLiteral("label"), QStringLiteral("types"), QStringLiteral("GlobalTypes")}) {
        const QStringList keys = ini.Keys(section);
        for (const QString &key : keys) {
            // Every listed key has a value, also when asked in another case.
            FUZZ_CHECK(ini.Value(section, key).has_value());
            // Names compare character by character, as on Windows; a full lower-casing that
            // changes a key's length (U+0130 becomes i and a combining dot) is another name.
            const QString lowerKey = key.toLower();
            if (lowerKey.size() == key.size())
                FUZZ_CHECK(ini.Value(section.toUpper(), lowerKey).has_value());
            const QString value = ini.ReadString(section, key, QStringLiteral("\x01"));
            FUZZ_CHECK(value == *ini.Value(section, key));
        }
        FUZZ_CHECK(ini.ReadString(section, QStringLiteral("=missing="), QStringLiteral("d")) ==
                   QStringLiteral("d"));
    }
    return 0;
}
