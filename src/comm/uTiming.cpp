#include "comm/uTiming.h"

#include "platform/Priority.h"
#include "platform/TerminationSignals.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

TCSection CSection;

void TCSection::Enter()
{
    ++Depth;
}

void TCSection::Leave()
{
    --Depth;
}

bool TCSection::IsBusy() const
{
    return Depth > 0;
}

TCSectionGuard::TCSectionGuard(TCSection &section) : m_section(section)
{
    m_section.Enter();
}

TCSectionGuard::~TCSectionGuard()
{
    m_section.Leave();
}

TStopWatch::TStopWatch()
{
    using Period = std::chrono::steady_clock::period;
    Frequency = static_cast<std::int64_t>(Period::den / Period::num);
    Start();
}

void TStopWatch::Start()
{
    StartCount = Now();
}

double TStopWatch::ElapsedSeconds() const
{
    return static_cast<double>(Now() - StartCount) / static_cast<double>(Frequency);
}

std::int64_t TStopWatch::Now()
{
    return static_cast<std::int64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

namespace
{

TKeepAlive &KeepAlive()
{
    static TKeepAlive keepAlive;
    return keepAlive;
}

void SleepMs(std::uint32_t ms)
{
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

void PreciseDelay(std::uint32_t ms)
{
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    TStopWatch watch;
    Platform::TScopedHighPriority priority;
    SleepMs(ms - 1);
    const double target = static_cast<double>(ms);
    while (watch.ElapsedSeconds() * 1000.0 < target) {
        // spin: sleep granularity is too coarse for the last millisecond
    }
}

void PumpDelay(std::uint32_t ms)
{
    if (ms <= 11) {
        PreciseDelay(ms);
        return;
    }
    TCSectionGuard busy;
    TStopWatch watch;
    const double target = static_cast<double>(ms);
    // A termination request ends the wait: what waits would only be cut short afterwards.
    do {
        SleepMs(4);
        QCoreApplication::processEvents();
    } while (watch.ElapsedSeconds() * 1000.0 < target && !Platform::TerminationRequested());
}

void CallbackDelay(std::uint32_t ms)
{
    const TKeepAlive keepAlive = KeepAlive();
    if (ms < 11 || !keepAlive) {
        SleepMs(ms);
        return;
    }
    // Counted, not measured: time spent inside the callback lengthens the wait.
    std::uint32_t counter = 0;
    do {
        SleepMs(10);
        counter += 10;
        keepAlive();
    } while (counter < ms && !Platform::TerminationRequested());
}

void SetKeepAlive(TKeepAlive keepAlive)
{
    KeepAlive() = std::move(keepAlive);
}
