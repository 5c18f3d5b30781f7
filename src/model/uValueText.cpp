#include "model/uValueText.h"

#include "model/uQuantity.h"

#include <QCoreApplication>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace
{

constexpr int significantDigits = 5;
// More decimals than this add nothing to a 5-digit value and only bloat the text;
// device-configured decimal counts can be anything up to 255.
constexpr int maxDecimals = 15;

// The shortest decimal digits that read back as the same double, so a stored
// 12.345 is rounded as 12.345 and not as 12.3449999... .
// value = (negative ? -1 : 1) * 0.d1d2d3... * 10^(exponent + 1), i.e. the first digit
// stands at the power `exponent`.
struct Decimal {
    bool negative = false;
    QByteArray digits; // no leading zeros except for zero itself ("0")
    int exponent = 0;
};

Decimal shortestDecimal(double value)
{
    // to_chars ignores the C locale that QCoreApplication installs from the environment.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    Decimal d;
    const char *p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; p != res.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            d.digits.append(*p);
    if (p != res.ptr)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), res.ptr, d.exponent);
    return d;
}

// Rounds |d| half away from zero to a multiple of 10^pos and returns the multiple
// as decimal digits without leading zeros ("0" for zero).
QByteArray roundAt(const Decimal &d, int pos)
{
    const int keep = d.exponent - pos + 1; // digits at or above 10^pos
    QByteArray r;
    if (keep > 0)
        r = d.digits.left(keep).leftJustified(keep, '0');
    const char next = (keep >= 0 && keep < d.digits.size()) ? d.digits[keep] : '0';
    if (next >= '5') {
        int i = static_cast<int>(r.size()) - 1;
        for (; i >= 0 && r[i] == '9'; --i)
            r[i] = '0';
        if (i >= 0)
            r[i] = static_cast<char>(r[i] + 1);
        else
            r.prepend('1');
    }
    while (r.size() > 1 && r[0] == '0')
        r.remove(0, 1);
    return r.isEmpty() ? QByteArray("0") : r;
}

QString withPoint(const QByteArray &digits, int decimals, const QString &point)
{
    QString text = QString::fromLatin1(digits);
    if (decimals > 0) {
        if (text.size() <= decimals)
            text.prepend(QString(decimals + 1 - text.size(), QLatin1Char('0')));
        text.insert(text.size() - decimals, point);
    }
    return text;
}

} // namespace

QString FormatValue(double value, int decimals, const QLocale &locale)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    decimals = std::clamp(decimals, 0, maxDecimals);
    const QString point = locale.decimalPoint();
    const Decimal d = shortestDecimal(value);

    // One rounding only, at the coarser of the fifth significant digit and the last
    // shown decimal: rounding twice would turn 21.349998 into 21.4 at one decimal.
    const int pos = std::max(d.exponent - (significantDigits - 1), -decimals);
    const QByteArray r = roundAt(d, pos);
    const bool zero = r == "0";
    const QString sign = (d.negative && !zero) ? QStringLiteral("-") : QString();
    const int leadingPower = pos + static_cast<int>(r.size()) - 1;

    if (!zero && leadingPower >= significantDigits) {
        // Integer part of more than 5 digits: d.dddd E+xx. Here pos is the fifth
        // significant digit, so r holds 5 digits (6 after a carry, the last being 0).
        const QByteArray mantissa = r.left(significantDigits).leftJustified(significantDigits, '0');
        return sign + withPoint(mantissa, significantDigits - 1, point) + QLatin1Char('E') +
               QLatin1Char('+') + QStringLiteral("%1").arg(leadingPower, 2, 10, QLatin1Char('0'));
    }

    // r counts units of 10^pos; shift it to units of 10^-decimals.
    QByteArray scaled = r;
    if (!zero)
        scaled.append(QByteArray(pos + decimals, '0'));
    return sign + withPoint(scaled, decimals, point);
}

bool IsNear(double value, double target)
{
    // The small slack keeps the rule symmetric: 1.1 - 1 is slightly above 0.1 in
    // binary floating point while 1 - 0.9 is slightly below it.
    return std::fabs(value - target) <= 0.1 + 1e-9;
}

QString StateText(int quanType, double value)
{
    const bool nearOne = IsNear(value, 1.0);
    switch (quanType) {
    case TQuantity::qtBinaryInput:
    case TQuantity::qtRelayOutput:
        return nearOne ? QCoreApplication::translate("ValueText", "closed")
                       : QCoreApplication::translate("ValueText", "open");
    case TQuantity::qtCO2Level:
        return nearOne ? QCoreApplication::translate("ValueText", "active")
                       : QCoreApplication::translate("ValueText", "inactive");
    default:
        return {};
    }
}

QString QuantityValueText(const TQuantity &q, const QLocale &locale)
{
    switch (q.GetQuanType()) {
    case TQuantity::qtBinaryInput:
    case TQuantity::qtRelayOutput:
    case TQuantity::qtCO2Level:
        return StateText(q.GetQuanType(), q.Value);
    default:
        return FormatValue(q.Value, q.GetDecimals(), locale);
    }
}
