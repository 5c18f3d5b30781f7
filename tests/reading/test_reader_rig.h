#pragma once

// Shared by the reader tests: a view that records what the reader core tells it, a
// simulator with a connection pointed at it, and scenario variants written on the fly.

#include "QtPrinters.h"
#include "SimProcess.h"
#include "TestEnv.h"

#include "connection/uDeviceConnection.h"
#include "reading/uReaderCore.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <ostream>

// Records every call in order: "added 0 Temperature", "started", "cycle", "cycle paused",
// "quiet 1", "stopped".
class TRecordingView : public IReaderView
{
public:
    QStringList Events;
    int Cycles = 0;
    // Runs inside the tick, after the view has recorded the cycle.
    std::function<void()> OnCycle;

    void QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &) override
    {
        Events << QStringLiteral("added %1 %2").arg(row).arg(quantity.GetName());
    }
    void ReadingStarted() override { Events << QStringLiteral("started"); }
    void CycleFinished(bool paused) override
    {
        Events << (paused ? QStringLiteral("cycle paused") : QStringLiteral("cycle"));
        ++Cycles;
        if (OnCycle)
            OnCycle();
    }
    void QuietButtonChanged(bool visible) override
    {
        Events << QStringLiteral("quiet %1").arg(visible ? 1 : 0);
    }
    void ReadingStopped() override { Events << QStringLiteral("stopped"); }
    void CsvWriteFailed(const QString &reason) override { Events << QStringLiteral("csv failed: ") + reason; }
    void CsvWriteRecovered(qint64 recordsWritten) override
    {
        Events << QStringLiteral("csv recovered %1").arg(recordsWritten);
    }
};

// Waits, running the event loop, until the view has seen `cycles` ticks in all.
// A measurement that logs into folder/fileName every intervalSec seconds.
inline TReaderSettings LoggingSettings(const QString &folder, const QString &fileName, int intervalSec = 1,
                                       int chartPoints = 0)
{
    TReaderSettings settings;
    settings.IntervalSec = intervalSec;
    settings.ChartPoints = chartPoints;
    settings.LogToCsv = true;
    settings.CsvFolder = folder;
    settings.CsvFileName = fileName;
    return settings;
}

inline bool WaitForCycles(const TRecordingView &view, int cycles, int timeoutMs = 20000)
{
    return QTest::qWaitFor([&] { return view.Cycles >= cycles; }, timeoutMs);
}

// The shipped scenario `base` with `patch` merged into it (objects key by key), written into dir.
inline QString ScenarioVariantIn(const QTemporaryDir &dir, const QString &base, const QJsonObject &patch)
{
    std::function<QJsonObject(QJsonObject, const QJsonObject &)> merge = [&](QJsonObject into,
                                                                             const QJsonObject &p) {
        for (auto it = p.begin(); it != p.end(); ++it) {
            if (it.value().isObject() && into.value(it.key()).isObject())
                into[it.key()] = merge(into.value(it.key()).toObject(), it.value().toObject());
            else
                into[it.key()] = it.value();
        }
        return into;
    };
    QFile in(TestEnv::scenarioPath(base));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject scenario = merge(QJsonDocument::fromJson(in.readAll()).object(), patch);
    const QString out = dir.filePath(QFileInfo(base).completeBaseName() + QStringLiteral("-variant.json"));
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QJsonDocument(scenario).toJson());
    return out;
}

// A simulator on loopback and a connection that reaches it over Modbus/TCP and UDP.
struct TSimConnection {
    SimProcess Sim;
    TErrMessageList Errors;
    TDeviceConnection Conn{Errors};

    // Starts the simulator and connects with a short Modbus time-out, so ticks against
    // a silent device stay short.
    bool Start(const QString &scenario, int timeoutMs = 300)
    {
        if (!Sim.start(scenario))
            return false;
        Conn.XPortUdpPort = Sim.udpPort();
        TConnectionParams p;
        p.Protocol = TProtocol::Ethernet;
        p.IP = QStringLiteral("127.0.0.1");
        p.TcpPort = Sim.tcpPort();
        p.Timeout = static_cast<std::uint16_t>(timeoutMs);
        return Conn.Connect(p) == TConnectOutcome::Connected;
    }
    bool Control(const QString &command) { return Sim.control(command).startsWith(QStringLiteral("ok")); }
    // Requests of the main blocks since the last "log clear".
    int ReadsOf(const QString &entry)
    {
        int n = 0;
        for (const QString &e : Sim.log())
            n += e == entry ? 1 : 0;
        return n;
    }
};
