#include "comm/uTiming.h"

#include "platform/Priority.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace
{

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Runs one posted call through the event loop so nothing queued by a test leaks into the next.
void DrainEvents()
{
    QCoreApplication::processEvents();
}

class TimingTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(CSection.Depth, 0); }
    void TearDown() override
    {
        SetKeepAlive({});
        DrainEvents();
        EXPECT_EQ(CSection.Depth, 0);
        CSection.Depth = 0;
    }
};

TEST_F(TimingTest, SectionCountsNestedEntries)
{
    TCSection section;
    EXPECT_FALSE(section.IsBusy());
    section.Enter();
    section.Enter();
    section.Leave();
    EXPECT_TRUE(section.IsBusy()) << "one Leave after two Enters must stay busy";
    section.Leave();
    EXPECT_FALSE(section.IsBusy());
    EXPECT_EQ(section.Depth, 0);
}

TEST_F(TimingTest, GuardLeavesOnEveryWayOut)
{
    TCSection section;
    auto handler = [&section](bool fail) {
        TCSectionGuard guard(section);
        EXPECT_TRUE(section.IsBusy());
        if (fail)
            throw std::runtime_error("device gone");
    };
    handler(false);
    EXPECT_EQ(section.Depth, 0);
    EXPECT_THROW(handler(true), std::runtime_error);
    EXPECT_EQ(section.Depth, 0);

    {
        TCSectionGuard global;
        EXPECT_TRUE(CSection.IsBusy()) << "the default guard marks the process-wide section";
    }
    EXPECT_FALSE(CSection.IsBusy());
}

TEST_F(TimingTest, StopWatchMeasuresAndRestarts)
{
    TStopWatch watch;
    EXPECT_EQ(watch.Frequency, 1'000'000'000);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double elapsed = watch.ElapsedSeconds();
    EXPECT_GE(elapsed, 0.030);
    EXPECT_LT(elapsed, 5.0);
    watch.Start();
    EXPECT_LT(watch.ElapsedSeconds(), elapsed) << "Start must reset the origin";
}

TEST_F(TimingTest, PreciseDelayWaitsAtLeastTheTime)
{
    for (std::uint32_t ms : {0u, 1u, 2u, 7u, 25u}) {
        const auto start = std::chrono::steady_clock::now();
        PreciseDelay(ms);
        EXPECT_GE(MsSince(start), ms) << ms << " ms";
    }
}

// The priority belongs to the waiting thread, so the delay runs on a worker whose
// nice value the test can watch from outside while the delay spins.
TEST_F(TimingTest, PreciseDelayRaisesPriorityOnlyWhileWaiting)
{
    struct Case {
        int startNice;
        std::uint32_t ms;
    };
    const Case cases[] = {{0, 150}, {5, 150}, {0, 0}};
    for (const Case &c : cases) {
        std::atomic<pid_t> tid{0};
        std::atomic<bool> go{false};
        std::atomic<int> before{99}, after{99};
        std::thread worker([&] {
            Platform::SetNice(c.startNice); // raising the nice value is allowed for anyone
            before = Platform::CurrentNice();
            tid = static_cast<pid_t>(syscall(SYS_gettid));
            while (!go)
                std::this_thread::yield();
            PreciseDelay(c.ms);
            after = Platform::CurrentNice();
        });
        while (tid == 0)
            std::this_thread::yield();
        go = true;
        int lowest = before;
        const auto start = std::chrono::steady_clock::now();
        while (MsSince(start) < c.ms * 0.8) {
            errno = 0;
            const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid.load()));
            if (errno == 0 && nice < lowest)
                lowest = nice;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        worker.join();
        SCOPED_TRACE(testing::Message() << "start nice " << c.startNice << ", " << c.ms << " ms");
        EXPECT_EQ(after.load(), before.load()) << "priority must be restored";
        if (geteuid() == 0 && c.ms > 0) {
            EXPECT_EQ(lowest, Platform::TScopedHighPriority::HighNice) << "root may raise: must be raised";
        }
    }
}

TEST_F(TimingTest, PumpDelayKeepsProgramBusyAndGuardedHandlersSkip)
{
    int guardedRuns = 0;
    int guardedSkips = 0;
    std::vector<bool> busySeen;
    // The handler shape every guarded timer tick uses.
    auto guardedHandler = [&] {
        if (CSection.IsBusy()) {
            ++guardedSkips;
            return;
        }
        TCSectionGuard guard;
        ++guardedRuns;
    };
    QTimer::singleShot(20, qApp, guardedHandler);
    QTimer::singleShot(30, qApp, [&] { busySeen.push_back(CSection.IsBusy()); });
    QTimer::singleShot(40, qApp, [&] { busySeen.push_back(CSection.IsBusy()); });

    const auto start = std::chrono::steady_clock::now();
    PumpDelay(300); // ample slack for the timers on a loaded machine
    const double elapsed = MsSince(start);

    EXPECT_GE(elapsed, 300.0);
    EXPECT_EQ(guardedSkips, 1) << "the tick posted during the wait must have run and skipped";
    EXPECT_EQ(guardedRuns, 0);
    EXPECT_EQ(busySeen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(CSection.IsBusy());

    guardedHandler();
    EXPECT_EQ(guardedRuns, 1) << "after the wait a guarded handler works again";
}

TEST_F(TimingTest, PumpDelayPumpsOnlyAboveElevenMs)
{
    struct Case {
        std::uint32_t ms;
        bool pumps;
    };
    for (const Case c : {Case{0, false}, Case{11, false}, Case{12, true}, Case{40, true}}) {
        bool ran = false;
        QMetaObject::invokeMethod(
            qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
        const auto start = std::chrono::steady_clock::now();
        PumpDelay(c.ms);
        EXPECT_GE(MsSince(start), c.ms) << c.ms << " ms";
        EXPECT_EQ(ran, c.pumps) << c.ms << " ms";
        EXPECT_FALSE(CSection.IsBusy());
        DrainEvents();
        EXPECT_TRUE(ran);
    }
}

TEST_F(TimingTest, CallbackDelayCallsKeepAliveEveryTenCountedMs)
{
    struct Case {
        std::uint32_t ms;
        bool registered;
        int calls;
    };
    const Case cases[] = {{0, true, 0},  {10, true, 0}, {11, true, 2},
                          {25, true, 3}, {30, true, 3}, {25, false, 0}};
    for (const Case &c : cases) {
        int calls = 0;
        bool busyInside = false;
        SetKeepAlive(c.registered ? TKeepAlive([&] {
            ++calls;
            busyInside = busyInside || CSection.IsBusy();
        })
                                  : TKeepAlive());
        const auto start = std::chrono::steady_clock::now();
        CallbackDelay(c.ms);
        EXPECT_EQ(calls, c.calls) << c.ms << " ms";
        EXPECT_GE(MsSince(start), c.ms) << c.ms << " ms";
        EXPECT_FALSE(busyInside) << "CallbackDelay must not mark the program busy";
    }
}

TEST_F(TimingTest, CallbackDelayCountsRatherThanMeasures)
{
    // A slow callback lengthens the wait: 3 rounds of 10 ms sleep plus 20 ms inside.
    SetKeepAlive([] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    const auto start = std::chrono::steady_clock::now();
    CallbackDelay(30);
    EXPECT_GE(MsSince(start), 90.0);
}

TEST_F(TimingTest, KeepAliveMayReplaceItself)
{
    int first = 0, second = 0;
    TKeepAlive replacement = [&] { ++second; };
    SetKeepAlive([&] {
        ++first;
        SetKeepAlive(replacement);
    });
    CallbackDelay(30);
    EXPECT_EQ(first, 3) << "the delay keeps the callback it started with";
    CallbackDelay(20);
    EXPECT_EQ(second, 2);
}

} // namespace
