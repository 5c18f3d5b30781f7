#include "soak_rig.h"

#include "SimProcess.h"

#include "connection/uDeviceConnection.h"
#include "reading/uReaderCore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <time.h>
#include <unistd.h>

namespace Soak
{

QString FaultName(TFault fault)
{
    switch (fault) {
    case TFault::Offline:
        return QStringLiteral("offline");
    case TFault::Timeout:
        return QStringLiteral("timeout");
    case TFault::Delay:
        return QStringLiteral("late reply");
    case TFault::ShortReply:
        return QStringLiteral("short reply");
    case TFault::Exception:
        return QStringLiteral("exception");
    case TFault::Drop:
        return QStringLiteral("dropped connection");
    case TFault::FolderGone:
        return QStringLiteral("log folder gone");
    case TFault::Count:
        break;
    }
    return {};
}

const std::array<TDevicePlay, 3> &Devices()
{
    static const std::array<TDevicePlay, 3> devices = {{
        {QStringLiteral("farvo"), QStringLiteral("farvo-xport441-pressure-io.json"),
         QStringLiteral("set farvo.c1 %1"), false, 0},
        {QStringLiteral("gelmi"), QStringLiteral("gelmi-5ch-551.json"), QStringLiteral("set gelmi.c1 %1"),
         false, TDeviceConnection::GelmiFirstSlot},
        {QStringLiteral("dusko"), QStringLiteral("dusko-two-named.json"), QStringLiteral("set dusko.c1 %1"),
         true, TDeviceConnection::DuskoFirstSlot},
    }};
    return devices;
}

int OpenDescriptors()
{
    // The listing's own handle is open while it runs, at every count alike.
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                                .size());
}

qint64 ResidentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields[1].toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
}

QStringList TFigures::Report() const
{
    QStringList lines;
    auto add = [&](const char *name, const QString &value) {
        lines << QStringLiteral("%1 %2").arg(QString::fromLatin1(name), -34).arg(value);
    };
    add("ticks run", QString::number(TicksRun));
    add("ticks failed", QString::number(TicksFailed));
    add("ticks failed and recovered", QString::number(TicksFailedRecovered));
    add("failures with no fault in force", QString::number(UnexplainedFailures));
    add("good ticks with a stale value", QString::number(StaleReadings));
    add("longest outage recovered (ticks)", QString::number(LongestOutage));
    add("failed ticks after a fault ended", QStringLiteral("%1 ticks").arg(SlowestRecovery));
    QStringList faults;
    for (int k = 0; k < FaultKinds; ++k)
        faults << QStringLiteral("%1 %2")
                      .arg(FaultName(static_cast<TFault>(k)))
                      .arg(Faults[static_cast<std::size_t>(k)]);
    add("faults switched on", faults.join(QStringLiteral(", ")));
    add("CSV records written", QString::number(CsvRecords));
    add("CSV lines out of order/lost/extra", QString::number(CsvMismatches));
    if (!FirstMismatch.isEmpty())
        add("first CSV mismatch", FirstMismatch);
    add("most records held while away", QString::number(MostRecordsHeld));
    add("resident memory after warm-up", QStringLiteral("%1 kB").arg(RssWarmKb));
    add("resident memory at the end", QStringLiteral("%1 kB").arg(RssEndKb));
    add("resident memory growth", QStringLiteral("%1 kB").arg(RssGrowthKb()));
    add("CPU per tick (reader core)", QStringLiteral("%1 us").arg(CpuUsPerTick, 0, 'f', 1));
    add("wall time per tick (whole run)", QStringLiteral("%1 us").arg(WallUsPerTick, 0, 'f', 1));
    add("open descriptors after warm-up", QString::number(FdStart));
    add("open descriptors at the end", QString::number(FdEnd));
    if (!Completed)
        add("RUN NOT COMPLETED", Error);
    return lines;
}

namespace
{

double ProcessCpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double WallUs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// One control connection kept open for the whole run: thousands of commands would otherwise
// mean thousands of connections.
class TControlLine
{
public:
    bool Open(const QString &path)
    {
        m_socket.connectToServer(path);
        return m_socket.waitForConnected(5000);
    }
    // The reply line; empty when none came in time.
    QString Send(const QString &command)
    {
        m_socket.write(command.toUtf8() + '\n');
        if (!m_socket.waitForBytesWritten(5000))
            return {};
        for (int waits = 0; waits < 50 && !m_socket.canReadLine(); ++waits)
            m_socket.waitForReadyRead(100);
        if (!m_socket.canReadLine())
            return {};
        return QString::fromUtf8(m_socket.readLine()).trimmed();
    }

private:
    QLocalSocket m_socket;
};

// Reads the lines the log file gained since the last look and compares them with the lines
// expected, in order. A line still pending in memory is simply not there yet.
class TLogChecker
{
public:
    explicit TLogChecker(QString path) : m_path(std::move(path)) {}

    // The header lines compare whole; records from the third cell on, since the first two
    // are the wall-clock date and time of the write.
    void ExpectHeader(const QString &header)
    {
        for (const QString &line : header.split(QStringLiteral("\r\n")))
            m_expected.push_back({line, false});
    }
    void ExpectRecord(const QString &record) { m_expected.push_back({CellsAfterTime(record), true}); }

    // Compares what the file gained; false when the file is not there.
    bool Catch(TFigures &figures)
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        if (!file.seek(m_offset))
            return false;
        const QByteArray fresh = file.readAll();
        m_offset += fresh.size();
        m_partial += fresh;
        qsizetype end = 0;
        while ((end = m_partial.indexOf("\r\n")) >= 0) {
            QByteArray line = m_partial.left(end);
            m_partial.remove(0, end + 2);
            if (m_firstLine && line.startsWith("\xEF\xBB\xBF"))
                line.remove(0, 3);
            m_firstLine = false;
            Compare(QString::fromUtf8(line), figures);
        }
        return true;
    }
    std::size_t Waiting() const { return m_expected.size(); }
    bool PartialLineLeft() const { return !m_partial.isEmpty(); }

private:
    struct TLine {
        QString Text;
        bool Record;
    };

    static QString CellsAfterTime(const QString &record) { return record.section(QLatin1Char(';'), 2); }

    void Compare(const QString &line, TFigures &figures)
    {
        if (m_expected.empty()) {
            Mismatch(QStringLiteral("extra line: ") + line, figures);
            return;
        }
        const TLine expected = m_expected.front();
        m_expected.pop_front();
        const QString got = expected.Record ? CellsAfterTime(line) : line;
        if (expected.Record)
            ++figures.CsvRecords;
        if (got != expected.Text)
            Mismatch(QStringLiteral("expected [%1], got [%2]").arg(expected.Text, line), figures);
    }
    static void Mismatch(const QString &what, TFigures &figures)
    {
        if (figures.CsvMismatches++ == 0)
            figures.FirstMismatch = what;
    }

    QString m_path;
    qint64 m_offset = 0;
    QByteArray m_partial;
    bool m_firstLine = true;
    std::deque<TLine> m_expected;
};

// Hears each tick's end and takes the record the log is about to get.
class TTickView : public IReaderView
{
public:
    explicit TTickView(const TReaderCore &reader) : m_reader(reader) {}
    int Cycles = 0;
    QString LastRecord;

    void QuantityAdded(int, TLangQuan &, const TChartHistory &) override {}
    void ReadingStarted() override {}
    void CycleFinished(bool) override
    {
        ++Cycles;
        if (const TRecFile *rec = m_reader.RecFile())
            LastRecord = rec->BuildRecord(m_reader.LastReadSucceeded());
    }
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override {}

private:
    const TReaderCore &m_reader;
};

// The fault in force and when the schedule switches it off.
struct TActiveFault {
    TFault Kind = TFault::Count;
    // Windows: the first tick without it; counted faults: the first tick that must succeed.
    std::int64_t EndTick = 0;
    bool Counted = false; // counted faults end by themselves with the first good tick
    bool Active() const { return Kind != TFault::Count; }
};

class TRun
{
public:
    explicit TRun(const TOptions &options) : m_opt(options), m_random(options.Seed) {}

    TFigures Go()
    {
        if (!Setup())
            return m_fig;
        Loop();
        Finish();
        return m_fig;
    }

private:
    // The value channel 1 carries in a tick, in tenths: it differs from tick to tick, so a
    // reading left over from an earlier tick shows, and stays a valid reading of every family.
    static int CodeOf(std::int64_t tick) { return 100 + static_cast<int>(tick % 800); }
    QString SetChannel(std::int64_t tick) const
    {
        const int code = CodeOf(tick);
        return m_opt.Device.SetCommand.arg(m_opt.Device.FloatChannel ? QString::number(code / 10.0)
                                                                     : QString::number(code));
    }

    bool Fail(const QString &why)
    {
        m_fig.Error = why;
        return false;
    }

    bool Setup()
    {
        if (!m_dir.isValid() || !QDir(m_dir.path()).mkdir(QStringLiteral("csv")))
            return Fail(QStringLiteral("no temporary folder"));
        m_folder = m_dir.filePath(QStringLiteral("csv"));
        if (!m_sim.start(m_opt.Device.Scenario))
            return Fail(QStringLiteral("the simulator did not start: ") + m_sim.errorOutput());
        if (!m_control.Open(m_sim.controlPath()))
            return Fail(QStringLiteral("no control connection"));
        m_conn.XPortUdpPort = m_sim.udpPort();
        TConnectionParams p;
        p.Protocol = TProtocol::Ethernet;
        p.IP = QStringLiteral("127.0.0.1");
        p.TcpPort = m_sim.tcpPort();
        p.Timeout = static_cast<std::uint16_t>(m_opt.TimeoutMs);
        if (m_conn.Connect(p) != TConnectOutcome::Connected)
            return Fail(QStringLiteral("no connection: ") + m_conn.LastError);
        TReaderSettings settings;
        settings.IntervalSec = 1;
        settings.ChartPoints = 600;
        settings.LogToCsv = true;
        settings.CsvFolder = m_folder;
        settings.CsvFileName = QStringLiteral("soak.csv");
        m_reader = CreateReader(m_conn, nullptr, settings);
        if (!m_reader)
            return Fail(QStringLiteral("no reader for the device"));
        m_view = std::make_unique<TTickView>(*m_reader);
        m_reader->AddView(m_view.get());
        // The ticks are driven here, as fast as the device answers, not by the reader's timer.
        m_reader->StartReading();
        m_reader->StopReading();
        if (!m_reader->RecFile())
            return Fail(QStringLiteral("no record file"));
        m_log = std::make_unique<TLogChecker>(m_reader->RecFile()->FilePath());
        m_log->ExpectHeader(m_reader->RecFile()->BuildHeader());
        m_nextFault = Gap();
        return true;
    }

    std::int64_t Gap() { return std::uniform_int_distribution<int>(m_opt.MinGap, m_opt.MaxGap)(m_random); }
    int Draw(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    bool Command(const QString &command)
    {
        const QString reply = m_control.Send(command);
        if (reply.startsWith(QStringLiteral("ok")))
            return true;
        return Fail(QStringLiteral("control \"%1\" answered \"%2\"").arg(command, reply));
    }

    QString AwayPath() const { return m_folder + QStringLiteral(".away"); }

    bool SwitchOff(std::int64_t tick)
    {
        bool ok = true;
        switch (m_fault.Kind) {
        case TFault::Offline:
            ok = Command(QStringLiteral("offline off"));
            break;
        case TFault::Delay:
            ok = Command(QStringLiteral("fault delay off"));
            break;
        case TFault::FolderGone:
            if (!QDir().rename(AwayPath(), m_folder))
                ok = Fail(QStringLiteral("the log folder could not come back"));
            break;
        default:
            break;
        }
        m_fault = {};
        m_clearedAt = tick;
        return ok;
    }

    bool SwitchOn(std::int64_t tick)
    {
        const auto kind = static_cast<TFault>(Draw(0, FaultKinds - 1));
        ++m_fig.Faults[static_cast<std::size_t>(kind)];
        m_fault.Kind = kind;
        const int requests = Draw(1, 9);
        if (kind != TFault::Offline && kind != TFault::Delay && kind != TFault::FolderGone)
            m_fault.EndTick = tick + (requests + 2) / 3;
        bool ok = true;
        switch (kind) {
        case TFault::Offline:
            m_fault.EndTick = tick + Draw(1, 5);
            ok = Command(QStringLiteral("offline on"));
            break;
        case TFault::Delay:
            m_fault.EndTick = tick + Draw(1, 3);
            ok = Command(QStringLiteral("fault delay %1").arg(m_opt.TimeoutMs + 50));
            break;
        case TFault::FolderGone:
            m_fault.EndTick = tick + Draw(1, 30);
            if (!QDir().rename(m_folder, AwayPath()))
                ok = Fail(QStringLiteral("the log folder could not go away"));
            break;
        case TFault::Timeout:
            m_fault.Counted = true;
            ok = Command(QStringLiteral("fault timeout %1").arg(requests));
            break;
        case TFault::ShortReply:
            m_fault.Counted = true;
            ok = Command(QStringLiteral("fault crc %1").arg(requests));
            break;
        case TFault::Exception: {
            static constexpr int Codes[] = {1, 2, 3, 4, 6, 11, 0, 200, 255};
            m_fault.Counted = true;
            const int code = Codes[Draw(0, static_cast<int>(std::size(Codes)) - 1)];
            ok = Command(QStringLiteral("fault exception %1 %2").arg(code).arg(requests));
            break;
        }
        case TFault::Drop:
            m_fault.Counted = true;
            ok = Command(QStringLiteral("fault drop %1").arg(requests));
            break;
        case TFault::Count:
            break;
        }
        return ok;
    }

    // Faults start only while the healthy tail at the end is still ahead, so every one of them
    // has ended, and the folder is back, when the run finishes.
    bool Schedule(std::int64_t tick)
    {
        if (m_fault.Active() && !m_fault.Counted && tick >= m_fault.EndTick && !SwitchOff(tick))
            return false;
        const std::int64_t tail = std::min<std::int64_t>(40, m_opt.Ticks / 10);
        if (!m_fault.Active() && tick >= m_nextFault && tick < m_opt.Ticks - tail) {
            m_nextFault = tick + Gap();
            return SwitchOn(tick);
        }
        return true;
    }

    void Judge(std::int64_t tick, bool ok)
    {
        if (!ok) {
            ++m_fig.TicksFailed;
            ++m_outage;
            // A counted fault spoils at most one request of each of a tick's three attempts.
            const bool countedOverdue = m_fault.Counted && tick >= m_fault.EndTick;
            if (countedOverdue)
                m_fig.SlowestRecovery =
                    std::max(m_fig.SlowestRecovery, static_cast<int>(tick - m_fault.EndTick) + 1);
            const bool readFault = m_fault.Active() && m_fault.Kind != TFault::FolderGone;
            if (!readFault) {
                if (m_clearedAt < 0)
                    ++m_fig.UnexplainedFailures;
                else
                    m_fig.SlowestRecovery =
                        std::max(m_fig.SlowestRecovery, static_cast<int>(tick - m_clearedAt) + 1);
            }
            return;
        }
        m_fig.TicksFailedRecovered += m_outage;
        m_fig.LongestOutage = std::max(m_fig.LongestOutage, m_outage);
        m_outage = 0;
        m_clearedAt = -1;
        if (m_fault.Counted) {
            m_fault = {};
        }
        // A float channel carries the nearest single float.
        const double expected = CodeOf(tick) / 10.0;
        if (std::abs(m_conn.GetQuantity(m_opt.Device.Slot).Value - expected) > 1e-4)
            ++m_fig.StaleReadings;
    }

    void Loop()
    {
        const double wallStart = WallUs();
        double cpu = 0;
        for (std::int64_t tick = 0; tick < m_opt.Ticks; ++tick) {
            if (!Schedule(tick) || !Command(SetChannel(tick)))
                return;
            const double before = ProcessCpuUs();
            m_reader->tReaderTimer();
            cpu += ProcessCpuUs() - before;
            QCoreApplication::processEvents();
            if (m_view->Cycles != tick + 1) {
                Fail(QStringLiteral("tick %1 did not finish its cycle").arg(tick));
                return;
            }
            Judge(tick, m_reader->LastReadSucceeded());
            m_log->ExpectRecord(m_view->LastRecord);
            m_fig.MostRecordsHeld =
                std::max(m_fig.MostRecordsHeld, static_cast<int>(m_reader->RecFile()->PendingCount()));
            if (m_fault.Kind != TFault::FolderGone)
                m_log->Catch(m_fig);
            m_fig.TicksRun = tick + 1;
            if (tick + 1 == m_opt.WarmupTicks)
                TakeBaseline();
            if (m_opt.Progress && m_opt.ProgressEvery > 0 && (tick + 1) % m_opt.ProgressEvery == 0)
                m_opt.Progress(tick + 1);
        }
        m_fig.CpuUsPerTick = m_fig.TicksRun > 0 ? cpu / static_cast<double>(m_fig.TicksRun) : 0;
        m_fig.WallUsPerTick =
            m_fig.TicksRun > 0 ? (WallUs() - wallStart) / static_cast<double>(m_fig.TicksRun) : 0;
        m_fig.Completed = true;
    }

    void TakeBaseline()
    {
        m_fig.RssWarmKb = ResidentKb();
        m_fig.FdStart = OpenDescriptors();
    }

    void Finish()
    {
        if (m_fig.TicksRun < m_opt.WarmupTicks)
            TakeBaseline();
        m_fig.RssEndKb = ResidentKb();
        m_fig.FdEnd = OpenDescriptors();
        // The reader writes whatever it still holds when it goes; then the file must hold
        // exactly the lines expected, none left over on either side.
        m_reader.reset();
        if (m_fault.Kind == TFault::FolderGone)
            QDir().rename(AwayPath(), m_folder);
        m_log->Catch(m_fig);
        if (m_log->Waiting() > 0) {
            if (m_fig.CsvMismatches == 0)
                m_fig.FirstMismatch = QStringLiteral("%1 lines missing at the end").arg(m_log->Waiting());
            m_fig.CsvMismatches += static_cast<std::int64_t>(m_log->Waiting());
        }
        if (m_log->PartialLineLeft())
            ++m_fig.CsvMismatches;
    }

    TOptions m_opt;
    std::mt19937 m_random;
    TFigures m_fig;
    QTemporaryDir m_dir;
    QString m_folder;
    SimProcess m_sim;
    TControlLine m_control;
    TErrMessageList m_errors;
    TDeviceConnection m_conn{m_errors};
    std::unique_ptr<TTickView> m_view; // outlives the reader, which tells it when it goes
    std::unique_ptr<TReaderCore> m_reader;
    std::unique_ptr<TLogChecker> m_log;
    TActiveFault m_fault;
    std::int64_t m_nextFault = 0;
    std::int64_t m_clearedAt = -1; // the tick a fault was switched off, until a good tick
    int m_outage = 0;
};

} // namespace

TFigures Run(const TOptions &options)
{
    TRun run(options);
    return run.Go();
}

QStringList MissedGoals(const TFigures &figures, const TOptions &options, bool checkMemory)
{
    QStringList missed;
    auto need = [&](bool met, const QString &what) {
        if (!met)
            missed << what;
    };
    need(figures.Completed, QStringLiteral("the run stopped early: ") + figures.Error);
    need(figures.TicksRun == options.Ticks, QStringLiteral("not every tick ran"));
    need(figures.UnexplainedFailures == 0, QStringLiteral("ticks failed with no fault in force"));
    need(figures.StaleReadings == 0, QStringLiteral("good ticks showed a value of an earlier tick"));
    need(figures.SlowestRecovery == 0, QStringLiteral("the first tick after a fault ended failed"));
    need(figures.CsvRecords == figures.TicksRun, QStringLiteral("CSV records differ from the ticks run"));
    need(figures.CsvMismatches == 0,
         QStringLiteral("CSV lines out of order, lost or extra: ") + figures.FirstMismatch);
    need(figures.FdEnd == figures.FdStart, QStringLiteral("open descriptors changed"));
    if (checkMemory)
        need(figures.RssGrowthKb() < 1024, QStringLiteral("resident memory grew by 1 MB or more"));
    return missed;
}

} // namespace Soak
