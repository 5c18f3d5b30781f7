#pragma once

#include <QLocale>
#include <QString>

class TQuantity;

// The one way every display and the CSV file turn a value into text.

// Rounds to 5 significant digits, then writes fixed-point with exactly `decimals`
// decimals (trailing zeros kept; clamped to 0..15) in the locale's decimal separator,
// without group separators; the minus sign is always ASCII '-'.
// The value is rounded once, half away from zero, at the coarser of its fifth
// significant digit and the last shown decimal, working on the shortest decimal
// form of the double (so 12.345 with 2 decimals reads "12.35", 21.349998 with 1
// decimal "21.3", never the double-rounded "21.4").
// When the rounded integer part has more than 5 digits the value is written in
// scientific form instead: a mantissa with 4 decimals (5 significant digits) and a
// signed exponent of at least two digits, e.g. "1.2346E+06", "-2.0000E+05".
// A result that would read as negative zero ("-0.0") is written without the sign.
// Non-finite values read "NaN", "INF" and "-INF".
QString FormatValue(double value, int decimals, const QLocale &locale = QLocale::system());

// The binary/level rule: |value - target| <= 0.1.
bool IsNear(double value, double target);

// Binary input and relay output (types 2, 4): "closed" near 1, otherwise "open";
// CO2 level (type 3): "active" near 1, otherwise "inactive"; other types: empty.
// Translatable in context "ValueText".
QString StateText(int quanType, double value);

// StateText for types 2, 3, 4; FormatValue(q.Value, q.GetDecimals()) otherwise.
QString QuantityValueText(const TQuantity &q, const QLocale &locale = QLocale::system());
