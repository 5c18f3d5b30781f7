#pragma once

// What the reader core tells the windows that show a measurement: the output rows, the
// popup window's rows, the chart windows and the reader frame are views attached to the
// core; ombrix-logger attaches none, or one that prints. Every call comes on the user-
// interface thread from inside the core's tick or its start and stop; a view only reads
// the quantities and histories it is handed and draws, it never decides anything.

#include <QString>
#include <QtGlobal>

class TLangQuan;
class TChartHistory;

class IReaderView
{
public:
    virtual ~IReaderView() = default;

    // A measurement starts: called for every present quantity in row order (row 0, 1, ...),
    // after the core has reset its alarms; the quantity and history live until ReadingStopped.
    virtual void QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &history) = 0;
    // All quantities are added and the first tick follows: show the popup, cascade the charts.
    virtual void ReadingStarted() = 0;
    // The end of a tick: every quantity holds this tick's reading and alarm state and every
    // history its new point. When paused only the histories changed (the rows keep what
    // they show).
    virtual void CycleFinished(bool paused) = 0;
    // "disable sound" is offered while a repeating alarm sound may be silenced.
    virtual void QuietButtonChanged(bool visible) = 0;
    // The measurement ended: drop every row, popup row and chart of it.
    virtual void ReadingStopped() = 0;
    // The first record that could not be written to the CSV file, with the system's reason; it
    // and the records after it wait in memory. Told once per outage, before CycleFinished.
    virtual void CsvWriteFailed(const QString &reason) { Q_UNUSED(reason); }
    // The CSV file takes records again: recordsWritten records that waited (this tick's
    // included) are in it now.
    virtual void CsvWriteRecovered(qint64 recordsWritten) { Q_UNUSED(recordsWritten); }
};
