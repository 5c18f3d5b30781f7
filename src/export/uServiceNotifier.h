#pragma once

// Tells the service manager how the logger is doing: READY=1 once the device is identified,
// a one-line STATUS= after every tick, and WATCHDOG=1 after every tick when the manager
// watches (WATCHDOG_USEC), so a logger whose ticks stop is restarted. Without NOTIFY_SOCKET
// every call does nothing.

#include "reading/uReaderView.h"

#include <QString>

#include <vector>

class TReaderCore;
class TLangQuan;

namespace Service
{

class TServiceNotifier : public IReaderView
{
public:
    TServiceNotifier();

    void Status(const QString &text);
    void Ready(const TReaderCore &reader);
    void Stopping();

    void QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &history) override;
    void ReadingStarted() override {}
    void CycleFinished(bool paused) override;
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override { m_rows.clear(); }

    bool WatchdogWanted() const { return m_watchdog; }
    // The line a tick's STATUS= carries.
    QString Summary() const;

private:
    const TReaderCore *m_reader = nullptr;
    std::vector<const TLangQuan *> m_rows;
    bool m_watchdog = false;
};

} // namespace Service
