#include "discovery/uIPText.h"

#include <QStringList>

namespace IPText
{

namespace
{

bool AllDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// A short text of digits as a number; nothing for anything else (a box never
// holds more than 3 characters, so only a longer text given from outside can be
// too long to read).
std::optional<int> SmallNumber(const QString &text)
{
    if (!AllDigits(text) || text.size() > 9)
        return std::nullopt;
    return text.toInt();
}

} // namespace

std::uint8_t OctetValue(const QString &boxText)
{
    return static_cast<std::uint8_t>(SmallNumber(boxText).value_or(0) % 256);
}

QString JoinOctets(const TOctetTexts &boxTexts)
{
    QStringList parts;
    for (const QString &t : boxTexts)
        parts << QString::number(OctetValue(t));
    return parts.join(QLatin1Char('.'));
}

TIPBytes SplitText(const QString &text)
{
    TIPBytes octets{0, 0, 0, 0};
    const QStringList parts = text.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < 4 && i < parts.size(); ++i) {
        const QString part = parts[i].trimmed();
        const std::optional<int> n = SmallNumber(part);
        if (part.size() <= OctetMaxLength && n && *n <= 255)
            octets[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*n);
    }
    return octets;
}

bool ClampOctetText(QString &boxText)
{
    const std::optional<int> n = SmallNumber(boxText);
    if (!n || *n <= 255)
        return false;
    boxText = QStringLiteral("255");
    return true;
}

bool IsAcceptablePaste(const QString &resultingText)
{
    const std::optional<int> n = SmallNumber(resultingText);
    return resultingText.size() <= OctetMaxLength && n && *n <= 255;
}

QString NormalizedOctetText(const QString &boxText, bool *beep)
{
    const std::optional<int> n = SmallNumber(boxText);
    if (beep)
        *beep = !n && !boxText.isEmpty();
    return QString::number(n.value_or(0));
}

std::optional<TIPBytes> WholeAddress(const QString &pasted)
{
    TIPBytes octets{};
    if (!IPToBytes(pasted.trimmed(), octets))
        return std::nullopt;
    return octets;
}

std::uint32_t PackValue(const TIPBytes &octets)
{
    return static_cast<std::uint32_t>(octets[0]) | static_cast<std::uint32_t>(octets[1]) << 8 |
           static_cast<std::uint32_t>(octets[2]) << 16 | static_cast<std::uint32_t>(octets[3]) << 24;
}

TIPBytes UnpackValue(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

} // namespace IPText
