#include "reading/uChartExplore.h"

#include "reading/uChartHistory.h"

#include "logging/uRecFile.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

TTimeSpan Inside(const TTimeSpan &all, TTimeSpan span)
{
    if (span.Width() >= all.Width())
        return all;
    if (span.Low < all.Low)
        span = {all.Low, all.Low + span.Width()};
    if (span.High > all.High)
        span = {all.High - span.Width(), all.High};
    return span;
}

QDateTime TimeOf(double key)
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(key * 1000.0)));
}

QString CsvCell(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

void TChartFollow::Zoom(const TTimeSpan &all, double pointerTime, double factor, double minWidth)
{
    const TTimeSpan from = Shown(all);
    if (!(factor > 0.0) || from.Width() <= 0.0)
        return;
    const double width = std::clamp(from.Width() * factor, std::min(minWidth, all.Width()), all.Width());
    const double share = std::clamp((pointerTime - from.Low) / from.Width(), 0.0, 1.0);
    const double low = pointerTime - share * width;
    m_span = Inside(all, {low, low + width});
    m_live = false;
}

void TChartFollow::Pan(const TTimeSpan &all, double seconds)
{
    const TTimeSpan from = Shown(all);
    m_span = Inside(all, {from.Low + seconds, from.High + seconds});
    m_live = false;
}

std::pair<double, double> VisibleValueRange(const TChartHistory &history, const TTimeSpan &span,
                                            bool binaryAxis)
{
    if (binaryAxis)
        return {-0.1, 1.1};
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (int i = 0; i < history.PointCount(); ++i) {
        const TChartPoint &p = history.Point(i);
        if (!p.Valid || p.Time < span.Low || p.Time > span.High)
            continue;
        low = std::min(low, p.Value);
        high = std::max(high, p.Value);
    }
    if (low > high)
        low = high = 0.0;
    if (low == high) {
        low -= 1.0;
        high += 1.0;
    }
    const double margin = (high - low) / 50.0;
    return {low - margin, high + margin};
}

int TChartReadOut::NearestPoint(const TChartHistory &history, double time)
{
    int nearest = -1;
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < history.PointCount(); ++i) {
        const double distance = std::fabs(history.Point(i).Time - time);
        // Ties go to the newer point: the first tick shares its time with a dated empty one.
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

QString TChartReadOut::At(const TChartHistory &history, double time, const QLocale &locale)
{
    const int index = NearestPoint(history, time);
    if (index < 0)
        return QString();
    const TChartPoint &p = history.Point(index);
    const QString when = TimeOf(p.Time).toString(QStringLiteral("hh:mm:ss dd.MM.yyyy"));
    const QString what = p.Valid ? locale.toString(p.Value, 'f', 1) : tr("no reading");
    return when + QStringLiteral("  ") + what;
}

QString ChartCsv(const TChartHistory &history, const QString &valueTitle, const QLocale &locale)
{
    const QString dateFormat = TRecFile::DateFormatOf(locale);
    const QString timeFormat = TRecFile::TimeFormatOf(locale);
    QStringList lines;
    lines << CsvCell(TRecFile::tr("Local PC Date")) + QLatin1Char(';') +
                 CsvCell(TRecFile::tr("Local PC Time")) + QLatin1Char(';') + CsvCell(valueTitle);
    for (int i = history.PointCount() - 1; i >= 0; --i) {
        const TChartPoint &p = history.Point(i);
        const QDateTime t = TimeOf(p.Time);
        const QString value = p.Valid ? locale.toString(p.Value, 'g', 15) : QString();
        lines << CsvCell(locale.toString(t.date(), dateFormat)) + QLatin1Char(';') +
                     CsvCell(locale.toString(t.time(), timeFormat)) + QLatin1Char(';') + CsvCell(value);
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}
