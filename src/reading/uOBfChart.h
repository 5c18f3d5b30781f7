#pragma once

// The chart window of one quantity: its recent history as a line over time, with gaps where
// a reading failed or the measurement was paused. The history belongs to the reader core; the
// window only draws it, and only while it is visible: a window that becomes visible draws the
// whole history at once, a visible one appends each tick's point.

#include <QVector>
#include <QWidget>

#include <cstdint>

class QCustomPlot;
class QCPGraph;
class TChartHistory;
class TErrMessageList;
class TLangQuan;

class TfChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int DefaultWidth = 465;
    static constexpr int DefaultHeight = 262;

    // A hidden top-level window without a close button.
    explicit TfChart(QWidget *parent = nullptr);

    // Binds the window to a quantity and its history (neither owned; both must outlive the
    // binding): caption, binary or continuous axis. errors decides the error words of the caption.
    void Init(const TLangQuan *quantity, const TChartHistory *history, const TErrMessageList *errors);
    // The measurement ended: forget the quantity and history, hide.
    void Detach();

    // The end of a tick (the history holds its point): the caption follows the reading and a
    // visible window draws the new point.
    void Refresh(bool paused);

    QString SerialNumber;
    bool BinaryAxis() const { return m_binaryAxis; }
    // The number of history points the window has handed to the chart so far.
    int DrawnPointCount() const;

    QWidget *pChart;
    QCustomPlot *cChart;
    QCPGraph *Series1;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Brings the drawing up to date with the history and replots when anything changed.
    void UpdatePlot();
    void AppendNewest();
    void Rebuild();
    void SetRanges();

    const TLangQuan *m_quantity = nullptr;
    const TChartHistory *m_history = nullptr;
    const TErrMessageList *m_errors = nullptr;
    bool m_binaryAxis = false;
    std::uint64_t m_drawnAdded = 0; // the history's Added() when last drawn
    bool m_ordered = false;         // the drawn times never fall
    QVector<double> m_keys;         // kept between rebuilds: allocated once
    QVector<double> m_values;
};
