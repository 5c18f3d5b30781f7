// The chart window's axes as the user reads them: where the vertical ticks land and what their
// labels say.
#include "reading/uChartHistory.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfChartPlot.h"

#include "model/uOBGlob.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

struct TRangeCase {
    double Low;
    double High;
    bool Binary;
};

// The one-decimal label of a tick, read back as a number.
double LabelValue(const QCustomPlot &plot, const QString &label, bool *ok)
{
    return plot.locale().toDouble(label, ok);
}

} // namespace

TEST(ChartAxes, EveryValueLabelNamesItsTickAndStepsAreWholeTenths)
{
    const TRangeCase cases[] = {
        {23.08, 24.62, false}, // about 1.5 wide: a free choice of step would be 0.25
        {23.0, 24.9, false},   {18.96, 21.04, false},  {-1.04, 1.04, false}, {0.97, 1.03, false},
        {-12.3, 41.7, false},  {980.0, 1013.0, false}, {0.0, 2.7, false},    {-0.1, 1.1, true},
    };
    TfChart chart;
    chart.show();
    for (const TRangeCase &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 .. %2").arg(c.Low).arg(c.High).toStdString());
        chart.cChart->yAxis->setRange(c.Low, c.High);
        if (c.Binary) {
            TLangQuan relay;
            relay.SetQuanType(TQuantity::qtRelayOutput);
            TChartHistory history;
            history.SetPointCount(3, 1);
            chart.Init(&relay, &history, nullptr);
            chart.cChart->yAxis->setRange(c.Low, c.High);
        }
        chart.cChart->replot();
        const QVector<double> ticks = chart.cChart->yAxis->tickVector();
        const QVector<QString> labels = chart.cChart->yAxis->tickVectorLabels();
        ASSERT_EQ(ticks.size(), labels.size());
        ASSERT_GE(ticks.size(), 1);
        for (int i = 0; i < ticks.size(); ++i) {
            bool ok = false;
            const double shown = LabelValue(*chart.cChart, labels[i], &ok);
            ASSERT_TRUE(ok) << labels[i].toStdString();
            EXPECT_NEAR(shown, ticks[i], 1e-9) << "label " << labels[i].toStdString() << " at " << ticks[i];
        }
        for (int i = 1; i < ticks.size(); ++i) {
            const double tenths = (ticks[i] - ticks[i - 1]) * 10.0;
            EXPECT_NEAR(tenths, std::round(tenths), 1e-6) << "step " << ticks[i] - ticks[i - 1];
            EXPECT_GE(std::round(tenths), c.Binary ? 10.0 : 1.0);
        }
    }
}
