#include "reading/uCascade.h"

namespace
{

constexpr int LayerShift = 25;
constexpr int Margin = 20;

} // namespace

std::vector<QPoint> CascadePositions(int count, const QSize &chart, const QSize &screen)
{
    std::vector<QPoint> positions;
    int stack = 0;
    int column = 0;
    int row = 0;
    const auto at = [&] {
        return QPoint(column * chart.width() + LayerShift * stack + Margin,
                      row * chart.height() + LayerShift * stack + Margin);
    };
    const auto fits = [&](const QPoint &p) {
        return p.x() + chart.width() <= screen.width() && p.y() + chart.height() <= screen.height();
    };
    for (int i = 0; i < count; ++i) {
        QPoint p = at();
        if (!fits(p)) {
            ++column;
            row = 0;
            p = at();
            if (!fits(p)) {
                ++stack;
                column = 0;
                p = at();
            }
        }
        positions.push_back(p);
        ++row;
    }
    return positions;
}
