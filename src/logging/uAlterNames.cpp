#include "logging/uAlterNames.h"

#include "model/uSensType.h"
#include "platform/ProfileIni.h"

#include <optional>

namespace
{

// The code is the lower 16 bits of the hexadecimal number; none unless every character is a
// hexadecimal digit.
std::optional<std::uint16_t> HexKeyCode(const QString &key)
{
    if (key.isEmpty())
        return std::nullopt;
    std::uint32_t low = 0;
    for (const QChar c : key) {
        const char16_t ch = c.unicode();
        int digit;
        if (ch >= u'0' && ch <= u'9')
            digit = ch - u'0';
        else if (ch >= u'a' && ch <= u'f')
            digit = ch - u'a' + 10;
        else if (ch >= u'A' && ch <= u'F')
            digit = ch - u'A' + 10;
        else
            return std::nullopt;
        low = ((low << 4) | static_cast<std::uint32_t>(digit)) & 0xFFFFu;
    }
    return static_cast<std::uint16_t>(low);
}

std::vector<TAlterNames::TTypeEntry> BuildTypeTable()
{
    std::vector<TAlterNames::TTypeEntry> table;
    auto byRegister = [&](int first, int last) {
        for (int kind = first; kind <= last; ++kind)
            table.push_back(
                {static_cast<std::uint16_t>(TSensType::KindRegisterOf(kind)), TSensType::KindName(kind)});
    };
    byRegister(1, 17);
    byRegister(21, 50);
    byRegister(54, 54);
    byRegister(56, 56);
    byRegister(83, 85);
    byRegister(87, 97);
    byRegister(99, 100);
    byRegister(132, 134);
    const std::pair<int, std::uint16_t> ethernet[] = {{77, 5},  {78, 6},  {79, 7},
                                                      {80, 20}, {81, 21}, {82, 0x1105}};
    for (const auto &[kind, code] : ethernet)
        table.push_back({code, TSensType::KindName(kind)});
    return table;
}

} // namespace

const std::vector<TAlterNames::TTypeEntry> &TAlterNames::TypeTable()
{
    static const std::vector<TTypeEntry> table = BuildTypeTable();
    return table;
}

void TAlterNames::Load(const QString &fileName, const QString &section)
{
    QStringList stdNames;
    QStringList altNames;
    const TProfileIni ini(fileName);
    for (const QString &key : ini.Keys(section)) {
        const std::optional<std::uint16_t> code = HexKeyCode(key);
        if (!code)
            continue;
        for (const TTypeEntry &entry : TypeTable()) {
            if (entry.Code == *code) {
                stdNames << entry.Name;
                altNames << ini.ReadString(section, key, QString());
                break;
            }
        }
    }
    StdNames = stdNames;
    AltNames = altNames;
}

QString TAlterNames::Translate(const QString &name) const
{
    for (qsizetype i = 0; i < StdNames.size(); ++i)
        if (StdNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return AltNames.value(i);
    return name;
}
