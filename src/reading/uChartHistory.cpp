#include "reading/uChartHistory.h"

#include <algorithm>

namespace
{

const TChartPoint NoPoint{};

} // namespace

void TChartHistory::SetPointCount(int n, int intervalSec)
{
    m_pointCount = std::max(n, 0);
    m_intervalSec = intervalSec;
    // One allocation per measurement; assign keeps the capacity of an earlier one.
    m_points.assign(static_cast<std::size_t>(m_pointCount), TChartPoint{});
    m_points.shrink_to_fit();
    m_newest = 0;
    m_added = 0;
    m_rangeKnown = true;
    m_anyValid = false;
    m_minCount = m_maxCount = 0;
}

void TChartHistory::AddPoint(double value, bool valid, const QDateTime &time)
{
    if (m_pointCount > 1)
        AddPoint(value, valid, static_cast<double>(time.toMSecsSinceEpoch()) / 1000.0);
}

void TChartHistory::AddPoint(double value, bool valid, double t)
{
    if (m_pointCount <= 1)
        return;
    if (m_added == 0) {
        // The empty history is dated backwards from the first point, one interval apart,
        // so the chart's time axis spans its whole length from the start.
        for (int i = 0; i < m_pointCount; ++i)
            m_points[static_cast<std::size_t>(i)] =
                TChartPoint{0.0, t - static_cast<double>(i) * m_intervalSec, false};
        m_newest = 0;
        m_rangeKnown = true;
        m_anyValid = false;
        m_minCount = m_maxCount = 0;
    }
    // The oldest point drops out: its slot becomes the newest.
    m_newest = (m_newest + m_pointCount - 1) % m_pointCount;
    TChartPoint &slot = m_points[static_cast<std::size_t>(m_newest)];
    if (m_rangeKnown && slot.Valid)
        Forget(slot.Value);
    slot = TChartPoint{value, t, valid};
    ++m_added;
    if (m_rangeKnown && valid)
        Count(value);
}

void TChartHistory::Count(double value) const
{
    if (!m_anyValid) {
        m_min = m_max = value;
        m_minCount = m_maxCount = 1;
        m_anyValid = true;
        return;
    }
    if (value < m_min) {
        m_min = value;
        m_minCount = 1;
    } else if (value == m_min) {
        ++m_minCount;
    }
    if (value > m_max) {
        m_max = value;
        m_maxCount = 1;
    } else if (value == m_max) {
        ++m_maxCount;
    }
}

void TChartHistory::Forget(double value) const
{
    // Only the last copy of an extreme leaving forces a rescan.
    if (value == m_min && --m_minCount == 0)
        m_rangeKnown = false;
    if (value == m_max && --m_maxCount == 0)
        m_rangeKnown = false;
}

const TChartPoint &TChartHistory::Point(int indexFromNewest) const
{
    if (indexFromNewest < 0 || indexFromNewest >= m_pointCount)
        return NoPoint;
    return m_points[static_cast<std::size_t>((m_newest + indexFromNewest) % m_pointCount)];
}

void TChartHistory::RescanRange() const
{
    m_anyValid = false;
    m_minCount = m_maxCount = 0;
    for (const TChartPoint &p : m_points) {
        if (p.Valid)
            Count(p.Value);
    }
    m_rangeKnown = true;
}

std::pair<double, double> TChartHistory::ValueRange(bool binaryAxis) const
{
    if (binaryAxis)
        return {-0.1, 1.1};
    if (!m_rangeKnown)
        RescanRange();
    double low = m_anyValid ? m_min : 0.0;
    double high = m_anyValid ? m_max : 0.0;
    if (low == high) {
        low -= 1.0;
        high += 1.0;
    }
    const double margin = (high - low) / 50.0;
    return {low - margin, high + margin};
}
