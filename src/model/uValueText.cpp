#include "uValueText.h"

#include "uQuantity.h"

#include <QCoreApplication>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace
{

constexpr int significantDigits = 5;
// More decimals than this add nothing to a 5-digit value and only bloat the text;
// device-configured decimal counts can be anything up to 255.
constexpr int maxDecimals = 15;

// A value rounded to 5 significant digits, as exact decimal digits:
// value = (negative ? -1 : 1) * mantissa * 10^(exponent - 4), 10000 <= mantissa <= 99999.
struct Rounded {
    bool negative = false;
    std::int64_t mantissa = 0; // 0 for zero
    int exponent = 0;
};

Rounded roundSignificant(double value)
{
    // to_chars is correctly rounded and, unlike printf, ignores the C locale that
    // QCoreApplication installs from the environment.
    char buf[40];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significantDigits - 1);
    *res.ptr = '\0';
    // buf is like "-1.2346e+06".
    Rounded r;
    const char *p = buf;
    if (*p == '-') {
        r.negative = true;
        ++p;
    }
    for (; *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            r.mantissa = r.mantissa * 10 + (*p - '0');
    r.exponent = std::atoi(p + 1);
    return r;
}

QString digitsWithPoint(std::int64_t scaled, int decimals, const QString &point)
{
    QString digits = QString::number(scaled);
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
        digits.insert(digits.size() - decimals, point);
    }
    return digits;
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
    const Rounded r = roundSignificant(value);

    if (r.mantissa != 0 && r.exponent >= significantDigits) {
        // Integer part of more than 5 digits: d.dddd E±xx.
        QString text = digitsWithPoint(r.mantissa, significantDigits - 1, point);
        text += QLatin1Char('E');
        text += r.exponent < 0 ? QLatin1Char('-') : QLatin1Char('+');
        text += QStringLiteral("%1").arg(std::abs(r.exponent), 2, 10, QLatin1Char('0'));
        return r.negative ? QLatin1Char('-') + text : text;
    }

    // Fixed point. The rounded value has `scale` digits after the point; pad with
    // zeros or round the exact decimal digits half away from zero.
    const int scale = (significantDigits - 1) - r.exponent;
    std::int64_t scaled = r.mantissa;
    if (scale <= decimals) {
        for (int i = scale; i < decimals; ++i)
            scaled *= 10;
    } else {
        const int drop = scale - decimals;
        if (drop > significantDigits) {
            scaled = 0; // below half a unit of the last shown decimal
        } else {
            std::int64_t divisor = 1;
            for (int i = 0; i < drop; ++i)
                divisor *= 10;
            scaled = (scaled + divisor / 2) / divisor;
        }
    }
    QString text = digitsWithPoint(scaled, decimals, point);
    // Negative zero after rounding is shown unsigned: "-0.0" would claim a sign
    // the shown digits cannot support.
    if (r.negative && scaled != 0)
        text.prepend(QLatin1Char('-'));
    return text;
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
