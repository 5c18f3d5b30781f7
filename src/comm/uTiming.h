#pragma once

#include <cstdint>
#include <functional>

// Busy counter shared by every handler that must not run while another one is in
// progress further down the call stack. Everything runs on the one user-interface
// thread; the counter guards against re-entrance through the message pump, not
// against other threads, so it is a plain counter and not a lock.
class TCSection
{
public:
    int Depth = 0;

    void Enter();
    void Leave();
    bool IsBusy() const;
};

// The process-wide busy guard.
extern TCSection CSection;

// Marks the program busy for its lifetime: Enter in the constructor, Leave in the
// destructor, so early returns and exceptions cannot leave the counter raised.
class TCSectionGuard
{
public:
    explicit TCSectionGuard(TCSection &section = CSection);
    ~TCSectionGuard();
    TCSectionGuard(const TCSectionGuard &) = delete;
    TCSectionGuard &operator=(const TCSectionGuard &) = delete;

private:
    TCSection &m_section;
};

// Monotonic high-resolution stopwatch; started when created.
class TStopWatch
{
public:
    TStopWatch();

    void Start();
    double ElapsedSeconds() const;

    std::int64_t StartCount = 0; // clock ticks at the last Start
    std::int64_t Frequency = 0;  // clock ticks per second

private:
    static std::int64_t Now();
};

// Short, accurate wait: sleeps most of the time, spins the last millisecond at a
// raised priority. 0 only yields the rest of the time slice.
void PreciseDelay(std::uint32_t ms);

// Wait that keeps the window alive by pumping QCoreApplication::processEvents();
// the program counts as busy meanwhile, so guarded handlers skip their work.
// Up to 11 ms it is a PreciseDelay and pumps nothing. A termination request ends it early.
void PumpDelay(std::uint32_t ms);

// Wait that keeps the window alive through the registered KeepAlive callback,
// called every 10 ms of sleep. It does not mark the program busy. A termination request ends
// it early.
void CallbackDelay(std::uint32_t ms);

using TKeepAlive = std::function<void()>;

// Registers the callback of CallbackDelay; an empty function means none.
void SetKeepAlive(TKeepAlive keepAlive);
