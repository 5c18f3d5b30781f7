#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <csignal>

using Platform::TTerminationSignals;

namespace
{

volatile sig_atomic_t g_earlierHandlerCalls = 0;
extern "C" void EarlierHandler(int)
{
    g_earlierHandlerCalls = g_earlierHandlerCalls + 1;
}

// The handler a test finds in place before it creates the object, put back afterwards.
class EarlierHandlers
{
public:
    EarlierHandlers()
    {
        for (int i = 0; i < 3; ++i)
            m_saved[i] = std::signal(Signals[i], EarlierHandler);
        g_earlierHandlerCalls = 0;
    }
    ~EarlierHandlers()
    {
        for (int i = 0; i < 3; ++i)
            std::signal(Signals[i], m_saved[i]);
    }
    static constexpr int Signals[3] = {SIGTERM, SIGINT, SIGHUP};

private:
    void (*m_saved[3])(int){};
};

} // namespace

TEST(TerminationSignalsTest, EachSignalArrivesOnTheEventLoopWithItsNumber)
{
    EarlierHandlers earlier;
    TTerminationSignals signals;
    ASSERT_TRUE(signals.IsActive());
    QSignalSpy received(&signals, &TTerminationSignals::Received);

    for (const int signalNumber : EarlierHandlers::Signals) {
        received.clear();
        ASSERT_EQ(std::raise(signalNumber), 0);
        // Nothing happens inside the handler: the emission waits for the event loop.
        EXPECT_EQ(received.count(), 0);
        ASSERT_TRUE(received.wait(5000)) << signalNumber;
        ASSERT_EQ(received.count(), 1);
        EXPECT_EQ(received.at(0).at(0).toInt(), signalNumber);
    }
    EXPECT_EQ(g_earlierHandlerCalls, 0);
}

TEST(TerminationSignalsTest, SignalsThatArriveTogetherAreEachReported)
{
    TTerminationSignals signals;
    QSignalSpy received(&signals, &TTerminationSignals::Received);
    std::raise(SIGTERM);
    std::raise(SIGHUP);
    std::raise(SIGTERM);
    for (int waits = 0; received.count() < 3 && waits < 10; ++waits)
        received.wait(500);
    ASSERT_EQ(received.count(), 3);
    EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(received.at(1).at(0).toInt(), SIGHUP);
    EXPECT_EQ(received.at(2).at(0).toInt(), SIGTERM);
}

TEST(TerminationSignalsTest, DestructionPutsTheEarlierHandlersBack)
{
    EarlierHandlers earlier;
    {
        TTerminationSignals signals;
        // Only one object owns the signals at a time.
        TTerminationSignals second;
        EXPECT_FALSE(second.IsActive());
    }
    for (const int signalNumber : EarlierHandlers::Signals)
        std::raise(signalNumber);
    EXPECT_EQ(g_earlierHandlerCalls, 3);

    // A new object may claim them again afterwards.
    TTerminationSignals again;
    EXPECT_TRUE(again.IsActive());
}

TEST(TerminationSignalsTest, AReceiverMayDestroyTheObject)
{
    auto *signals = new TTerminationSignals;
    int calls = 0;
    QObject::connect(signals, &TTerminationSignals::Received, [&calls, signals](int) {
        ++calls;
        delete signals;
    });
    QSignalSpy destroyed(signals, &QObject::destroyed);
    std::raise(SIGINT);
    std::raise(SIGINT);
    ASSERT_TRUE(destroyed.wait(5000));
    EXPECT_EQ(calls, 1);
}

TEST(TerminationSignalsTest, TheRequestIsKeptForWaitsAndExchangesToSee)
{
    struct Case {
        int signalNumber;
        bool hangupEndsRun;
        bool requested;
    };
    const Case cases[] = {
        {SIGTERM, true, true},  {SIGINT, true, true},   {SIGHUP, true, true},
        {SIGHUP, false, false}, {SIGTERM, false, true}, // a process that reopens its files on SIGHUP still
                                                        // ends on SIGTERM
    };
    TTerminationSignals signals;
    QSignalSpy received(&signals, &TTerminationSignals::Received);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.signalNumber);
        Platform::ResetTerminationRequest();
        Platform::SetHangupEndsRun(c.hangupEndsRun);
        received.clear();
        ASSERT_EQ(std::raise(c.signalNumber), 0);
        // Seen at once, before the event loop runs.
        EXPECT_EQ(Platform::TerminationRequested(), c.requested);
        ASSERT_TRUE(received.wait(5000)) << "reported on the event loop either way";
    }
    Platform::SetHangupEndsRun(true);
    Platform::ResetTerminationRequest();
}
