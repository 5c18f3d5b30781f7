// What the measurement windows show, apart from the widgets: row texts and colours, chart
// captions, the series a chart draws from its history, how a chart catches up with it, and
// the cascade of the chart windows over the screen.
#include "QtPrinters.h"

#include "reading/uCascade.h"
#include "reading/uChartHistory.h"
#include "reading/uChartView.h"
#include "reading/uRowText.h"

#include "model/uOBGlob.h"

#include <QDateTime>
#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

void PrintTo(const QPoint &p, std::ostream *os)
{
    *os << "(" << p.x() << ", " << p.y() << ")";
}

namespace
{

const QLocale C = QLocale::c();

QDateTime At(int h, int m, int s)
{
    return QDateTime(QDate(2026, 3, 14), QTime(h, m, s));
}

double Key(const QDateTime &t)
{
    return static_cast<double>(t.toMSecsSinceEpoch()) / 1000.0;
}

// A quantity of the given type in its default unit with one reading.
struct Reading {
    int type;
    double value;
    bool readOK;
    QString errorText = QStringLiteral("Error ");
};

void Load(TLangQuan &q, const Reading &r)
{
    q.SetQuanType(r.type);
    q.Value = r.value;
    q.ReadOK = r.readOK;
    q.ErrorText = r.errorText;
}

} // namespace

TEST(ChartCascade, ChartsFillColumnsThenStartALayerFurtherDown)
{
    struct Case {
        const char *name;
        int count;
        QSize chart, screen;
        std::vector<QPoint> expected;
    };
    const Case cases[] = {
        {"eight default charts on 1024 x 768",
         8,
         {465, 262},
         {1024, 768},
         {{20, 20}, {20, 282}, {485, 20}, {485, 282}, {45, 45}, {45, 307}, {510, 45}, {510, 307}}},
        {"a chart ending exactly at the screen's edge fits",
         3,
         {100, 100},
         {120, 220},
         {{20, 20}, {20, 120}, {45, 45}}},
        {"no chart", 0, {465, 262}, {1024, 768}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CascadePositions(c.count, c.chart, c.screen), c.expected);
    }
}

TEST(RowTexts, ValueStateOrErrorWithUnit)
{
    struct Case {
        const char *name;
        Reading reading;
        QString value, unit;
        bool failed;
    };
    const Case cases[] = {
        {"relay closed", {TQuantity::qtRelayOutput, 1.0, true}, "closed", "", false},
        {"relay open", {TQuantity::qtRelayOutput, 0.0, true}, "open", "", false},
        {"binary input near 1", {TQuantity::qtBinaryInput, 0.95, true}, "closed", "", false},
        {"CO2 level active", {TQuantity::qtCO2Level, 1.0, true}, "active", "", false},
        {"CO2 level inactive", {TQuantity::qtCO2Level, 0.0, true}, "inactive", "", false},
        {"temperature, 1 decimal", {TQuantity::qtTemperature, 1234.5, true}, "1234.5", "°C", false},
        {"more than 5 integer digits",
         {TQuantity::qtCO2Concentration, 123456, true},
         "1.2346E+05",
         "ppm",
         false},
        {"failed reading: the error text, no unit",
         {TQuantity::qtTemperature, 21.5, false},
         "Error ",
         "",
         true},
        {"a reader's own error text",
         {TQuantity::qtRelativeHumidity, 0, false, QStringLiteral("Error E3")},
         "Error E3",
         "",
         true},
        {"CO2 warming up", {TQuantity::qtCO2Concentration, -9998, false}, "----", "", true},
        {"-9998 of another quantity is an ordinary error",
         {TQuantity::qtTemperature, -9998, false},
         "Error ",
         "",
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TLangQuan q;
        Load(q, c.reading);
        const TRowText text = TRowTexts::Of(q, C);
        EXPECT_EQ(text.Value, c.value);
        EXPECT_EQ(text.Unit, c.unit);
        EXPECT_EQ(text.Failed, c.failed);
    }
}

TEST(RowTexts, AlarmTextAndAlarmColours)
{
    struct Case {
        std::uint8_t alarmState;
        bool readOK;
        QString alarm;
        bool alarmColours;
    };
    const Case cases[] = {
        {TLangQuan::asNone, true, "", false},           {TLangQuan::asLow, true, "low alarm", true},
        {TLangQuan::asHigh, true, "high alarm", true},  {TLangQuan::asNone, false, "", true},
        {TLangQuan::asHigh, false, "high alarm", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << int(c.alarmState) << ", read " << c.readOK);
        TLangQuan q;
        q.SetQuanType(TQuantity::qtTemperature);
        q.AlarmState = c.alarmState;
        q.ReadOK = c.readOK;
        EXPECT_EQ(TRowTexts::AlarmText(q.AlarmState, TRowTexts::LowAlarmText(), TRowTexts::HighAlarmText()),
                  c.alarm);
        EXPECT_EQ(TRowTexts::ShowsAlarmColours(q), c.alarmColours);
    }
}

TEST(ChartCaption, ValuePausedOrError)
{
    const TErrMessageList generic;
    const TErrMessageList gelmi(TErrMessageList::ltGelmi);
    struct Case {
        const char *name;
        Reading reading;
        const TErrMessageList *errors;
        bool paused;
        QString caption;
    };
    const Case cases[] = {
        {"valid reading",
         {TQuantity::qtTemperature, 21.5, true},
         &generic,
         false,
         "Temperature = 21.5 °C  (07120033)"},
        {"relay state",
         {TQuantity::qtRelayOutput, 1, true},
         &generic,
         false,
         "Relay output = closed   (07120033)"},
        {"paused", {TQuantity::qtTemperature, 21.5, true}, &generic, true, "Temperature  Paused  (07120033)"},
        {"failed reading",
         {TQuantity::qtTemperature, 0, false},
         &generic,
         false,
         "Temperature = Error    (07120033)"},
        {"Gelmi error code from |value x 10|",
         {TQuantity::qtTemperature, -1100.35, false},
         &gelmi,
         false,
         "Temperature = Error E3   (07120033)"},
        {"Gelmi value with no such code",
         {TQuantity::qtTemperature, 5, false},
         &gelmi,
         false,
         "Temperature = Error    (07120033)"},
        {"no codes for a CO2 concentration",
         {TQuantity::qtCO2Concentration, 1100.35, false},
         &gelmi,
         false,
         "CO2 concentration = Error    (07120033)"},
        {"no codes for pressure",
         {TQuantity::qtPressure, 1100.35, false},
         &gelmi,
         false,
         "Atmospheric pressure = Error    (07120033)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TLangQuan q;
        Load(q, c.reading);
        EXPECT_EQ(TChartTexts::Caption(q, *c.errors, QStringLiteral("07120033"), c.paused, C), c.caption);
    }
}

TEST(ChartSeries, AxisKindAndStep)
{
    const std::pair<int, bool> cases[] = {{TQuantity::qtBinaryInput, true},
                                          {TQuantity::qtRelayOutput, true},
                                          {TQuantity::qtCO2Level, false},
                                          {TQuantity::qtTemperature, false}};
    for (const auto &[type, binary] : cases) {
        EXPECT_EQ(IsBinaryAxis(type), binary) << "type " << type;
        EXPECT_DOUBLE_EQ(VerticalStep(IsBinaryAxis(type)), binary ? 1.0 : 0.1);
    }
}

TEST(ChartSeries, OnlyAShortHistoryIsSmoothed)
{
    const std::pair<int, bool> cases[] = {{10, true}, {1000, true}, {1001, false}, {86400, false}};
    for (const auto &[points, smooth] : cases)
        EXPECT_EQ(SmoothLine(points), smooth) << points << " points";
}

TEST(ChartSeries, PrefilledHistoryDrawsAsGapsBeforeTheFirstValue)
{
    TChartHistory history;
    history.SetPointCount(6, 10);
    history.AddPoint(21.5, true, At(12, 0, 0));
    QVector<double> keys, values;
    EXPECT_TRUE(HistorySeries(history, keys, values)) << "the first value shares its time with a gap";
    const QDateTime times[] = {At(11, 59, 20), At(11, 59, 30), At(11, 59, 40),
                               At(11, 59, 50), At(12, 0, 0),   At(12, 0, 0)};
    ASSERT_EQ(keys.size(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(keys[i], Key(times[i]));
        EXPECT_EQ(std::isnan(values[i]), i < 5);
    }
    EXPECT_DOUBLE_EQ(values[5], 21.5);

    history.AddPoint(0.0, false, At(11, 0, 0)); // the clock went back an hour
    EXPECT_FALSE(HistorySeries(history, keys, values));
}

TEST(ChartSeries, PlanOfATick)
{
    TChartHistory history;
    history.SetPointCount(4, 1);
    EXPECT_EQ(PlanChartUpdate(0, false, history), TChartUpdate::None) << "nothing added yet";
    history.AddPoint(1.0, true, At(12, 0, 0));
    EXPECT_EQ(PlanChartUpdate(0, false, history), TChartUpdate::Rebuild) << "never drawn";
    EXPECT_EQ(PlanChartUpdate(1, true, history), TChartUpdate::None) << "drawn already";
    history.AddPoint(2.0, true, At(12, 0, 1));
    EXPECT_EQ(PlanChartUpdate(1, true, history), TChartUpdate::AppendNewest);
    EXPECT_EQ(PlanChartUpdate(1, false, history), TChartUpdate::Rebuild) << "drawn out of order";
    history.AddPoint(3.0, true, At(12, 0, 2));
    EXPECT_EQ(PlanChartUpdate(1, true, history), TChartUpdate::Rebuild) << "hidden for a tick";
    history.AddPoint(4.0, true, At(11, 0, 0));
    EXPECT_EQ(PlanChartUpdate(3, true, history), TChartUpdate::Rebuild) << "time went back";

    TChartHistory single;
    single.SetPointCount(1, 60);
    single.AddPoint(1.0, true, At(12, 0, 0));
    EXPECT_EQ(PlanChartUpdate(0, false, single), TChartUpdate::None) << "a chart of one point stays empty";
}
