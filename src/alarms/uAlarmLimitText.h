#pragma once

// The numbers of the user alarm settings as the user types them: limits and hysteresis in
// the quantity's unit, with its decimals and the locale's decimal separator.

#include <QCoreApplication>
#include <QLocale>
#include <QString>

#include <optional>

struct TLimitRange {
    double Min;
    double Max;
};

class TAlarmLimitText
{
    Q_DECLARE_TR_FUNCTIONS(TAlarmLimitText)

public:
    static constexpr TLimitRange LimitRange{-200.0, 600.0};
    static constexpr TLimitRange HysteresisRange{0.0, 600.0};
    static constexpr int MaxChars = 6;

    // While typing: Acceptable is a number in range, Intermediate a text that can still
    // become one (empty, "-", a number out of range), Invalid anything else (letters, a
    // second separator, more decimals than the quantity has, more than MaxChars characters).
    enum class TState { Acceptable, Intermediate, Invalid };

    static TState Check(const QString &text, TLimitRange range, int decimals, const QLocale &locale);
    // The value of an acceptable text; nothing otherwise.
    static std::optional<double> Parse(const QString &text, TLimitRange range, int decimals,
                                       const QLocale &locale);
    // The value written with the decimals and the locale's separator, without grouping.
    static QString Format(double value, int decimals, const QLocale &locale);
    // What the user is told about a text that is not acceptable.
    static QString RangeMessage(TLimitRange range, int decimals, const QLocale &locale);
};
