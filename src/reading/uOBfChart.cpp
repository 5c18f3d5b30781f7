#include "reading/uOBfChart.h"

#include "reading/uChartHistory.h"
#include "reading/uChartView.h"

#include "model/uOBGlob.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "reading/uOBfChartPlot.h"

#include <algorithm>

namespace
{

// A value ticker whose labels are never closer than a given step (1 for binary inputs and
// relays, 0.1 otherwise).
class TMinStepTicker : public QCPAxisTicker
{
public:
    double MinStep = 0.1;

protected:
    double getTickStep(const QCPRange &range) override
    {
        return std::max(QCPAxisTicker::getTickStep(range), MinStep);
    }
};

const TErrMessageList &GenericErrors()
{
    static const TErrMessageList list;
    return list;
}

} // namespace

TfChart::TfChart(QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint)
{
    setObjectName(QStringLiteral("TfChart"));
    resize(DefaultWidth, DefaultHeight);

    pChart = new QWidget(this);
    pChart->setObjectName(QStringLiteral("pChart"));
    cChart = new QCustomPlot(pChart);
    cChart->setObjectName(QStringLiteral("cChart"));
    cChart->setCursor(Qt::CrossCursor);
    // Joins of a 2-pixel line drawn the quick way are indistinguishable at this size, and a
    // day of points strokes three times faster.
    cChart->setPlottingHint(QCP::phFastPolylines, true);
    auto *chartLayout = new QVBoxLayout(pChart);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->addWidget(cChart);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pChart);

    Series1 = cChart->addGraph();
    Series1->setObjectName(QStringLiteral("Series1"));
    QPen pen(Qt::red);
    pen.setWidth(2);
    Series1->setPen(pen);
    Series1->setScatterStyle(QCPScatterStyle::ssNone);

    auto timeTicker = QSharedPointer<QCPAxisTickerDateTime>::create();
    timeTicker->setDateTimeFormat(QStringLiteral("hh:mm:ss\ndd.MM.yyyy"));
    cChart->xAxis->setTicker(timeTicker);
    auto valueTicker = QSharedPointer<TMinStepTicker>::create();
    cChart->yAxis->setTicker(valueTicker);
    cChart->yAxis->setNumberFormat(QStringLiteral("f"));
    cChart->yAxis->setNumberPrecision(1);
}

void TfChart::Init(const TLangQuan *quantity, const TChartHistory *history, const TErrMessageList *errors)
{
    m_quantity = quantity;
    m_history = history;
    m_errors = errors;
    m_drawnAdded = 0;
    m_ordered = false;
    Series1->data()->clear();
    setWindowTitle(quantity->GetName());
    m_binaryAxis = IsBinaryAxis(quantity->GetQuanType());
    static_cast<TMinStepTicker *>(cChart->yAxis->ticker().data())->MinStep = VerticalStep(m_binaryAxis);
    Series1->setLineStyle(m_binaryAxis ? QCPGraph::lsStepLeft : QCPGraph::lsLine);
    Series1->setAntialiased(SmoothLine(history->PointCount()));
}

void TfChart::Detach()
{
    hide();
    m_quantity = nullptr;
    m_history = nullptr;
}

void TfChart::Refresh(bool paused)
{
    if (m_quantity == nullptr || m_history == nullptr || m_history->PointCount() <= 1)
        return;
    setWindowTitle(
        TChartTexts::Caption(*m_quantity, m_errors ? *m_errors : GenericErrors(), SerialNumber, paused));
    if (isVisible())
        UpdatePlot();
}

int TfChart::DrawnPointCount() const
{
    return Series1->dataCount();
}

void TfChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    UpdatePlot();
}

void TfChart::closeEvent(QCloseEvent *event)
{
    // Only the row's check box hides the window, and only the reader frame frees it.
    event->ignore();
}

void TfChart::UpdatePlot()
{
    if (m_history == nullptr)
        return;
    switch (PlanChartUpdate(m_drawnAdded, m_ordered, *m_history)) {
    case TChartUpdate::None:
        return;
    case TChartUpdate::AppendNewest:
        AppendNewest();
        break;
    case TChartUpdate::Rebuild:
        Rebuild();
        break;
    }
    m_drawnAdded = m_history->Added();
    SetRanges();
    cChart->replot();
}

void TfChart::AppendNewest()
{
    // The drawn times never fall, so the chart holds the points in the history's order and its
    // first point is the one that dropped out (also when it shares its time with the next).
    const auto data = Series1->data();
    if (!data->isEmpty())
        data->remove(data->constBegin()->key);
    const TChartPoint &newest = m_history->Point(0);
    Series1->addData(newest.Time, SeriesValue(newest.Value, newest.Valid));
}

void TfChart::Rebuild()
{
    m_ordered = HistorySeries(*m_history, m_keys, m_values);
    Series1->setData(m_keys, m_values, m_ordered);
}

void TfChart::SetRanges()
{
    const auto [low, high] = m_history->ValueRange(m_binaryAxis);
    cChart->yAxis->setRange(low, high);
    const auto data = Series1->data();
    if (!data->isEmpty())
        cChart->xAxis->setRange(data->constBegin()->key, (data->constEnd() - 1)->key);
}
