// The popup window's arithmetic: its layouts, its place on the desktop, its opacity and fade.
#include "reading/uPopupLayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Readable failure messages for positions and sizes.
void PrintTo(const QPoint &p, std::ostream *os)
{
    *os << "(" << p.x() << ", " << p.y() << ")";
}
void PrintTo(const QSize &s, std::ostream *os)
{
    *os << s.width() << " x " << s.height();
}
void PrintTo(const QRect &r, std::ostream *os)
{
    *os << "(" << r.x() << ", " << r.y() << ") " << r.width() << " x " << r.height();
}

namespace
{

struct PlaceRect {
    int x, y, w, h;
    QRect Rect() const { return QRect(x, y, w, h); }
};

// Rows of the layout table: {title, unit} widths.
std::vector<TPopupRowWidths> Widths(std::initializer_list<std::pair<int, int>> rows)
{
    std::vector<TPopupRowWidths> widths;
    for (const auto &[title, unit] : rows)
        widths.push_back({title, unit});
    return widths;
}

} // namespace

TEST(PopupLayout, ColumnsAndLines)
{
    // value column 60 pixels, rows 25 pixels high
    struct Case {
        const char *name;
        std::vector<TPopupRowWidths> rows;
        bool horizontal;
        int screenWidth;
        std::vector<PlaceRect> places;
        std::vector<int> valueRights;
        QSize client;
    };
    const Case cases[] = {
        {"column: as wide as the widest title and unit",
         Widths({{50, 20}, {80, 10}}),
         false,
         1280,
         {{0, 0, 182, 25}, {0, 25, 182, 25}},
         {140, 140},
         {182, 54}},
        {"column without titles: the value starts at the left edge",
         Widths({{0, 20}, {0, 10}}),
         false,
         1280,
         {{0, 0, 102, 25}, {0, 25, 102, 25}},
         {60, 60},
         {102, 54}},
        {"one line",
         Widths({{50, 20}, {80, 10}}),
         true,
         1280,
         {{0, 0, 152, 25}, {152, 0, 172, 25}},
         {110, 140},
         {324, 29}},
        {"a row beyond the screen width minus 50 starts a second line",
         Widths({{50, 20}, {80, 10}, {50, 20}}),
         true,
         400,
         {{0, 0, 152, 25}, {152, 0, 172, 25}, {0, 25, 152, 25}},
         {110, 140, 110},
         {324, 54}},
        {"a row too wide for any line stays on its own line",
         Widths({{50, 20}, {80, 10}}),
         true,
         100,
         {{0, 0, 152, 25}, {0, 25, 172, 25}},
         {110, 140},
         {172, 54}},
        {"no rows", {}, false, 1280, {}, {}, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TPopupLayout layout = LayOutPopupRows(c.rows, 60, 25, c.horizontal, c.screenWidth);
        ASSERT_EQ(layout.Rows.size(), c.places.size());
        for (std::size_t i = 0; i < c.places.size(); ++i) {
            EXPECT_EQ(layout.Rows[i].Geometry, c.places[i].Rect()) << "row " << i;
            EXPECT_EQ(layout.Rows[i].ValueRight, c.valueRights[i]) << "row " << i;
            EXPECT_EQ(layout.Rows[i].UnitLeft, c.valueRights[i] + 10) << "row " << i;
        }
        EXPECT_EQ(layout.Client, c.client);
    }
}

TEST(PopupLayout, SizeTableAndNames)
{
    struct Case {
        QString name;
        int size, font, height;
    };
    const Case cases[] = {
        {"Small", 0, 8, 25}, {"Medium", 1, 12, 30}, {"Large", 2, 16, 35}, {"Huge", 0, 8, 25}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(PopupSizeFromName(c.name), c.size);
        EXPECT_EQ(PopupSizeOf(c.size).FontSize, c.font);
        EXPECT_EQ(PopupSizeOf(c.size).RowHeight, c.height);
    }
    EXPECT_EQ(PopupSizeName(2), QStringLiteral("Large"));
}

TEST(PopupPlacement, AutomaticPlaceNextToTheTaskbar)
{
    const QRect screen(0, 0, 1280, 1024);
    const QSize window(200, 80);
    struct Case {
        const char *name;
        PlaceRect workArea;
        bool autoHide;
        TTaskbarEdge edge;
        QPoint expected;
    };
    const Case cases[] = {
        {"bottom", {0, 0, 1280, 984}, false, TTaskbarEdge::Bottom, {1075, 899}},
        {"bottom, hiding itself", {0, 0, 1280, 984}, true, TTaskbarEdge::Bottom, {1075, 864}},
        {"top", {0, 40, 1280, 984}, false, TTaskbarEdge::Top, {1075, 45}},
        {"left", {60, 0, 1220, 1024}, false, TTaskbarEdge::Left, {65, 939}},
        {"left, hiding itself", {60, 0, 1220, 1024}, true, TTaskbarEdge::Left, {155, 939}},
        {"right", {0, 0, 1220, 1024}, false, TTaskbarEdge::Right, {1015, 939}},
        {"no taskbar: a bottom one of height 0",
         {0, 0, 1280, 1024},
         false,
         TTaskbarEdge::Bottom,
         {1075, 939}},
        {"a top panel and a wider left dock", {70, 30, 1210, 994}, false, TTaskbarEdge::Left, {75, 939}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TTaskbarEdge edge = TaskbarEdgeOf(screen, c.workArea.Rect());
        EXPECT_EQ(edge, c.edge);
        const int reserve = TaskbarReserve(edge, c.autoHide);
        EXPECT_EQ(AutoPopupPosition(edge, reserve, c.workArea.Rect(), window, QPoint(1, 2)), c.expected);
    }
    EXPECT_EQ(AutoPopupPosition(TTaskbarEdge::Unknown, 0, screen, window, QPoint(1, 2)), QPoint(1, 2));
}

TEST(PopupPlacement, RememberedPlaceKeptInsideTheWorkArea)
{
    const QSize window(200, 80);
    struct Case {
        const char *name;
        PlaceRect workArea;
        QPoint remembered, expected;
    };
    const Case cases[] = {
        {"inside stays", {0, 0, 1280, 984}, {100, 700}, {100, 700}},
        {"off to the right after a change of resolution", {0, 0, 1280, 984}, {1900, 500}, {1075, 500}},
        {"the first start's default beyond the corner", {0, 0, 1280, 984}, {1281, 985}, {1075, 899}},
        {"above and left of the screen", {0, 0, 1280, 984}, {-50, -20}, {5, 5}},
        {"under a left panel", {60, 0, 1220, 1024}, {10, 100}, {65, 100}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KeepInsideWorkArea(c.remembered, window, c.workArea.Rect()), c.expected);
    }
}

TEST(PopupOpacity, TransparencyRoundsHalfToEven)
{
    const std::pair<int, int> cases[] = {{100, 255}, {50, 128}, {30, 76},   {10, 26},
                                         {1, 3},     {0, 0},    {150, 255}, {-5, 0}};
    for (const auto &[percent, opacity] : cases)
        EXPECT_EQ(OpacityOfTransparency(percent), opacity) << percent << " %";
}

TEST(PopupOpacity, FadeCurve)
{
    const std::pair<std::int64_t, int> cases[] = {{0, 255},   {984, 255}, {985, 254},  {5000, 50}, {5788, 10},
                                                  {5807, 10}, {5808, 9},  {100000, 9}, {-100, 255}};
    for (const auto &[ms, opacity] : cases)
        EXPECT_EQ(FadeOpacity(ms), opacity) << ms << " ms";
}
