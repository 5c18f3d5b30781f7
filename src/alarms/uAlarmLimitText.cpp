#include "alarms/uAlarmLimitText.h"

#include <QRegularExpression>

namespace
{

// Digits with at most one separator and at most `decimals` digits after it; the minus only
// where the range has negative numbers.
bool HasNumberShape(const QString &text, TLimitRange range, int decimals, const QLocale &locale)
{
    const QString sign = range.Min < 0 ? QStringLiteral("-?") : QString();
    const QString fraction = decimals > 0 ? QStringLiteral("(%1\\d{0,%2})?")
                                                .arg(QRegularExpression::escape(locale.decimalPoint()))
                                                .arg(decimals)
                                          : QString();
    const QRegularExpression shape(QStringLiteral("^%1\\d*%2$").arg(sign, fraction));
    return shape.match(text).hasMatch();
}

} // namespace

TAlarmLimitText::TState TAlarmLimitText::Check(const QString &text, TLimitRange range, int decimals,
                                               const QLocale &locale)
{
    if (text.size() > MaxChars || !HasNumberShape(text, range, decimals, locale))
        return TState::Invalid;
    QLocale reader(locale);
    reader.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = reader.toDouble(text, &ok);
    if (!ok || value < range.Min || value > range.Max)
        return TState::Intermediate;
    return TState::Acceptable;
}

std::optional<double> TAlarmLimitText::Parse(const QString &text, TLimitRange range, int decimals,
                                             const QLocale &locale)
{
    if (Check(text, range, decimals, locale) != TState::Acceptable)
        return std::nullopt;
    QLocale reader(locale);
    reader.setNumberOptions(QLocale::RejectGroupSeparator);
    return reader.toDouble(text);
}

QString TAlarmLimitText::Format(double value, int decimals, const QLocale &locale)
{
    QLocale writer(locale);
    writer.setNumberOptions(QLocale::OmitGroupSeparator);
    return writer.toString(value, 'f', decimals);
}

QString TAlarmLimitText::RangeMessage(TLimitRange range, int decimals, const QLocale &locale)
{
    const QString from = Format(range.Min, 0, locale);
    const QString to = Format(range.Max, 0, locale);
    if (decimals <= 0)
        return tr("Enter a whole number from %1 to %2.").arg(from, to);
    return tr("Enter a number from %1 to %2 (decimal places: at most %3).").arg(from, to).arg(decimals);
}
