#pragma once

// One quantity in the popup window: its title, value and unit on a coloured middle area
// framed by darker bars. The popup window lays the rows out and routes their mouse events to
// its dragging.

#include "reading/uPopupLayout.h"

#include <QColor>
#include <QWidget>

#include <cstdint>

class QLabel;
class TLangQuan;

// Colours as the settings store keeps them: 0x00BBGGRR, red in the lowest byte.
QColor ColorFromBgr(std::uint32_t bgr);
std::uint32_t BgrFromColor(const QColor &colour);

class TOBfrSmartOutputRow : public QWidget
{
    Q_OBJECT

public:
    // A missing quantity raises Exception.
    explicit TOBfrSmartOutputRow(TLangQuan *quantity, QWidget *parent = nullptr);

    // The reading as the output row shows it (without the alarm text), then the colours.
    void Refresh();
    // Red with yellow text while the reading failed or an alarm is on, otherwise the
    // configured colours.
    void RefreshColors();
    void SetBackColor(std::uint32_t bgr);
    void SetTextColor(std::uint32_t bgr);
    void SetFontSize(int points);
    // The mouse events of the bars, the middle area and its labels go to filter.
    void HookMouse(QObject *filter);

    // The title as the layout shows it: the name followed by ":" with titles, else empty.
    void SetTitleShown(bool shown);
    // Widths of the current title and unit, and of "OOOOOOO" in the value's font.
    TPopupRowWidths MeasuredWidths() const;
    int ValueColumnWidth() const;
    // Moves the row and its labels to where the layout put them.
    void ApplyPlace(const TPopupRowPlace &place);

    TLangQuan *Quantity() const { return m_quantity; }
    std::uint32_t TextColor() const { return m_textColor; }
    std::uint32_t BackColor() const { return m_backColor; }

    QWidget *pTop;
    QWidget *pBottom;
    QWidget *pLeft;
    QWidget *pRight;
    QWidget *pRow;
    QLabel *lQuantName;
    QLabel *lValue;
    QLabel *lUnit;

private:
    void PaintLabels(const QColor &colour);

    TLangQuan *m_quantity;
    std::uint32_t m_textColor = 0;
    std::uint32_t m_backColor = 0;
};

// Paints a widget's background in one colour.
void SetPanelColour(QWidget *panel, const QColor &colour);
