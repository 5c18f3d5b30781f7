#include "reading/uOBfChart.h"

#include "reading/uChartHistory.h"
#include "reading/uChartView.h"

#include "model/uOBGlob.h"

#include "base/uDialogs.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "reading/uOBfChartPlot.h"

#include <algorithm>
#include <cmath>

namespace
{

// A value ticker whose steps its one-decimal labels can name (never below 1 for binary inputs
// and relays, 0.1 otherwise).
class TMinStepTicker : public QCPAxisTicker
{
public:
    double MinStep = 0.1;

protected:
    double getTickStep(const QCPRange &range) override
    {
        return ValueTickStep(range.lower, range.upper, MinStep);
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
    cChart->setMouseTracking(true); // the read-out follows the pointer without a button held
    // Joins of a 2-pixel line drawn the quick way are indistinguishable at this size, and a
    // day of points strokes three times faster.
    cChart->setPlottingHint(QCP::phFastPolylines, true);
    auto *chartLayout = new QVBoxLayout(pChart);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->addWidget(cChart);
    lReadOut = new QLabel(this);
    lReadOut->setObjectName(QStringLiteral("lReadOut"));
    lReadOut->setContentsMargins(4, 0, 4, 2);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pChart, 1);
    layout->addWidget(lReadOut);

    bLive = new QPushButton(tr("Live"), cChart);
    bLive->setObjectName(QStringLiteral("bLive"));
    bLive->hide();
    connect(bLive, &QPushButton::clicked, this, &TfChart::ReturnToLive);

    pmChart = new QMenu(this);
    pmChart->setObjectName(QStringLiteral("pmChart"));
    connect(pmChart->addAction(tr("Save picture…")), &QAction::triggered, this, &TfChart::SavePictureClick);
    connect(pmChart->addAction(tr("Save data…")), &QAction::triggered, this, &TfChart::SaveDataClick);
    cChart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(cChart, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmChart->popup(cChart->mapToGlobal(at)); });
    connect(cChart, &QCustomPlot::mousePress, this, &TfChart::ChartMousePress);
    connect(cChart, &QCustomPlot::mouseMove, this, &TfChart::ChartMouseMove);
    connect(cChart, &QCustomPlot::mouseRelease, this, [this] { m_dragX = -1; });
    connect(cChart, &QCustomPlot::mouseWheel, this, &TfChart::ChartWheel);
    connect(cChart, &QCustomPlot::mouseDoubleClick, this, &TfChart::ReturnToLive);

    Series1 = cChart->addGraph();
    Series1->setObjectName(QStringLiteral("Series1"));
    QPen pen(Qt::red);
    pen.setWidth(2);
    Series1->setPen(pen);
    Series1->setScatterStyle(QCPScatterStyle::ssNone);

    auto timeTicker = QSharedPointer<QCPAxisTickerDateTime>::create();
    timeTicker->setDateTimeFormat(QStringLiteral("hh:mm:ss\ndd.MM.yyyy"));
    cChart->xAxis->setTicker(timeTicker);
    // As many time ticks as the two-line labels have room for, so they never run into each
    // other however far the axis is zoomed in or however narrow the window is.
    connect(cChart, &QCustomPlot::beforeReplot, this, [this, ticker = timeTicker.data()] {
        const int labelWidth =
            QFontMetrics(cChart->xAxis->tickLabelFont()).horizontalAdvance(QStringLiteral("00.00.0000"));
        const int axisWidth = cChart->axisRect()->width() > 0 ? cChart->axisRect()->width() : cChart->width();
        ticker->setTickCount(std::max(2, axisWidth * 2 / (3 * std::max(1, labelWidth))));
    });
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
    m_follow.ReturnToLive();
    bLive->hide();
    lReadOut->clear();
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
    const TTimeSpan shown = m_follow.Shown(HistorySpan());
    const auto [low, high] = m_follow.Live() ? m_history->ValueRange(m_binaryAxis)
                                             : VisibleValueRange(*m_history, shown, m_binaryAxis);
    cChart->yAxis->setRange(low, high);
    if (shown.Width() > 0.0)
        cChart->xAxis->setRange(shown.Low, shown.High);
}

TTimeSpan TfChart::HistorySpan() const
{
    const auto data = Series1->data();
    if (data->isEmpty())
        return {};
    return {data->constBegin()->key, (data->constEnd() - 1)->key};
}

void TfChart::PlaceLiveButton()
{
    if (!bLive->isVisible())
        return;
    bLive->adjustSize();
    bLive->move(cChart->width() - bLive->width() - 8, 8);
    bLive->raise();
}

void TfChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceLiveButton();
}

void TfChart::ApplyExploredView()
{
    bLive->setVisible(!m_follow.Live());
    PlaceLiveButton();
    if (m_history == nullptr)
        return;
    SetRanges();
    cChart->replot();
}

void TfChart::ZoomAt(int x, int steps)
{
    const TTimeSpan all = HistorySpan();
    if (all.Width() <= 0.0 || steps == 0)
        return;
    constexpr double StepFactor = 0.8; // a wheel notch shows four fifths of the span
    constexpr int LeastReadings = 5;   // the narrowest view still shows a line
    const double interval = m_history ? std::max(1, m_history->IntervalSec()) : 1;
    m_follow.Zoom(all, cChart->xAxis->pixelToCoord(x), std::pow(StepFactor, steps), LeastReadings * interval);
    ApplyExploredView();
}

void TfChart::PanBy(int pixels)
{
    const TTimeSpan all = HistorySpan();
    if (all.Width() <= 0.0 || pixels == 0)
        return;
    const double seconds = cChart->xAxis->pixelToCoord(0) - cChart->xAxis->pixelToCoord(pixels);
    m_follow.Pan(all, seconds);
    ApplyExploredView();
}

void TfChart::ReturnToLive()
{
    m_follow.ReturnToLive();
    ApplyExploredView();
}

void TfChart::ReadOutAt(int x)
{
    if (m_history == nullptr)
        return;
    lReadOut->setText(TChartReadOut::At(*m_history, cChart->xAxis->pixelToCoord(x)));
}

void TfChart::ChartMousePress(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragX = qRound(event->position().x());
}

void TfChart::ChartMouseMove(QMouseEvent *event)
{
    const int x = qRound(event->position().x());
    if (m_dragX >= 0 && (event->buttons() & Qt::LeftButton)) {
        PanBy(x - m_dragX);
        m_dragX = x;
    }
    ReadOutAt(x);
}

void TfChart::ChartWheel(QWheelEvent *event)
{
    constexpr int NotchDelta = 120;
    ZoomAt(qRound(event->position().x()), event->angleDelta().y() / NotchDelta);
}

bool TfChart::SavePicture(const QString &fileName)
{
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return cChart->savePdf(fileName, cChart->width(), cChart->height());
    if (fileName.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        return SaveSvg(fileName);
    return cChart->savePng(fileName, cChart->width(), cChart->height());
}

bool TfChart::SaveSvg(const QString &fileName)
{
    {
        // The chart library draws itself onto any paint device; the SVG generator is one. The
        // file is complete once the generator is gone.
        QSvgGenerator svg;
        svg.setFileName(fileName);
        svg.setSize(cChart->size());
        svg.setViewBox(QRect(QPoint(0, 0), cChart->size()));
        svg.setTitle(windowTitle());
        QCPPainter painter;
        if (!painter.begin(&svg))
            return false;
        cChart->toPainter(&painter, cChart->width(), cChart->height());
        if (!painter.end())
            return false;
    }
    return QFileInfo(fileName).size() > 0;
}

bool TfChart::SaveData(const QString &fileName)
{
    if (m_history == nullptr)
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString title = m_quantity ? m_quantity->GetName() : windowTitle();
    return file.write(ChartCsv(*m_history, title).toUtf8()) >= 0;
}

void TfChart::SavePictureClick()
{
    const QString name = TDialogs::SaveFileName(this, tr("Save picture"), tr("Pictures (*.png *.svg *.pdf)"));
    if (!name.isEmpty() && !SavePicture(name))
        TDialogs::MessageDlgStd(tr("Unable to save the file."), TMsgKind::Error, {TMsgButton::OK});
}

void TfChart::SaveDataClick()
{
    const QString name = TDialogs::SaveFileName(this, tr("Save data"), tr("CSV files (*.csv)"));
    if (!name.isEmpty() && !SaveData(name))
        TDialogs::MessageDlgStd(tr("Unable to save the file."), TMsgKind::Error, {TMsgButton::OK});
}
