#pragma once

// What a chart window shows, apart from the widgets: its caption, its axes and the series
// built from the quantity's history, and whether a tick can be drawn by appending the new
// point instead of handing the whole history to the chart again.

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QVector>

#include <cstdint>
#include <utility>

class TLangQuan;
class TErrMessageList;
class TChartHistory;

class TChartTexts
{
    Q_DECLARE_TR_FUNCTIONS(TfChart)

public:
    // After a tick: "<name> = <value> <unit>  (<serial>)" for a valid reading,
    // "<name>  Paused  (<serial>)" while paused, "<name> = <error word>   (<serial>)" for
    // a failed reading.
    static QString Caption(const TLangQuan &quantity, const TErrMessageList &errors, const QString &serial,
                           bool paused, const QLocale &locale = QLocale::system());
    // "Error ", or for the Gelmi error list the text whose code is |value × 10| (not for
    // CO2 levels, pressure and CO2 concentration, whose values carry no such code).
    static QString ErrorWord(const TLangQuan &quantity, const TErrMessageList &errors);
};

// Binary inputs and relay outputs are drawn as steps between 0 and 1 (CO2 levels are not).
bool IsBinaryAxis(int quanType);
// The smallest step between the labels of the vertical axis.
double VerticalStep(bool binaryAxis);
// The step between the vertical axis's ticks for the range low..high: about five steps, each 1,
// 2 or 5 times a power of ten and never below minStep (a whole multiple of 0.1). The labels show
// one decimal, so only such steps let every label name its tick exactly (a step of 0.25 would
// put "23.3" at 23.25).
double ValueTickStep(double low, double high, double minStep);

// The history oldest first, as the chart takes it: times in seconds since the epoch and
// values, NaN for a point that is not valid (a gap in the line). Returns whether the times
// never fall from the oldest to the newest point (the first tick's point shares its time with
// the newest dated empty point).
bool HistorySeries(const TChartHistory &history, QVector<double> &keys, QVector<double> &values);

// Whether the line is drawn antialiased. A long history fills every pixel column with
// several points, so smoothing would only blur the line while stroking it costs more than
// the rest of the tick; a short history gets the smooth line.
bool SmoothLine(int pointCount);

// The value a point is drawn with.
double SeriesValue(double value, bool valid);

// How a chart brings its drawing up to date with its history.
enum class TChartUpdate : std::uint8_t {
    None,         // nothing new, or the history keeps no more than one point
    AppendNewest, // one new point: drop the oldest drawn point and append the newest
    Rebuild,      // hand the whole history to the chart
};
// drawnAdded: the history's Added() when the chart last drew it (0: never drawn);
// ordered: the drawn points' times never fell.
TChartUpdate PlanChartUpdate(std::uint64_t drawnAdded, bool ordered, const TChartHistory &history);
