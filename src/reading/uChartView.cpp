#include "reading/uChartView.h"

#include "reading/uChartHistory.h"

#include "model/uOBGlob.h"
#include "model/uValueText.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString TChartTexts::Caption(const TLangQuan &quantity, const TErrMessageList &errors, const QString &serial,
                             bool paused, const QLocale &locale)
{
    const QString device = QStringLiteral("(") + serial + QStringLiteral(")");
    if (paused)
        return quantity.GetName() + QStringLiteral("  ") + tr("Paused") + QStringLiteral("  ") + device;
    if (!quantity.ReadOK)
        return quantity.GetName() + QStringLiteral(" = ") + ErrorWord(quantity, errors) +
               QStringLiteral("   ") + device;
    return quantity.GetName() + QStringLiteral(" = ") + QuantityValueText(quantity, locale) +
           QStringLiteral(" ") + quantity.GetPlainUnitSymbol() + QStringLiteral("  ") + device;
}

QString TChartTexts::ErrorWord(const TLangQuan &quantity, const TErrMessageList &errors)
{
    const QString generic = tr("Error ");
    const int type = quantity.GetQuanType();
    if (type == TQuantity::qtCO2Level || type == TQuantity::qtPressure ||
        type == TQuantity::qtCO2Concentration)
        return generic;
    if (errors.ListType != TErrMessageList::ltGelmi || errors.Count() <= 1)
        return generic;
    const double magnitude = std::trunc(std::fabs(quantity.Value * 10.0));
    // A value that holds no code (not finite, or beyond any code) matches no entry.
    if (!std::isfinite(magnitude) || magnitude > std::numeric_limits<std::int32_t>::max())
        return generic;
    const auto code = static_cast<std::int32_t>(magnitude);
    for (const TErrMessage &entry : errors.Items) {
        if (entry.Code == code)
            return entry.Text;
    }
    return generic;
}

bool IsBinaryAxis(int quanType)
{
    return quanType == TQuantity::qtBinaryInput || quanType == TQuantity::qtRelayOutput;
}

double VerticalStep(bool binaryAxis)
{
    return binaryAxis ? 1.0 : 0.1;
}

double ValueTickStep(double low, double high, double minStep)
{
    constexpr double WantedSteps = 5.0;
    const double raw = (high - low) / WantedSteps;
    if (!(raw > 0.0) || !std::isfinite(raw))
        return minStep;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double mantissa = raw / magnitude;
    double clean = 10.0;
    if (mantissa < 1.5)
        clean = 1.0;
    else if (mantissa < 3.5)
        clean = 2.0;
    else if (mantissa < 7.5)
        clean = 5.0;
    return std::max(clean * magnitude, minStep);
}

bool SmoothLine(int pointCount)
{
    constexpr int MostSmoothPoints = 1000; // about two points per pixel column of the default width
    return pointCount <= MostSmoothPoints;
}

double SeriesValue(double value, bool valid)
{
    return valid ? value : std::numeric_limits<double>::quiet_NaN();
}

bool HistorySeries(const TChartHistory &history, QVector<double> &keys, QVector<double> &values)
{
    const int n = history.PointCount();
    keys.resize(n);
    values.resize(n);
    bool ordered = true;
    for (int i = 0; i < n; ++i) {
        const TChartPoint &p = history.Point(n - 1 - i);
        keys[i] = p.Time;
        values[i] = SeriesValue(p.Value, p.Valid);
        if (i > 0 && !(keys[i] >= keys[i - 1]))
            ordered = false;
    }
    return ordered;
}

TChartUpdate PlanChartUpdate(std::uint64_t drawnAdded, bool ordered, const TChartHistory &history)
{
    if (history.PointCount() <= 1 || history.Added() == drawnAdded)
        return TChartUpdate::None;
    const bool oneMore = drawnAdded > 0 && history.Added() == drawnAdded + 1;
    if (oneMore && ordered && history.Point(0).Time >= history.Point(1).Time)
        return TChartUpdate::AppendNewest;
    return TChartUpdate::Rebuild;
}
