#pragma once

// QCustomPlot's header, included through here only: it is written with Qt's keyword macros,
// which this project switches off (QT_NO_KEYWORDS).

#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
