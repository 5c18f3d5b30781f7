#include "reading/uObfrOutputBase.h"

#include "reading/uCascade.h"
#include "reading/uChartHistory.h"
#include "reading/uOBfChart.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uOBfrOutputRow.h"
#include "reading/uOBfrSmartOutputRow.h"
#include "reading/uReaderCore.h"

#include "model/uOBGlob.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

TObfrOutputBase::TObfrOutputBase(TOBfSmartOutput *popup, QWidget *parent) : QWidget(parent), m_popup(popup)
{
    setObjectName(QStringLiteral("TObfrOutputBase"));
    lChartInfo = new QLabel(tr("Chart:"), this);
    lChartInfo->setObjectName(QStringLiteral("lChartInfo"));
    bQuietAlarmAcoustic = new QPushButton(tr("disable sound"), this);
    bQuietAlarmAcoustic->setObjectName(QStringLiteral("bQuietAlarmAcoustic"));
    // The button's place stays reserved while it is hidden: otherwise every row would move
    // each time the alarm sound starts or is quieted.
    QSizePolicy keepPlace = bQuietAlarmAcoustic->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    bQuietAlarmAcoustic->setSizePolicy(keepPlace);
    bQuietAlarmAcoustic->hide();
    pRows = new QWidget(this);
    pRows->setObjectName(QStringLiteral("pRows"));
    pRows->setAutoFillBackground(true);
    pRows->setBackgroundRole(QPalette::Base);
    auto *rowsLayout = new QVBoxLayout(pRows);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(0);
    rowsLayout->addStretch(1);

    auto *top = new QHBoxLayout;
    top->addWidget(lChartInfo);
    top->addStretch(1);
    top->addWidget(bQuietAlarmAcoustic);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(pRows, 1);

    connect(bQuietAlarmAcoustic, &QPushButton::clicked, this, &TObfrOutputBase::bQuietAlarmAcousticClick);
}

TObfrOutputBase::TObfrOutputBase(TReaderCore &core, TOBfSmartOutput *popup, QWidget *parent)
    : TObfrOutputBase(popup, parent)
{
    Attach(core);
}

TObfrOutputBase::~TObfrOutputBase()
{
    if (m_core)
        m_core->RemoveView(this);
    // The popup rows show quantities of this frame's measurement; none may outlive its view.
    if (m_popup != nullptr && m_core)
        m_popup->Unwatch();
}

void TObfrOutputBase::Attach(TReaderCore &core)
{
    m_core = &core;
    SerialNumber = core.Connection().SerialText;
    ErrMessages = &core.Connection().ErrorList();
    OnQuietAlarmAcoustic = [this] {
        if (m_core)
            m_core->QuietAlarmAcoustic();
    };
    core.AddView(this);
    if (m_popup != nullptr)
        m_popup->Watch(core);
}

void TObfrOutputBase::QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &history)
{
    if (row == 0) {
        // A new measurement: whatever an earlier one left goes first.
        DropMeasurement();
    }
    auto *chart = new TfChart(this);
    chart->Init(&quantity, &history, ErrMessages);
    chart->SerialNumber = SerialNumber;
    m_charts.push_back(chart);

    auto *outputRow = new TOBfrOutputRow(&quantity, history.PointCount() > 1, chart, pRows);
    auto *rowsLayout = static_cast<QVBoxLayout *>(pRows->layout());
    rowsLayout->insertWidget(static_cast<int>(m_rows.size()), outputRow); // above the closing stretch
    m_rows.push_back(outputRow);
    AlignColumns();
}

void TObfrOutputBase::AlignColumns()
{
    TOBfrOutputRow::TColumnWidths widest;
    for (const TOBfrOutputRow *row : m_rows) {
        const TOBfrOutputRow::TColumnWidths needed = row->NeededWidths();
        widest.Name = std::max(widest.Name, needed.Name);
        widest.Unit = std::max(widest.Unit, needed.Unit);
    }
    for (TOBfrOutputRow *row : m_rows)
        row->SetColumnWidths(widest);
}

QSize TObfrOutputBase::SizeOfLargestDevice()
{
    // The quantities of the largest Farvo device: its names and units are the ones measured.
    static constexpr std::array<std::uint8_t, LargestDeviceRows> types{
        TQuantity::qtTemperature, TQuantity::qtRelativeHumidity, TQuantity::qtDewPoint,
        TQuantity::qtPressure,    TQuantity::qtCO2Concentration, TQuantity::qtBinaryInput,
        TQuantity::qtBinaryInput, TQuantity::qtBinaryInput,      TQuantity::qtCO2Level,
        TQuantity::qtCO2Level,    TQuantity::qtCO2Level,         TQuantity::qtRelayOutput,
        TQuantity::qtRelayOutput};
    std::array<TLangQuan, LargestDeviceRows> quantities;
    TObfrOutputBase frame(nullptr);
    for (std::size_t i = 0; i < quantities.size(); ++i) {
        quantities[i].SetQuanType(types[i]);
        auto *row = new TOBfrOutputRow(&quantities[i], false, nullptr, frame.pRows);
        frame.m_rows.push_back(row);
        static_cast<QVBoxLayout *>(frame.pRows->layout())->insertWidget(static_cast<int>(i), row);
    }
    frame.AlignColumns();
    return frame.sizeHint().expandedTo(frame.minimumSizeHint());
}

void TObfrOutputBase::ReadingStarted()
{
    CascadeCharts();
}

void TObfrOutputBase::CascadeCharts()
{
    if (m_charts.empty())
        return;
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    const std::vector<QPoint> positions = CascadePositions(
        static_cast<int>(m_charts.size()), m_charts.front()->frameGeometry().size(), area.size());
    for (std::size_t i = 0; i < m_charts.size(); ++i)
        m_charts[i]->move(area.topLeft() + positions[i]);
}

void TObfrOutputBase::CycleFinished(bool paused)
{
    if (!paused) {
        for (TOBfrOutputRow *row : m_rows)
            row->Refresh();
    }
    for (TfChart *chart : m_charts)
        chart->Refresh(paused);
}

void TObfrOutputBase::QuietButtonChanged(bool visible)
{
    bQuietAlarmAcoustic->setVisible(visible);
}

void TObfrOutputBase::bQuietAlarmAcousticClick()
{
    bQuietAlarmAcoustic->hide();
    if (OnQuietAlarmAcoustic)
        OnQuietAlarmAcoustic();
}

void TObfrOutputBase::ReadingStopped()
{
    DropMeasurement();
    bQuietAlarmAcoustic->hide();
}

void TObfrOutputBase::DropMeasurement()
{
    for (TOBfrOutputRow *row : m_rows)
        delete row; // a child of pRows: leaves it as it goes
    m_rows.clear();
    for (TfChart *chart : m_charts) {
        // The quantity and history go with the measurement; the window itself goes once the
        // event loop has finished with it.
        chart->Detach();
        chart->deleteLater();
    }
    m_charts.clear();
}
