#include "discovery/uUtilsConvert.h"

QByteArray BytesToText(std::span<const std::uint8_t> bytes, std::size_t n)
{
    if (n > bytes.size())
        throw Exception(QStringLiteral("BytesToText: %1 bytes asked, %2 given").arg(n).arg(bytes.size()));
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(n));
}

namespace
{

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QByteArray HexStr2BinStr(const QString &hex)
{
    if (hex.size() % 2 != 0)
        throw Exception(QStringLiteral("HexStr length error. (HexStr2BinStr)"));
    QByteArray result;
    result.reserve(hex.size() / 2);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            throw EConvertError(QStringLiteral("'%1' is not a valid hexadecimal value").arg(hex.mid(i, 2)));
        result.append(static_cast<char>(high << 4 | low));
    }
    return result;
}
