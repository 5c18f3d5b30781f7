#include "reading/uPopupLayout.h"

#include "model/uOBGlob.h"

#include <algorithm>
#include <array>

namespace
{

constexpr std::array<TPopupSize, 3> Sizes{{{8, 25}, {12, 30}, {16, 35}}};
constexpr int BarsHeight = 4;     // the 2-pixel bars above and below the rows
constexpr int UnitGap = 10;       // between the value's right edge and the unit
constexpr int RowExtraWidth = 22; // side bars, the gap and a little air
constexpr int WrapMargin = 50;    // a line of rows ends this far before the screen's edge
constexpr int EdgeMargin = 5;

TPopupRowPlace PlaceRow(int x, int y, int height, int titleWidth, int valueWidth, int rowWidth)
{
    TPopupRowPlace place;
    place.Geometry = QRect(x, y, rowWidth, height);
    place.TitleWidth = titleWidth;
    place.ValueRight = titleWidth + valueWidth;
    place.UnitLeft = titleWidth + valueWidth + UnitGap;
    return place;
}

TPopupLayout LayOutHorizontally(const std::vector<TPopupRowWidths> &rows, int valueWidth, int rowHeight,
                                int screenWidth)
{
    TPopupLayout layout;
    int x = 0;
    int y = 0;
    for (const TPopupRowWidths &row : rows) {
        const int rowWidth = row.Title + valueWidth + row.Unit + RowExtraWidth;
        TPopupRowPlace place = PlaceRow(x, y, rowHeight, row.Title, valueWidth, rowWidth);
        // A row alone on its line stays there even when it is too wide: wrapping it would
        // only leave an empty line above it.
        const bool firstOnLine = x == 0;
        x += rowWidth;
        if (x > screenWidth - WrapMargin && !firstOnLine) {
            y += rowHeight;
            place.Geometry.moveTo(0, y);
            x = rowWidth;
        }
        layout.Client.setHeight(rowHeight + y + BarsHeight);
        layout.Client.setWidth(std::max(layout.Client.width(), x));
        layout.Rows.push_back(place);
    }
    return layout;
}

TPopupLayout LayOutVertically(const std::vector<TPopupRowWidths> &rows, int valueWidth, int rowHeight)
{
    TPopupLayout layout;
    if (rows.empty())
        return layout;
    int titleWidth = 0;
    int unitWidth = 0;
    for (const TPopupRowWidths &row : rows) {
        titleWidth = std::max(titleWidth, row.Title);
        unitWidth = std::max(unitWidth, row.Unit);
    }
    const int rowWidth = titleWidth + valueWidth + unitWidth + RowExtraWidth;
    int y = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        layout.Rows.push_back(PlaceRow(0, y, rowHeight, titleWidth, valueWidth, rowWidth));
        y += rowHeight;
    }
    layout.Client = QSize(rowWidth, y + BarsHeight);
    return layout;
}

} // namespace

TPopupSize PopupSizeOf(int rowSize)
{
    return rowSize >= 0 && rowSize < static_cast<int>(Sizes.size()) ? Sizes[static_cast<std::size_t>(rowSize)]
                                                                    : Sizes[0];
}

int PopupSizeFromName(const QString &name)
{
    const int index = static_cast<int>(PopupSizeNames().indexOf(name));
    return index < 0 ? 0 : index;
}

QString PopupSizeName(int rowSize)
{
    return PopupSizeNames().value(rowSize, PopupSizeNames().first());
}

TPopupLayout LayOutPopupRows(const std::vector<TPopupRowWidths> &rows, int valueWidth, int rowHeight,
                             bool horizontal, int screenWidth)
{
    return horizontal ? LayOutHorizontally(rows, valueWidth, rowHeight, screenWidth)
                      : LayOutVertically(rows, valueWidth, rowHeight);
}

TTaskbarEdge TaskbarEdgeOf(const QRect &screen, const QRect &workArea)
{
    struct Side {
        TTaskbarEdge Edge;
        int Taken;
    };
    const std::array<Side, 4> sides{{
        {TTaskbarEdge::Bottom, (screen.y() + screen.height()) - (workArea.y() + workArea.height())},
        {TTaskbarEdge::Top, workArea.y() - screen.y()},
        {TTaskbarEdge::Left, workArea.x() - screen.x()},
        {TTaskbarEdge::Right, (screen.x() + screen.width()) - (workArea.x() + workArea.width())},
    }};
    Side widest = sides[0];
    for (const Side &side : sides) {
        if (side.Taken > widest.Taken)
            widest = side;
    }
    return widest.Edge;
}

int TaskbarReserve(TTaskbarEdge edge, bool autoHide)
{
    if (!autoHide)
        return 0;
    switch (edge) {
    case TTaskbarEdge::Bottom:
    case TTaskbarEdge::Top:
        return 35;
    case TTaskbarEdge::Left:
    case TTaskbarEdge::Right:
        return 90;
    default:
        return 0;
    }
}

// The work area's right and bottom edges are used rather than its width and height, so a
// work area that does not start at 0 (a second screen, a panel on the left or top) works too.
QPoint AutoPopupPosition(TTaskbarEdge edge, int reserve, const QRect &workArea, const QSize &window,
                         const QPoint &current)
{
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    switch (edge) {
    case TTaskbarEdge::Bottom:
        return {right - window.width() - EdgeMargin, bottom - window.height() - reserve - EdgeMargin};
    case TTaskbarEdge::Top:
        return {right - window.width() - EdgeMargin, workArea.y() + reserve + EdgeMargin};
    case TTaskbarEdge::Left:
        return {workArea.x() + reserve + EdgeMargin, bottom - window.height() - EdgeMargin};
    case TTaskbarEdge::Right:
        return {right - window.width() - reserve - EdgeMargin, bottom - window.height() - EdgeMargin};
    default:
        return current;
    }
}

QPoint KeepInsideWorkArea(const QPoint &position, const QSize &window, const QRect &workArea)
{
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    QPoint p = position;
    if (p.x() < workArea.x())
        p.setX(workArea.x() + EdgeMargin);
    if (p.y() < workArea.y())
        p.setY(workArea.y() + EdgeMargin);
    if (p.x() + window.width() > right)
        p.setX(right - window.width() - EdgeMargin);
    if (p.y() + window.height() > bottom)
        p.setY(bottom - window.height() - EdgeMargin);
    return p;
}

int OpacityOfTransparency(int percent)
{
    const int scaled = std::clamp(percent, 0, 100) * 255;
    int opacity = scaled / 100;
    const int rest = scaled % 100;
    if (rest > 50 || (rest == 50 && opacity % 2 == 1))
        ++opacity;
    return opacity;
}

int FadeOpacity(std::int64_t elapsedMs)
{
    const std::int64_t scaled = elapsedMs * 254;
    // Floor division, so a clock read a little before the start still gives full opacity.
    std::int64_t steps = scaled / 5000;
    if (scaled % 5000 != 0 && scaled < 0)
        --steps;
    return static_cast<int>(std::clamp<std::int64_t>(304 - steps, 9, 255));
}
