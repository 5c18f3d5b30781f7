#pragma once

// The small always-on-top window with the current readings: one row per present quantity,
// in a column or in lines, in one of three sizes, with configurable colours and opacity. It
// lives for the whole run; the reader frame fills and empties it, the main window shows,
// hides and fades it. It can be dragged anywhere, or placed in the corner of the desktop
// next to the taskbar. Its look and place are kept in the settings store. During a
// measurement it is a view of the reader core: it makes, refreshes and drops its own rows.

#include "reading/uReaderView.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class TSettingsStore;
class TOBfrSmartOutputRow;
class TReaderCore;

class TOBfSmartOutput : public QWidget, public IReaderView
{
    Q_OBJECT

public:
    // Milliseconds of a steady clock; the fade measures its time with it.
    using TClock = std::function<std::int64_t()>;

    // Reads its keys of "POPUP_WINDOW" from store (none: the defaults) and writes them back
    // when destroyed. Created hidden, top-most and owned by no other window.
    explicit TOBfSmartOutput(TSettingsStore *store, QWidget *parent = nullptr);
    ~TOBfSmartOutput() override;

    // Shows the measurement of core from now on (and no longer an earlier one). Attach it
    // before core.StartReading(), so it hears of every quantity.
    void Watch(TReaderCore &core);
    // Stops showing the watched measurement: its rows go now.
    void Unwatch();

    void QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &history) override;
    // The caption shows the device; outside hidable mode the window stays on top from now.
    void ReadingStarted() override;
    void CycleFinished(bool paused) override;
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    TOBfrSmartOutputRow *GetRow(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }
    void SetSerialNumber(const QString &serial);

    void SetTextColor(std::uint32_t bgr);
    void SetBackColor(std::uint32_t bgr);
    std::uint32_t TextColor() const { return m_textColor; }
    std::uint32_t BackColor() const { return m_backColor; }
    void SetRowSize(int rowSize) { Relayout(rowSize); }
    int RowSize() const { return m_rowSize; }
    QString GetSizeName() const;
    void SetSizeName(const QString &name); // "Small", "Medium", "Large"; anything else is "Small"
    void SetHorizontal(bool horizontal);
    bool Horizontal() const { return m_horizontal; }
    void SetQuantityTitles(bool shown);
    bool QuantityTitles() const { return m_quantityTitles; }
    void SetTitleVisible(bool visible);
    bool TitleVisible() const;
    void SetTransparency(int percent) { m_transparency = percent; }
    int Transparency() const { return m_transparency; }
    void SetAutoPos(bool autoPos) { m_autoPos = autoPos; }
    bool AutoPos() const { return m_autoPos; }

    // The main window's popup mode: true, the window fades out and hides itself after being
    // shown; false, it stays on top with its configured opacity.
    void SetPopupHidable(bool hidable) { m_popupHidable = hidable; }
    bool PopupHidable() const { return m_popupHidable; }

    // The opacity outside the fade: the transparency percentage on 0..255.
    void ApplyTransparency();
    int Opacity() const { return m_opacity; }
    // Into the corner next to the taskbar (AutoPos), or the remembered place kept inside the
    // work area.
    void PlaceWindow();
    void ShowPlaced();
    // The user pointed at the tray icon in hidable mode: fully opaque, shown, fading from now.
    void StartFade();
    // Hidden at once, without finishing a fade.
    void HideNow();
    // The configured opacity, no fading, shown in place.
    void StayOnTop();
    bool IsFading() const { return THider.isActive(); }
    // The clock time the last fade started.
    std::int64_t FadeStarted() const { return FadeStart; }

    void Relayout(int rowSize);

    TClock Clock;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Takes the row (created with pRows as its parent) and lays all rows out again.
    void AddRow(TOBfrSmartOutputRow *row);
    // Frees all rows; the window shrinks to nothing and its caption shows no serial number.
    void ClearRows();
    void ReadSettings();
    void WriteSettings();
    void SetOpacity(int opacity);
    void THiderTimer();
    void FormMouseDown(const QPoint &globalPos);
    void FormMouseMove(const QPoint &globalPos);
    void FormMouseUp(const QPoint &globalPos);
    void SetClientSize(const QSize &size);
    int ScreenWidth() const;

    std::int64_t FadeStart = 0;
    QWidget *pTop;
    QWidget *pRows;
    QWidget *pBottom;
    QTimer THider;
    TSettingsStore *m_store;
    QPointer<TReaderCore> m_core;              // the measurement shown
    std::vector<TOBfrSmartOutputRow *> m_rows; // children of pRows
    int m_rowSize = 0;
    bool m_horizontal = false;
    bool m_quantityTitles = true;
    std::uint32_t m_textColor = 0;
    std::uint32_t m_backColor = 0;
    int m_transparency = 100;
    bool m_autoPos = true;
    bool m_popupHidable = true;
    int m_opacity = 255;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
