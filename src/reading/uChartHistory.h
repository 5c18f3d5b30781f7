#pragma once

// The history of one quantity for its chart window: a ring buffer of PointCount points,
// allocated once per measurement, so adding the point of a tick costs the same whatever
// the history's length (up to a day at 1 s, 86,400 points). The reader core adds a point
// every tick whether the chart is shown or not; a chart window reads the points only
// while it is visible.

#include <QDateTime>

#include <cstdint>
#include <utility>
#include <vector>

struct TChartPoint {
    double Value = 0.0;
    double Time = 0.0; // seconds since the epoch, local wall time as QCustomPlot's time axis takes it
    bool Valid = false;
};

class TChartHistory
{
public:
    // n points, all not valid; they are dated when the first point is added.
    void SetPointCount(int n, int intervalSec);
    int PointCount() const { return m_pointCount; }
    int IntervalSec() const { return m_intervalSec; }

    // The point of one tick; nothing happens when PointCount is 1 or less. The first call
    // dates the empty history backwards from time, one interval a point.
    void AddPoint(double value, bool valid, const QDateTime &time);
    // The same with the time already in seconds since the epoch: a tick converts its time once
    // for all its quantities, since every local-time conversion asks the system's time zone.
    void AddPoint(double value, bool valid, double timeSec);

    // index 0 is the newest point, PointCount() - 1 the oldest.
    const TChartPoint &Point(int indexFromNewest) const;
    // Points added since SetPointCount, so a view can tell what it has not drawn yet.
    std::uint64_t Added() const { return m_added; }

    // The vertical range of the chart: -0.1 to 1.1 for a binary axis; otherwise the valid
    // values' minimum and maximum (both 0 when none is valid), widened by 1 each way when
    // equal, then by a fiftieth of the span each way.
    std::pair<double, double> ValueRange(bool binaryAxis) const;

private:
    // The valid values' extremes, kept up to date while points come and go so a visible
    // chart does not scan the whole day every tick; rescanned only when an extreme drops out.
    void RescanRange() const;
    void Count(double value) const;  // a valid value joins the range
    void Forget(double value) const; // a valid value leaves it

    std::vector<TChartPoint> m_points; // ring: m_newest is index 0
    int m_pointCount = 0;
    int m_intervalSec = 1;
    int m_newest = 0;
    std::uint64_t m_added = 0;
    mutable bool m_rangeKnown = false;
    mutable bool m_anyValid = false;
    mutable double m_min = 0.0;
    mutable double m_max = 0.0;
    mutable std::uint64_t m_minCount = 0; // valid points holding the minimum
    mutable std::uint64_t m_maxCount = 0;
};
