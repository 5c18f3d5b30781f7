#pragma once

// The reader frame of the main window while a measurement runs: one output row per present
// quantity with the check box of its chart window, the popup window's rows, the chart windows,
// and "disable sound". It is a view of the reader core: the core reads, judges, logs and
// decides the sound, the frame only shows what the core tells it.
// Despite the "Base" in its name this is no base class of the readers: the readers
// (TDuskoReader, TFarvoReader, TGelmiReader) derive from TReaderCore, and this frame is the
// one view of them in the main window.

#include "reading/uReaderView.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class TErrMessageList;
class TOBfSmartOutput;
class TOBfrOutputRow;
class TReaderCore;
class TfChart;

class TObfrOutputBase : public QWidget, public IReaderView
{
    Q_OBJECT

public:
    // popup: the program's popup window (may be none), not owned.
    explicit TObfrOutputBase(TOBfSmartOutput *popup, QWidget *parent = nullptr);
    // The frame of a measurement: a view of core from the start. Create it before
    // core.StartReading(), so it hears of every quantity.
    TObfrOutputBase(TReaderCore &core, TOBfSmartOutput *popup, QWidget *parent = nullptr);
    // Detaches from the core; rows and charts go with the frame, and so do the popup rows of
    // a measurement still shown.
    ~TObfrOutputBase() override;

    // Becomes a view of core: the serial number, the error list and "disable sound" come from
    // it. The frame detaches itself when destroyed first.
    void Attach(TReaderCore &core);

    // The room the frame needs to show every row of the largest device whole, with its longest
    // texts at the application's font and language: what the main window opens at.
    static QSize SizeOfLargestDevice();
    static constexpr int LargestDeviceRows = 13;

    // Set by Attach, or directly when the frame is driven without a core.
    QString SerialNumber;
    const TErrMessageList *ErrMessages = nullptr;
    std::function<void()> OnQuietAlarmAcoustic;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    TOBfrOutputRow *Row(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }
    int ChartCount() const { return static_cast<int>(m_charts.size()); }
    TfChart *Chart(int index) const { return m_charts.at(static_cast<std::size_t>(index)); }

    void QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &history) override;
    void ReadingStarted() override;
    void CycleFinished(bool paused) override;
    void QuietButtonChanged(bool visible) override;
    void ReadingStopped() override;

    QLabel *lChartInfo;
    QWidget *pRows;
    QPushButton *bQuietAlarmAcoustic;

private:
    void bQuietAlarmAcousticClick();
    void CascadeCharts();
    void AlignColumns();
    void DropMeasurement();

    QPointer<TOBfSmartOutput> m_popup; // the main window may free it first at exit
    QPointer<TReaderCore> m_core;
    std::vector<TOBfrOutputRow *> m_rows; // children of pRows
    std::vector<TfChart *> m_charts;      // top-level children of the frame
};
