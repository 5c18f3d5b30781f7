#pragma once

// Where the chart windows of a measurement go when it starts: they fill a column from the
// top of the screen, then the next column to the right; when no further column fits, a new
// layer starts 25 pixels further right and down.

#include <QPoint>
#include <QSize>

#include <vector>

// The positions of `count` charts of the given size (the first chart's) on a screen.
std::vector<QPoint> CascadePositions(int count, const QSize &chart, const QSize &screen);
