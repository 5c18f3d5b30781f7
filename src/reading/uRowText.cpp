#include "reading/uRowText.h"

#include "model/uOBGlob.h"
#include "model/uValueText.h"

namespace
{

constexpr double CO2WarmUpValue = -9998.0;

} // namespace

TRowText TRowTexts::Of(const TLangQuan &quantity, const QLocale &locale)
{
    TRowText text;
    if (quantity.ReadOK) {
        text.Unit = quantity.GetPlainUnitSymbol();
        text.Value = QuantityValueText(quantity, locale);
        return text;
    }
    text.Failed = true;
    const bool warmingUp =
        quantity.GetQuanType() == TQuantity::qtCO2Concentration && IsNear(quantity.Value, CO2WarmUpValue);
    text.Value = warmingUp ? QStringLiteral("----") : quantity.ErrorText;
    return text;
}

QString TRowTexts::AlarmText(std::uint8_t alarmState, const QString &low, const QString &high)
{
    switch (alarmState) {
    case TLangQuan::asLow:
        return low;
    case TLangQuan::asHigh:
        return high;
    default:
        return {};
    }
}

bool TRowTexts::ShowsAlarmColours(const TLangQuan &quantity)
{
    return !quantity.ReadOK || quantity.AlarmState != TLangQuan::asNone;
}
