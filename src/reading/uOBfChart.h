#pragma once

// The chart window of one quantity: its recent history as a line over time, with gaps where
// a reading failed or the measurement was paused. The history belongs to the reader core; the
// window only draws it, and only while it is visible: a window that becomes visible draws the
// whole history at once, a visible one appends each tick's point.

#include "reading/uChartExplore.h"

#include <QVector>
#include <QWidget>

#include <cstdint>

class QCustomPlot;
class QCPGraph;
class QLabel;
class QMenu;
class QMouseEvent;
class QPushButton;
class QWheelEvent;
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
    QPushButton *bLive; // shown while zoomed or panned: back to following the newest point
    QLabel *lReadOut;   // time and value of the point under the pointer
    QMenu *pmChart;     // "Save picture…", "Save data…"

    // Exploring: what the user sees is kept apart from the history, which keeps growing.
    const TChartFollow &Follow() const { return m_follow; }
    // The wheel at a horizontal pixel position: steps > 0 zoom in around it.
    void ZoomAt(int x, int steps);
    // A drag by pixels (positive: the content moves right, to earlier times).
    void PanBy(int pixels);
    void ReturnToLive();
    // The read-out for the pointer at a horizontal pixel position.
    void ReadOutAt(int x);

    // Saves the chart as the file name's ending says (.svg, .pdf, else PNG) at the window's size.
    bool SavePicture(const QString &fileName);
    // Saves the shown history as CSV.
    bool SaveData(const QString &fileName);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Brings the drawing up to date with the history and replots when anything changed.
    void UpdatePlot();
    void AppendNewest();
    void Rebuild();
    void SetRanges();
    TTimeSpan HistorySpan() const;
    void ApplyExploredView();
    void ChartMousePress(QMouseEvent *event);
    void ChartMouseMove(QMouseEvent *event);
    void ChartWheel(QWheelEvent *event);
    void PlaceLiveButton();
    bool SaveSvg(const QString &fileName);
    void SavePictureClick();
    void SaveDataClick();

    const TLangQuan *m_quantity = nullptr;
    const TChartHistory *m_history = nullptr;
    const TErrMessageList *m_errors = nullptr;
    bool m_binaryAxis = false;
    std::uint64_t m_drawnAdded = 0; // the history's Added() when last drawn
    bool m_ordered = false;         // the drawn times never fall
    QVector<double> m_keys;         // kept between rebuilds: allocated once
    QVector<double> m_values;
    TChartFollow m_follow;
    int m_dragX = -1; // the pointer's x at the last drag step; -1 when not dragging
};
