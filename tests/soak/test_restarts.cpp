// A measurement stopped and started a thousand times: the descriptors open afterwards are the
// ones open before, and (in the sanitizer build) the leak checker finds nothing at exit.
#include "soak_rig.h"

#include "SimProcess.h"

#include "connection/uDeviceConnection.h"
#include "reading/uReaderCore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace
{

class TCountingView : public IReaderView
{
public:
    int Cycles = 0;
    int Starts = 0;
    int Stops = 0;
    void QuantityAdded(int, TLangQuan &, const TChartHistory &) override {}
    void ReadingStarted() override { ++Starts; }
    void CycleFinished(bool) override { ++Cycles; }
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override { ++Stops; }
};

struct TDevice {
    SimProcess Sim;
    TErrMessageList Errors;
    TDeviceConnection Conn{Errors};

    bool Start()
    {
        if (!Sim.start(QStringLiteral("farvo-xport441-pressure-io.json")))
            return false;
        Conn.XPortUdpPort = Sim.udpPort();
        TConnectionParams p;
        p.Protocol = TProtocol::Ethernet;
        p.IP = QStringLiteral("127.0.0.1");
        p.TcpPort = Sim.tcpPort();
        p.Timeout = 1000;
        return Conn.Connect(p) == TConnectOutcome::Connected;
    }
};

} // namespace

TEST(Restarts, AThousandStopsAndStartsLeaveNoDescriptorBehind)
{
    constexpr int Restarts = 1000;
    struct Case {
        const char *name;
        bool freshReader; // the reader object is made anew for every measurement
    };
    for (const Case c : {Case{"fresh reader", true}, Case{"same reader", false}}) {
        SCOPED_TRACE(c.name);
        TDevice device;
        ASSERT_TRUE(device.Start());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        TCountingView view;
        std::unique_ptr<TReaderCore> reader;
        // One measurement: started, its first tick run by the reader's own timer, stopped.
        auto measure = [&] {
            if (!reader || c.freshReader) {
                reader.reset();
                TReaderSettings settings;
                settings.LogToCsv = true;
                settings.CsvFolder = dir.path();
                settings.CsvFileName = QStringLiteral("restarts.csv");
                settings.ChartPoints = 60;
                reader = CreateReader(device.Conn, nullptr, settings);
                reader->AddView(&view);
            }
            const int before = view.Cycles;
            reader->StartReading();
            // Waits for the timer's tick itself rather than polling, so a thousand rounds stay short.
            const QDeadlineTimer deadline(10000);
            while (view.Cycles == before && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const bool ticked = view.Cycles > before;
            reader->StopReading();
            return ticked && reader->LastReadSucceeded();
        };

        // The first measurement opens what every later one reuses (the master's connection).
        ASSERT_TRUE(measure());
        const int descriptorsBefore = Soak::OpenDescriptors();
        int good = 0;
        for (int i = 0; i < Restarts; ++i)
            good += measure() ? 1 : 0;
        reader.reset();
        EXPECT_EQ(good, Restarts) << "every measurement read the device";
        EXPECT_EQ(Soak::OpenDescriptors(), descriptorsBefore);
        EXPECT_EQ(view.Starts, Restarts + 1);
        EXPECT_EQ(view.Stops, Restarts + 1)
            << "a measurement ends for the views when its reader goes or a new one begins";
    }
}
