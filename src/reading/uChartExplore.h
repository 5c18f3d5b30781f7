#pragma once

// Exploring a chart apart from its widgets: the time span shown while the user zooms and pans,
// the value range that fits the points in it, the read-out under the pointer and the history
// as CSV text.

#include <QCoreApplication>
#include <QLocale>
#include <QString>

#include <utility>

class TChartHistory;

// The time span a chart shows, in seconds since the epoch.
struct TTimeSpan {
    double Low = 0.0;
    double High = 0.0;
    double Width() const { return High - Low; }
    bool operator==(const TTimeSpan &) const = default;
};

// Follows the newest point until the user zooms or pans, then keeps the user's span until the
// user asks for the live view again.
class TChartFollow
{
public:
    bool Live() const { return m_live; }
    // The span to show for a history spanning all: all while live, the user's span otherwise.
    TTimeSpan Shown(const TTimeSpan &all) const { return m_live ? all : m_span; }

    // The wheel: factor < 1 zooms in, > 1 out, keeping the time under the pointer where it is.
    // A span never narrower than minWidth (a few readings) nor wider than all.
    void Zoom(const TTimeSpan &all, double pointerTime, double factor, double minWidth);
    // A drag moved the view by seconds (positive: later times), kept inside all.
    void Pan(const TTimeSpan &all, double seconds);
    void ReturnToLive() { m_live = true; }

private:
    bool m_live = true;
    TTimeSpan m_span;
};

// The vertical range that fits the valid points inside span, with the chart's margins: 1/50
// of the spread on each side, ±1 around a constant value, −1.04..1.04 without valid points;
// binary axes keep −0.1..1.1.
std::pair<double, double> VisibleValueRange(const TChartHistory &history, const TTimeSpan &span,
                                            bool binaryAxis);

class TChartReadOut
{
    Q_DECLARE_TR_FUNCTIONS(TfChart)

public:
    // "hh:mm:ss dd.MM.yyyy  value" of the point nearest to time, the value with the chart's one
    // decimal, or "no reading" when that point is a gap. Empty for an empty history.
    static QString At(const TChartHistory &history, double time, const QLocale &locale = QLocale::system());
    // The index (from the newest) of the point nearest to time, or -1 for an empty history.
    static int NearestPoint(const TChartHistory &history, double time);
};

// The history oldest first as CSV: a title line, then date, time and value per point, in the
// record file's date and time formats and decimal separator; a gap has an empty value.
QString ChartCsv(const TChartHistory &history, const QString &valueTitle,
                 const QLocale &locale = QLocale::system());
