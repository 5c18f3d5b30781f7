// The chart window's axes as the user reads them: where the vertical ticks land and what their
// labels say.
#include "base/uDialogs.h"
#include "reading/uChartHistory.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfChartPlot.h"

#include "model/uOBGlob.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

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
    TLangQuan relay;
    relay.SetQuanType(TQuantity::qtRelayOutput);
    TChartHistory relayHistory;
    relayHistory.SetPointCount(3, 1);
    TfChart chart;
    chart.show();
    for (const TRangeCase &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 .. %2").arg(c.Low).arg(c.High).toStdString());
        chart.cChart->yAxis->setRange(c.Low, c.High);
        if (c.Binary) {
            chart.Init(&relay, &relayHistory, nullptr);
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

namespace
{

// A visible chart of a temperature read every second for a minute, ending at 12:00:59, with a
// gap at 12:00:30.
struct TMinuteChart {
    TLangQuan temperature;
    TChartHistory history;
    TfChart chart;

    TMinuteChart()
    {
        temperature.SetQuanType(TQuantity::qtTemperature);
        temperature.ReadOK = true;
        history.SetPointCount(60, 1);
        chart.Init(&temperature, &history, nullptr);
        chart.show();
        for (int s = 0; s < 60; ++s)
            Tick(QTime(12, 0, s), 20.0 + 0.1 * s, s != 30);
    }

    void Tick(const QTime &time, double value, bool valid = true)
    {
        temperature.Value = value;
        history.AddPoint(value, valid, QDateTime(QDate(2026, 3, 14), time));
        chart.Refresh(false);
    }

    static double Key(const QTime &time)
    {
        return static_cast<double>(QDateTime(QDate(2026, 3, 14), time).toMSecsSinceEpoch()) / 1000.0;
    }

    QPoint PixelOf(const QTime &time) const
    {
        const int x = qRound(chart.cChart->xAxis->coordToPixel(Key(time)));
        return {x, chart.cChart->height() / 2};
    }

    void Wheel(const QPoint &at, int notches)
    {
        QWheelEvent wheel(at, chart.cChart->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart.cChart, &wheel);
    }

    void Move(const QPoint &at, Qt::MouseButtons held)
    {
        QMouseEvent move(QEvent::MouseMove, at, chart.cChart->mapToGlobal(at), Qt::NoButton, held,
                         Qt::NoModifier);
        QApplication::sendEvent(chart.cChart, &move);
    }

    QCPRange TimeRange() const { return chart.cChart->xAxis->range(); }
};

} // namespace

TEST(ChartExploring, WheelZoomsAroundThePointerAndTheChartStopsFollowingUntilLive)
{
    TMinuteChart c;
    ASSERT_FALSE(c.chart.bLive->isVisible());
    const QPoint at = c.PixelOf(QTime(12, 0, 20));
    c.Wheel(at, 3);
    const QCPRange zoomed = c.TimeRange();
    EXPECT_LT(zoomed.size(), 59.0 * 0.6);
    EXPECT_NEAR(c.chart.cChart->xAxis->pixelToCoord(at.x()), TMinuteChart::Key(QTime(12, 0, 20)), 0.5)
        << "the time under the pointer stays under it";
    EXPECT_TRUE(c.chart.bLive->isVisible());

    c.Tick(QTime(12, 1, 0), 99.0);
    EXPECT_DOUBLE_EQ(c.TimeRange().lower, zoomed.lower) << "a zoomed chart does not follow";
    EXPECT_LT(c.chart.cChart->yAxis->range().upper, 99.0) << "the vertical axis fits the visible points";

    const QPoint from = c.PixelOf(QTime(12, 0, 20));
    QTest::mousePress(c.chart.cChart, Qt::LeftButton, Qt::NoModifier, from);
    c.Move(from + QPoint(40, 0), Qt::LeftButton);
    QTest::mouseRelease(c.chart.cChart, Qt::LeftButton, Qt::NoModifier, from + QPoint(40, 0));
    EXPECT_LT(c.TimeRange().lower, zoomed.lower) << "dragging right shows earlier times";
    EXPECT_NEAR(c.TimeRange().size(), zoomed.size(), 1e-6);

    QTest::mouseDClick(c.chart.cChart, Qt::LeftButton, Qt::NoModifier, from);
    EXPECT_FALSE(c.chart.bLive->isVisible());
    EXPECT_DOUBLE_EQ(c.TimeRange().upper, TMinuteChart::Key(QTime(12, 1, 0))) << "following again";

    c.Wheel(at, 2);
    ASSERT_TRUE(c.chart.bLive->isVisible());
    // The button keeps to the chart's top right corner when the window is made larger.
    const int fromRight = c.chart.cChart->width() - c.chart.bLive->geometry().right();
    c.chart.resize(c.chart.size() + QSize(150, 60));
    QApplication::processEvents();
    EXPECT_EQ(c.chart.cChart->width() - c.chart.bLive->geometry().right(), fromRight);
    QTest::mouseClick(c.chart.bLive, Qt::LeftButton);
    EXPECT_TRUE(c.chart.Follow().Live()) << "the Live button follows again";
    EXPECT_DOUBLE_EQ(c.TimeRange().upper, TMinuteChart::Key(QTime(12, 1, 0)));
}

TEST(ChartExploring, ReadOutShowsTheNearestPointOrItsGap)
{
    TMinuteChart c;
    const QLocale locale;
    c.Move(c.PixelOf(QTime(12, 0, 10)), Qt::NoButton);
    EXPECT_EQ(c.chart.lReadOut->text(),
              QStringLiteral("12:00:10 14.03.2026  ") + locale.toString(21.0, 'f', 1));
    c.Move(c.PixelOf(QTime(12, 0, 30)), Qt::NoButton);
    EXPECT_EQ(c.chart.lReadOut->text(), QStringLiteral("12:00:30 14.03.2026  no reading"));
    EXPECT_EQ(c.chart.cChart->cursor().shape(), Qt::CrossCursor);
}

TEST(ChartExploring, TimeLabelsStayApartAtEveryZoomAndWidth)
{
    struct TCase {
        int Width;
        int Notches;
    };
    const TCase cases[] = {{TfChart::DefaultWidth, 0},
                           {TfChart::DefaultWidth, 3},
                           {TfChart::DefaultWidth, 6},
                           {TfChart::DefaultWidth, 20},
                           {300, 4},
                           {1200, 5}};
    for (const TCase &tc : cases) {
        TMinuteChart c;
        c.chart.resize(tc.Width, TfChart::DefaultHeight);
        c.chart.layout()->activate();
        c.chart.cChart->replot(); // lays the axis out at the new width
        if (tc.Notches > 0)
            c.Wheel(c.PixelOf(QTime(12, 0, 30)), tc.Notches);
        c.chart.cChart->replot();
        const QCPAxis &axis = *c.chart.cChart->xAxis;
        const int labelWidth =
            QFontMetrics(axis.tickLabelFont()).horizontalAdvance(QStringLiteral("14.03.2026"));
        const QVector<double> ticks = axis.tickVector();
        ASSERT_GE(ticks.size(), 2) << tc.Width << " px, " << tc.Notches << " notches";
        for (int i = 1; i < ticks.size(); ++i)
            EXPECT_GT(axis.coordToPixel(ticks[i]) - axis.coordToPixel(ticks[i - 1]), labelWidth + 4)
                << tc.Width << " px, " << tc.Notches << " notches";
    }
}

TEST(ChartExploring, ContextMenuSavesThePictureAndTheData)
{
    TMinuteChart c;
    QTemporaryDir dir;
    QStringList asked;
    QString answer;
    const TFileNameScope chooser([&](const QString &caption, const QString &) {
        asked << caption;
        return answer;
    });
    const QList<QAction *> actions = c.chart.pmChart->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Save picture…"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Save data…"));

    answer = dir.filePath(QStringLiteral("chart.png"));
    actions[0]->trigger();
    const QImage picture(answer);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), c.chart.cChart->size());

    answer = dir.filePath(QStringLiteral("chart.pdf"));
    actions[0]->trigger();
    QFile pdf(answer);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");

    answer = dir.filePath(QStringLiteral("chart.svg"));
    actions[0]->trigger();
    QFile svg(answer);
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray drawing = svg.readAll();
    EXPECT_TRUE(drawing.contains("<svg")) << "an SVG document";
    EXPECT_TRUE(drawing.contains("<path") || drawing.contains("<polyline")) << "with the chart's lines";

    answer = dir.filePath(QStringLiteral("chart.csv"));
    actions[1]->trigger();
    QFile csv(answer);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), 62) << "a title, sixty points and the closing line end";
    EXPECT_EQ(asked, (QStringList{QStringLiteral("Save picture"), QStringLiteral("Save picture"),
                                  QStringLiteral("Save picture"), QStringLiteral("Save data")}));

    answer.clear();
    actions[1]->trigger(); // cancelled: nothing happens
    EXPECT_EQ(asked.size(), 5);
}
