#pragma once

// The arithmetic of the popup window, apart from the widgets: its three sizes, how its rows
// are laid out in a column or in lines, where it goes on the desktop, and its opacity (the
// configured transparency and the fade-out of the hidable mode).

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

// Row sizes: 0 "Small", 1 "Medium", 2 "Large".
struct TPopupSize {
    int FontSize = 8;
    int RowHeight = 25;
};
TPopupSize PopupSizeOf(int rowSize); // anything unknown is "Small"
int PopupSizeFromName(const QString &name);
QString PopupSizeName(int rowSize);

// The widths the widgets measured for one row in the current font: the title as it is shown
// in this layout (0 without titles) and the unit.
struct TPopupRowWidths {
    int Title = 0;
    int Unit = 0;
};

// Where one row goes inside the rows area, and where its labels go inside the row's middle.
struct TPopupRowPlace {
    QRect Geometry;
    int TitleWidth = 0; // the title label spans 0 .. TitleWidth
    int ValueRight = 0; // the value is right-aligned against this x
    int UnitLeft = 0;   // the unit starts here
};

struct TPopupLayout {
    std::vector<TPopupRowPlace> Rows;
    QSize Client{0, 0}; // client size of the window: the rows plus the two bars of 2 pixels
};

// valueWidth is the width of "OOOOOOO" in the current font. Horizontal: rows side by side,
// a row that would end beyond screenWidth - 50 starts a new line. Vertical: one column, all
// rows as wide as the widest title, the value and the widest unit.
TPopupLayout LayOutPopupRows(const std::vector<TPopupRowWidths> &rows, int valueWidth, int rowHeight,
                             bool horizontal, int screenWidth);

// The edge of the screen the taskbar (panel) sits on: the side by which the work area is
// smaller than the screen, the widest such side when there are several; a bottom taskbar of
// height 0 when the work area is the whole screen.
enum class TTaskbarEdge : std::uint8_t { Bottom, Top, Left, Right, Unknown };
TTaskbarEdge TaskbarEdgeOf(const QRect &screen, const QRect &workArea);
// Room kept free for a taskbar that hides itself (it shows again over the window).
int TaskbarReserve(TTaskbarEdge edge, bool autoHide);

// The automatic place in the work-area corner next to the taskbar; an unknown edge keeps
// `current`.
QPoint AutoPopupPosition(TTaskbarEdge edge, int reserve, const QRect &workArea, const QSize &window,
                         const QPoint &current);
// A remembered place moved back inside the work area, 5 pixels from the edge it crossed.
QPoint KeepInsideWorkArea(const QPoint &position, const QSize &window, const QRect &workArea);

// Opacity 0..255 of a transparency in percent (clamped to 0..100), rounded to the nearest
// integer with ties to even: 50 % gives 128.
int OpacityOfTransparency(int percent);

// The fade-out: fully opaque for about a second, then linearly down; never below 9.
// elapsedMs is the time since the fade started.
inline constexpr int FadeStepMs = 25;
inline constexpr int FadeHideOpacity = 10; // at or below this the window hides
int FadeOpacity(std::int64_t elapsedMs);
