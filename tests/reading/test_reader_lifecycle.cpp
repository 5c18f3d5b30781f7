// The reader core over a measurement's life against the simulator: a device that goes away and
// returns, pause and continue, stop and a fresh start, long intervals that close the master, and
// ticks that never run inside one another.
#include "test_reader_rig.h"

#include "CsvFile.h"
#include "PtyPair.h"

#include "comm/uTiming.h"
#include "reading/uFarvoReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace
{

// The cells after date and time.
QString CellsOf(const QString &record)
{
    return record.section(QLatin1Char(';'), 2);
}

struct Measurement {
    TSimConnection rig;
    QTemporaryDir dir;
    TRecordingView view;
    std::unique_ptr<TReaderCore> reader;

    // folder: where the log goes (default: the temporary folder).
    bool Start(const QString &scenario, int intervalSec = 1, const QString &folder = QString())
    {
        if (!rig.Start(scenario))
            return false;
        reader = CreateReader(
            rig.Conn, nullptr,
            LoggingSettings(folder.isEmpty() ? dir.path() : folder, QStringLiteral("log.csv"), intervalSec, 10));
        reader->AddView(&view);
        return true;
    }
    QString CsvPath() const { return dir.filePath(QStringLiteral("log.csv")); }
};

} // namespace

TEST(ReaderLifecycle, DeviceGoingOfflineAndReturningNeedsNoAction)
{
    struct Case {
        const char *scenario;
        int slot;
        const char *setup;
        const char *goodCells; // what a good record holds after date and time
    };
    const Case cases[] = {
        {"farvo-xport441-pressure-io.json", 0, "set farvo.c1 215", "\"21.5\";"},
        {"dusko-two-named.json", 18, "set dusko.c1 0x41AACCCC", "\"21.3\";"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        Measurement m;
        ASSERT_TRUE(m.Start(QString::fromLatin1(c.scenario)));
        ASSERT_TRUE(m.rig.Control(QString::fromLatin1(c.setup)));
        std::vector<bool> readOK, slotOK;
        std::vector<int> errorLatch;
        m.view.OnCycle = [&] {
            readOK.push_back(m.reader->LastReadSucceeded());
            const TLangQuan &q = m.rig.Conn.GetQuantity(c.slot);
            slotOK.push_back(q.ReadOK);
            errorLatch.push_back(q.ErrorLatch);
            if (m.view.Cycles == 1) {
                EXPECT_TRUE(m.rig.Control(QStringLiteral("offline on")));
            }
            if (m.view.Cycles == 3) {
                EXPECT_TRUE(m.rig.Control(QStringLiteral("offline off")));
            }
        };
        m.reader->StartReading();
        ASSERT_TRUE(WaitForCycles(m.view, 4, 40000));
        m.reader.reset();

        EXPECT_EQ(readOK, (std::vector<bool>{true, false, false, true}));
        EXPECT_EQ(slotOK, (std::vector<bool>{true, false, false, true}));
        // The reading error stays latched until acknowledged, also after the device is back.
        EXPECT_EQ(errorLatch, (std::vector<int>{0, 1, 1, 1}));
        const QStringList records = CsvFile::Records(m.CsvPath());
        ASSERT_EQ(records.size(), 4);
        EXPECT_TRUE(CellsOf(records[0]).startsWith(QString::fromLatin1(c.goodCells)))
            << records[0].toStdString();
        for (int i : {1, 2}) {
            EXPECT_TRUE(records[i].endsWith(QStringLiteral("\"Read error\""))) << records[i].toStdString();
            EXPECT_TRUE(CellsOf(records[i]).startsWith(QStringLiteral("\"\";")))
                << "no value on a failed read";
        }
        EXPECT_TRUE(CellsOf(records[3]).startsWith(QString::fromLatin1(c.goodCells)))
            << records[3].toStdString();
        EXPECT_TRUE(records[3].endsWith(QStringLiteral(";\"\"")));
    }
}

TEST(ReaderLifecycle, RecordsWaitWhileTheFileCannotBeWrittenAndTheViewsHearItOnceEachWay)
{
    Measurement m;
    const QString later = m.dir.filePath(QStringLiteral("later")); // missing until the third tick
    ASSERT_TRUE(m.Start(QStringLiteral("farvo-xport441-pressure-io.json"), 1, later));
    const QString path = later + QStringLiteral("/log.csv");
    std::vector<qint64> waiting;
    std::vector<qsizetype> onDisk;
    m.view.OnCycle = [&] {
        waiting.push_back(m.reader->CsvRecordsWaiting());
        onDisk.push_back(CsvFile::Records(path).size());
        if (m.view.Cycles == 3) {
            EXPECT_TRUE(QDir().mkpath(later));
        }
    };
    m.reader->StartReading();
    ASSERT_TRUE(WaitForCycles(m.view, 4, 40000));
    m.reader->StopReading();

    EXPECT_EQ(waiting, (std::vector<qint64>{1, 2, 3, 0}));
    EXPECT_EQ(onDisk, (std::vector<qsizetype>{0, 0, 0, 4})) << "the record is written before the views hear";
    EXPECT_EQ(m.reader->CsvWriteFailures(), 3U);
    EXPECT_EQ(m.reader->CsvRecordsWritten(), 4U);
    EXPECT_EQ(m.reader->CsvRecordsDropped(), 0U);
    const QStringList csvEvents = m.view.Events.filter(QStringLiteral("csv"));
    EXPECT_EQ(csvEvents, (QStringList{QStringLiteral("csv failed: No such file or directory"),
                                      QStringLiteral("csv recovered 4")}));
    // Each is told before the tick it belongs to.
    EXPECT_EQ(m.view.Events.indexOf(csvEvents[0]) + 1, m.view.Events.indexOf(QStringLiteral("cycle")));
    EXPECT_EQ(m.view.Events.indexOf(csvEvents[1]) + 1, m.view.Events.lastIndexOf(QStringLiteral("cycle")));
}

TEST(ReaderLifecycle, PauseLeavesGapsAndPausedRecordsWithoutJudgingAlarms)
{
    Measurement m;
    ASSERT_TRUE(m.Start(QStringLiteral("farvo-xport441-pressure-io.json")));
    ASSERT_TRUE(m.rig.Control(QStringLiteral("set farvo.c1 215")));
    std::vector<int> alarmStates;
    int readsWhilePaused = -1;
    m.view.OnCycle = [&] {
        alarmStates.push_back(m.rig.Conn.GetQuantity(0).AlarmState);
        if (m.view.Cycles == 1) {
            // An alarm appears while paused: nobody reads or judges it until the measurement goes on.
            EXPECT_TRUE(m.rig.Control(QStringLiteral("set farvo.alarm.12 hi")));
            EXPECT_TRUE(m.rig.Control(QStringLiteral("log clear")));
            m.reader->TogglePause();
        }
        if (m.view.Cycles == 3) {
            readsWhilePaused = static_cast<int>(m.rig.Sim.log().size());
            m.reader->TogglePause();
        }
    };
    m.reader->StartReading();
    ASSERT_TRUE(WaitForCycles(m.view, 4));
    m.reader->StopReading();

    EXPECT_EQ(m.view.Events.filter(QStringLiteral("cycle")),
              (QStringList{QStringLiteral("cycle"), QStringLiteral("cycle paused"),
                           QStringLiteral("cycle paused"), QStringLiteral("cycle")}));
    EXPECT_EQ(alarmStates, (std::vector<int>{0, 0, 0, 2}));
    EXPECT_EQ(readsWhilePaused, 0) << "a paused tick does not read the device";
    const TChartHistory &h = m.reader->History(0);
    EXPECT_EQ(h.Added(), 4u);
    EXPECT_TRUE(h.Point(0).Valid);
    EXPECT_FALSE(h.Point(1).Valid);
    EXPECT_FALSE(h.Point(2).Valid);
    EXPECT_TRUE(h.Point(3).Valid);
    EXPECT_DOUBLE_EQ(h.Point(3).Value, 21.5);

    m.reader.reset();
    const QStringList records = CsvFile::Records(m.CsvPath());
    ASSERT_EQ(records.size(), 4);
    for (int i : {1, 2}) {
        EXPECT_TRUE(records[i].endsWith(QStringLiteral("\"Paused\""))) << records[i].toStdString();
        EXPECT_TRUE(CellsOf(records[i]).startsWith(QStringLiteral("\"\";")));
    }
    EXPECT_TRUE(records[3].endsWith(QStringLiteral(";\"\"")));
}

TEST(ReaderLifecycle, StopEndsTheTicksAndAFreshStartBeginsAnew)
{
    Measurement m;
    ASSERT_TRUE(m.Start(QStringLiteral("farvo-xport441-pressure-io.json")));
    ASSERT_TRUE(m.rig.Control(QStringLiteral("set farvo.alarm.12 hi")));
    m.reader->StartReading();
    ASSERT_TRUE(WaitForCycles(m.view, 2));
    m.reader->StopReading();
    EXPECT_FALSE(m.reader->IsRunning());
    QTest::qWait(1500);
    EXPECT_EQ(m.view.Cycles, 2) << "no tick after stop";
    EXPECT_EQ(m.rig.Conn.GetQuantity(0).AlarmLatch, TLangQuan::lsPending);
    m.reader.reset();
    EXPECT_EQ(m.view.Events.last(), QStringLiteral("stopped"));

    // A new measurement: latches reset at start, histories start empty.
    TRecordingView second;
    TReaderSettings settings;
    settings.ChartPoints = 5;
    std::unique_ptr<TReaderCore> reader = CreateReader(m.rig.Conn, nullptr, settings);
    reader->AddView(&second);
    int addedAtFirstCycle = -1;
    second.OnCycle = [&] {
        if (second.Cycles == 1)
            addedAtFirstCycle = static_cast<int>(reader->History(0).Added());
    };
    reader->StartReading();
    EXPECT_EQ(m.rig.Conn.GetQuantity(0).AlarmLatch, TLangQuan::lsIdle);
    EXPECT_EQ(reader->History(0).Added(), 0u);
    ASSERT_TRUE(WaitForCycles(second, 1));
    EXPECT_EQ(addedAtFirstCycle, 1);
    EXPECT_EQ(second.Events.first(), QStringLiteral("added 0 Temperature"));
}

TEST(ReaderLifecycle, IntervalsAboveTenSecondsCloseTheMasterAfterEachTick)
{
    struct Case {
        const char *scenario;
        int interval;
        bool openAfterTick;
    };
    const Case cases[] = {
        {"farvo-xport441-pressure-io.json", 11, false},
        {"farvo-xport441-pressure-io.json", 10, true},
        {"gelmi-5ch-551.json", 11, false},
        {"dusko-two-named.json", 3600, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.scenario) + " " + std::to_string(c.interval));
        Measurement m;
        ASSERT_TRUE(m.Start(QString::fromLatin1(c.scenario), c.interval));
        std::vector<bool> open;
        m.view.OnCycle = [&] { open.push_back(m.rig.Conn.Modbus.IsOpen()); };
        m.reader->StartReading();
        ASSERT_TRUE(WaitForCycles(m.view, 1));
        EXPECT_EQ(m.reader->TickIntervalMs(), c.interval * 1000);
        // The next tick opens the master again and reads.
        m.reader->tReaderTimer();
        EXPECT_TRUE(m.reader->LastReadSucceeded());
        EXPECT_EQ(open, (std::vector<bool>{c.openAfterTick, c.openAfterTick}));
    }
}

TEST(ReaderLifecycle, ATickNeverRunsInsideAnother)
{
    // A view that keeps the event loop running inside the tick for longer than the interval:
    // the timer falls due meanwhile, and neither the busy guard (Farvo) nor the detached
    // handler (Gelmi, Dusko) lets a second tick start.
    for (const char *scenario :
         {"farvo-xport441-pressure-io.json", "gelmi-5ch-551.json", "dusko-two-named.json"}) {
        SCOPED_TRACE(scenario);
        Measurement m;
        ASSERT_TRUE(m.Start(QString::fromLatin1(scenario)));
        int depth = 0, deepest = 0;
        m.view.OnCycle = [&] {
            ++depth;
            deepest = std::max(deepest, depth);
            if (m.view.Cycles == 1)
                QTest::qWait(2500);
            --depth;
        };
        m.reader->StartReading();
        ASSERT_TRUE(WaitForCycles(m.view, 2));
        EXPECT_EQ(deepest, 1);
    }
}

TEST(ReaderLifecycle, FarvoSkipsTicksWhileTheRS232WaitRuns)
{
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    TSimConnection rig;
    ASSERT_TRUE(rig.Sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 19200, 1));
    qputenv("OMBRIX_COM_PORTS", ("7=" + pty.masterSide()).toLocal8Bit());
    TConnectionParams p;
    p.Protocol = TProtocol::RS232;
    p.ComPortNumber = 7;
    p.Speed = 19200;
    ASSERT_EQ(rig.Conn.Connect(p), TConnectOutcome::Connected) << rig.Conn.LastError.toStdString();
    // A closed master makes the next tick reopen it and wait 4 s for the transmitter, pumping
    // events; the 1 s timer falls due several times meanwhile.
    rig.Conn.Modbus.Close();
    ASSERT_TRUE(rig.Control(QStringLiteral("log clear")));

    // The view outlives the reader, which tells it the measurement ended when it goes.
    TRecordingView view;
    TFarvoReader reader(rig.Conn, nullptr);
    reader.AddView(&view);
    QStringList readsAtFirstCycle;
    bool guardedDuringCycle = false;
    view.OnCycle = [&] {
        if (view.Cycles == 1) {
            readsAtFirstCycle = rig.Sim.log();
            guardedDuringCycle = CSection.IsBusy();
        }
    };
    QElapsedTimer clock;
    clock.start();
    reader.StartReading();
    ASSERT_TRUE(WaitForCycles(view, 1, 30000));
    EXPECT_GE(clock.elapsed(), 4000);
    EXPECT_EQ(readsAtFirstCycle, QStringList{QStringLiteral("mb:1:03:0x0000:64")});
    EXPECT_TRUE(guardedDuringCycle);
    EXPECT_TRUE(reader.LastReadSucceeded());
    ASSERT_TRUE(WaitForCycles(view, 2));
}
