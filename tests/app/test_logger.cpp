// ombrix-logger run as a process against the simulator: the lines it prints, the CSV it
// leaves, how it ends, and a device that goes away for a while.
#include "CsvFile.h"
#include "OmbrixVersion.h"
#include "PtyPair.h"
#include "SimProcess.h"
#include "TestEnv.h"

#include "base/uApplicationSpecifical.h"
#include "base/uSettingsStore.h"
#include "model/uOBGlob.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

// A logger process whose standard output is read line by line while it runs.
class LoggerProcess
{
public:
    // childSetup runs in the child before the logger starts (limits, signal dispositions).
    LoggerProcess(const QStringList &args, const QStringList &env, std::function<void()> childSetup = {})
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const QString &kv : env)
            e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        m_proc.setProcessEnvironment(e);
        if (childSetup)
            m_proc.setChildProcessModifier(childSetup);
        m_proc.start(QStringLiteral(OMBRIX_LOGGER_PATH), args);
    }
    ~LoggerProcess()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(3000);
        }
    }

    // Waits (bounded) until the lines read so far satisfy done; true when they do.
    bool WaitFor(const std::function<bool(const QStringList &)> &done, int timeoutMs = 30000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!done(Lines)) {
            if (deadline.hasExpired() || m_proc.state() == QProcess::NotRunning)
                return false;
            m_proc.waitForReadyRead(200);
            TakeLines();
        }
        return true;
    }
    bool WaitForLines(int n)
    {
        return WaitFor([n](const QStringList &l) { return l.size() >= n; });
    }

    // Waits (bounded) until standard error so far contains text.
    bool WaitForErr(const QString &text, int timeoutMs = 30000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            m_proc.waitForReadyRead(200);
            TakeLines();
            if (Err.contains(text))
                return true;
            if (deadline.hasExpired() || m_proc.state() == QProcess::NotRunning)
                return false;
        }
    }
    // The reader goes away, as `| head` does.
    void CloseOutput() { m_proc.closeReadChannel(QProcess::StandardOutput); }
    bool Running() const { return m_proc.state() != QProcess::NotRunning; }

    qint64 ProcessId() const { return m_proc.processId(); }
    void Signal(int signalNumber) { ::kill(static_cast<pid_t>(m_proc.processId()), signalNumber); }

    // Waits for the end; the exit code, -1 for a crash or no end within the time.
    int Finish(int timeoutMs = 30000)
    {
        if (!m_proc.waitForFinished(timeoutMs))
            return -1;
        TakeLines();
        return m_proc.exitStatus() == QProcess::NormalExit ? m_proc.exitCode() : -1;
    }

    QStringList Lines;
    QString Err;

private:
    void TakeLines()
    {
        Err += QString::fromUtf8(m_proc.readAllStandardError());
        m_pending += m_proc.readAllStandardOutput();
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            Lines << QString::fromUtf8(m_pending.left(end));
            m_pending.remove(0, end + 1);
        }
    }

    QProcess m_proc;
    QByteArray m_pending;
};

struct LoggerRun {
    int exitCode = -1;
    QStringList lines;
    QString err;
};

LoggerRun RunLogger(const QStringList &args, const QStringList &env = {})
{
    LoggerProcess p(args, env);
    LoggerRun r;
    r.exitCode = p.Finish();
    r.lines = p.Lines;
    r.err = p.Err;
    return r;
}

QStringList EthernetArgs(const SimProcess &sim)
{
    return {QStringLiteral("-type"),     QStringLiteral("Ethernet"), QStringLiteral("-ip"),
            QStringLiteral("127.0.0.1"), QStringLiteral("-tcpport"), QString::number(sim.tcpPort())};
}

QJsonObject Json(const QString &line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// "slot value_text read_ok code state" of every slot of a JSON line, e.g. "3 1013.2 1 lo 1"; the value
// text of a reading that is not valid is left out ("-").
QStringList SlotStates(const QJsonObject &tick)
{
    QStringList states;
    for (const QJsonValue &v : tick[QStringLiteral("slots")].toArray()) {
        const QJsonObject s = v.toObject();
        const bool ok = s[QStringLiteral("read_ok")].toBool();
        states << QStringLiteral("%1 %2 %3 %4 %5")
                      .arg(s[QStringLiteral("slot")].toInt())
                      .arg(ok ? s[QStringLiteral("value_text")].toString() : QStringLiteral("-"))
                      .arg(ok ? 1 : 0)
                      .arg(s[QStringLiteral("device_alarm_code")].toString())
                      .arg(s[QStringLiteral("alarm_state")].toInt());
    }
    return states;
}

QByteArray RawFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

qsizetype CountEnding(const QStringList &lines, const QString &ending)
{
    return std::count_if(lines.begin(), lines.end(), [&](const QString &l) { return l.endsWith(ending); });
}

// The user alarm limits of one slot, stored where the program keeps them under configHome.
void StoreUserLimits(const QString &configHome, int slot, double low, double high)
{
    const QString file = configHome + QStringLiteral("/TalmoLoggers/Ombrix.ini");
    ASSERT_TRUE(QDir().mkpath(configHome + QStringLiteral("/TalmoLoggers")));
    TSettingsStore store(file, false);
    TLangQuan limits;
    limits.LimitsEnabled = true;
    limits.LoLim = low;
    limits.HiLim = high;
    SaveUserAlarmSlot(store, slot, limits);
    ASSERT_TRUE(store.Sync());
}

const QRegularExpression
    IsoTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));

struct FamilyCase {
    const char *name;
    const char *scenario;
    bool rs485;
    int limitSlot; // -1: no user limits
    double low, high;
    QStringList controls;
    QStringList expected; // SlotStates of every tick
    const char *titleLine;
};

void RunFamily(const FamilyCase &c)
{
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (c.limitSlot >= 0)
        StoreUserLimits(dir.path(), c.limitSlot, c.low, c.high);

    SimProcess sim;
    PtyPair pty;
    QStringList args;
    QStringList env{QStringLiteral("XDG_CONFIG_HOME=") + dir.path()};
    if (c.rs485) {
        ASSERT_TRUE(pty.open());
        ASSERT_TRUE(sim.startRtu(QString::fromLatin1(c.scenario), pty.deviceSide(), 19200, 5));
        args = QStringList{QStringLiteral("-type"),    QStringLiteral("RS485"),  QStringLiteral("-port"),
                           QStringLiteral("7"),        QStringLiteral("-speed"), QStringLiteral("19200"),
                           QStringLiteral("-address"), QStringLiteral("5")};
        env << QStringLiteral("OMBRIX_COM_PORTS=7=") + pty.masterSide();
    } else {
        ASSERT_TRUE(sim.start(QString::fromLatin1(c.scenario)));
        args = EthernetArgs(sim);
        env << QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort());
    }
    for (const QString &command : c.controls)
        ASSERT_TRUE(sim.control(command).startsWith(QStringLiteral("ok"))) << command.toStdString();

    const QString csv = dir.filePath(QStringLiteral("log.csv"));
    const LoggerRun r = RunLogger(args << QStringLiteral("-count") << QStringLiteral("2")
                                       << QStringLiteral("--json") << QStringLiteral("-csv") << csv,
                                  env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 2) << r.lines.join('\n').toStdString();
    for (const QString &line : r.lines) {
        const QJsonObject tick = Json(line);
        EXPECT_TRUE(IsoTime.match(tick[QStringLiteral("time")].toString()).hasMatch()) << line.toStdString();
        EXPECT_TRUE(tick[QStringLiteral("read_ok")].toBool());
        EXPECT_EQ(tick[QStringLiteral("paused")], QJsonValue(false));
        EXPECT_EQ(SlotStates(tick).join(QLatin1Char(',')).toStdString(),
                  c.expected.join(QLatin1Char(',')).toStdString());
    }

    const QStringList lines = CsvFile::Lines(csv);
    ASSERT_EQ(lines.size(), 6) << lines.join('\n').toStdString();
    EXPECT_TRUE(RawFile(csv).startsWith("\xEF\xBB\xBF")) << "a new file starts with the byte-order mark";
    EXPECT_EQ(lines[3], QString::fromUtf8(c.titleLine));
    EXPECT_EQ(CountEnding(lines, QStringLiteral(";\"\"")), 2) << "two good records";
}

} // namespace

TEST(LoggerFamilies, JsonLinesAndCsvOfEachFamily)
{
    const FamilyCase cases[] = {
        {"Farvo on Ethernet with the 28-word alarm block",
         "farvo-xport441-pressure-io.json",
         false,
         -1,
         0,
         0,
         {"set farvo.c1 215", "set farvo.c2 -9999", "set farvo.c3 98", "set farvo.c4 10132",
          "set farvo.status 0x0048", "set farvo.alarm.12 hi", "set farvo.alarm.18 lo"},
         {"0 21.5 1 hi 2", "1 - 0 no 0", "2 9.8 1 no 0", "3 1013.2 1 lo 1", "5 open 1 no 0",
          "6 closed 1 no 0", "7 closed 1 no 0", "11 closed 1 no 0", "12 open 1 no 0"},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature (°C)\";\"Relative humidity (%)\";\"Dew point "
         "(°C)\";\"Atmospheric pressure (hPa)\";\"Binary input 1\";\"Binary input 2\";\"Binary input "
         "3\";\"Relay output 1\";\"Relay output 2\""},
        {"Farvo on RS485 at slave 5, temperature under the stored user limits",
         "farvo-th-dewpoint-rs485.json",
         true,
         0,
         -10.0,
         30.0,
         {"set farvo.c1 -123", "set farvo.c2 456", "set farvo.c3 -150"},
         {"0 -12.3 1 no 1", "1 45.6 1 no 0", "2 -15.0 1 no 0"},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature (°C)\";\"Relative humidity (%)\";\"Dew point "
         "(°C)\""},
        {"Gelmi, five channels",
         "gelmi-5ch-551.json",
         false,
         -1,
         0,
         0,
         {"set gelmi.c1 253", "set gelmi.c2 11000", "set gelmi.alarm.2 lo", "set gelmi.c3 200",
          "set gelmi.c4 700", "set gelmi.c5 -11003"},
         {"13 25.3 1 no 0", "14 - 0 lo 1", "15 20.0 1 no 0", "16 70.0 1 no 0", "17 - 0 hi 2"},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature 1 (°C)\";\"Relative humidity 2 "
         "(%)\";\"Temperature 3 "
         "(°C)\";\"Temperature 4 (°F)\";\"Temperature 5 (°C)\""},
        {"Gelmi, four channels",
         "gelmi-530-4ch-fahrenheit.json",
         false,
         -1,
         0,
         0,
         {"set gelmi.c1 9999", "set gelmi.c2 701", "set gelmi.c3 725", "set gelmi.c4 712"},
         {"13 - 0 no 0", "14 70.1 1 no 0", "15 72.5 1 no 0", "16 71.2 1 lo 1"},
         "\"Local PC Date\";\"Local PC Time\";\"Temperature 1 (°F)\";\"Temperature 2 (°F)\";\"Temperature 3 "
         "(°F)\";\"Temperature 4 (°F)\""},
        {"Dusko",
         "dusko-two-named.json",
         false,
         -1,
         0,
         0,
         {"set dusko.c1 0x41AACCCC", "set dusko.c2 0x7F800000", "set dusko.alarm.1 hi"},
         {"18 21.3 1 hi 2", "19 - 0 no 0"},
         "\"Local PC Date\";\"Local PC Time\";\"Duct temperature (°C)\";\"Diff. pressure (Pa)\""},
    };
    for (const FamilyCase &c : cases)
        RunFamily(c);
}

TEST(LoggerOutput, JsonSlotFieldsAndTextLine)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("gelmi-5ch-551.json")));
    for (const char *command : {"set gelmi.c1 253", "set gelmi.c2 11000", "set gelmi.alarm.1 hi"})
        ASSERT_TRUE(sim.control(QString::fromLatin1(command)).startsWith(QStringLiteral("ok")));
    const QStringList env{QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())};

    LoggerRun r = RunLogger(EthernetArgs(sim) << QStringLiteral("-count") << QStringLiteral("1")
                                              << QStringLiteral("--json"),
                            env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 1);
    const QJsonArray slots = Json(r.lines[0])[QStringLiteral("slots")].toArray();
    ASSERT_EQ(slots.size(), 5);
    const auto text = [](const QJsonObject &o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); };
    EXPECT_EQ(text(slots[0].toObject()), text(QJsonObject{{"slot", 13},
                                                          {"name", "Temperature 1"},
                                                          {"unit_symbol", "°C"},
                                                          {"value", 25.3},
                                                          {"value_text", "25.3"},
                                                          {"read_ok", true},
                                                          {"error_text", ""},
                                                          {"device_alarm_code", "hi"},
                                                          {"alarm_state", 2},
                                                          {"alarm_mode", 0}}));
    const QJsonObject bad = slots[1].toObject();
    EXPECT_TRUE(bad[QStringLiteral("value")].isNull()) << "a reading that is not valid has no number";
    EXPECT_EQ(bad[QStringLiteral("error_text")].toString(), QStringLiteral("N/A"));
    EXPECT_FALSE(bad[QStringLiteral("read_ok")].toBool());

    r = RunLogger(EthernetArgs(sim) << QStringLiteral("-count") << QStringLiteral("1"), env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 1);
    const QStringList parts = r.lines[0].split(QStringLiteral(" | "));
    ASSERT_EQ(parts.size(), 6) << r.lines[0].toStdString();
    EXPECT_TRUE(IsoTime.match(parts[0]).hasMatch()) << parts[0].toStdString();
    EXPECT_EQ(parts[1], QStringLiteral("Temperature 1 25.3 °C !HIGH"));
    EXPECT_EQ(parts[2], QStringLiteral("Relative humidity 2 N/A %"));
}

TEST(LoggerRun, TerminationSignalEndsAfterTheTickWithEveryRecordOnDisk)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    for (int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("run.csv"));
        LoggerProcess p(EthernetArgs(sim) << QStringLiteral("--json") << QStringLiteral("-csv") << csv,
                        {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
        ASSERT_TRUE(p.WaitForLines(3));
        p.Signal(signalNumber);
        ASSERT_EQ(p.Finish(), 0) << p.Err.toStdString();
        const QStringList lines = CsvFile::Lines(csv);
        // Every tick that was printed, and none other, left its record.
        EXPECT_EQ(lines.size(), 4 + p.Lines.size()) << lines.join('\n').toStdString();
        EXPECT_EQ(CountEnding(lines, QStringLiteral(";\"\"")), p.Lines.size());
    }
}

TEST(LoggerRun, TerminationSignalCutsAReadThatWaitsForItsTimeOutShort)
{
    // The device falls silent and the logger waits up to 20 s for its reply: the signal must
    // not wait with it. The bound is loose on purpose; waiting out the time-out takes 20 s.
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("silent.csv"));
    LoggerProcess p(EthernetArgs(sim) << QStringLiteral("-timeout") << QStringLiteral("20000")
                                      << QStringLiteral("--json") << QStringLiteral("-csv") << csv,
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
    ASSERT_TRUE(p.WaitForLines(2));
    ASSERT_TRUE(sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    // Past the next tick's start, so its request is out and unanswered.
    QThread::msleep(2500);
    QElapsedTimer took;
    took.start();
    p.Signal(SIGTERM);
    ASSERT_EQ(p.Finish(15000), 0) << p.Err.toStdString();
    EXPECT_LT(took.elapsed(), 5000);
    const QStringList lines = CsvFile::Lines(csv);
    EXPECT_EQ(lines.size(), 4 + p.Lines.size()) << "every printed tick reached the file";
    EXPECT_EQ(CountEnding(lines, QStringLiteral(";\"Read error\"")), 0)
        << "the cut-short tick is no device failure";
}

// Whether the process has the serial device open.
bool HasOpen(qint64 pid, const QString &device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString &fd : QDir(fdDir).entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        if (QFileInfo(fdDir + QLatin1Char('/') + fd).symLinkTarget() == target)
            return true;
    }
    return false;
}

TEST(LoggerRun, SignalDuringTheSerialWaitEndsAtOnce)
{
    // Above 10 s the line is closed after every tick, so the next tick opens it again and waits
    // 4 s for the RS232 transmitter, then reads a device that has fallen silent (three attempts
    // of 1 s): the signal arrives in that wait and ends the wait and the reads that would follow.
    PtyPair pty;
    ASSERT_TRUE(pty.open());
    SimProcess sim;
    ASSERT_TRUE(sim.startRtu(QStringLiteral("farvo-th-dewpoint-rs485.json"), pty.deviceSide(), 9600, 1));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("rs232.csv"));
    LoggerProcess p({QStringLiteral("-type"), QStringLiteral("RS232"), QStringLiteral("-port"),
                     QStringLiteral("7"), QStringLiteral("-interval"), QStringLiteral("11"),
                     QStringLiteral("--json"), QStringLiteral("-csv"), csv},
                    {QStringLiteral("OMBRIX_COM_PORTS=7=") + pty.masterSide()});
    ASSERT_TRUE(p.WaitForLines(1));
    ASSERT_TRUE(sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    const qint64 pid = p.ProcessId();
    const QDeadlineTimer closed(10000);
    while (HasOpen(pid, pty.masterSide()) && !closed.hasExpired())
        QThread::msleep(50);
    ASSERT_FALSE(HasOpen(pid, pty.masterSide())) << "the line is closed between ticks";
    const QDeadlineTimer reopened(30000);
    while (!HasOpen(pid, pty.masterSide()) && !reopened.hasExpired())
        QThread::msleep(50);
    ASSERT_TRUE(HasOpen(pid, pty.masterSide())) << "the second tick opened the line";
    QElapsedTimer took;
    took.start();
    p.Signal(SIGTERM);
    ASSERT_EQ(p.Finish(), 0) << p.Err.toStdString();
    // Finishing that tick takes 7 s: 4 s of waiting and three unanswered requests.
    EXPECT_LT(took.elapsed(), 5000);
    ASSERT_EQ(p.Lines.size(), 1) << "the cut-short tick is not reported as a reading";
    EXPECT_EQ(CountEnding(CsvFile::Lines(csv), QStringLiteral(";\"\"")), 1);
}

TEST(LoggerRun, ExistingCsvIsContinuedOnlyWithAppend)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("dusko-two-named.json")));
    const QStringList env{QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())};
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("dusko.csv"));
    const QStringList once = EthernetArgs(sim) << QStringLiteral("-count") << QStringLiteral("1")
                                               << QStringLiteral("-csv") << csv;

    ASSERT_EQ(RunLogger(once, env).exitCode, 0);
    const QStringList first = CsvFile::Lines(csv);
    ASSERT_EQ(first.size(), 5);

    ASSERT_TRUE(sim.control(QStringLiteral("log clear")).startsWith(QStringLiteral("ok")));
    const LoggerRun refused = RunLogger(once, env);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("-append"))) << refused.err.toStdString();
    EXPECT_TRUE(refused.lines.isEmpty());
    EXPECT_EQ(CsvFile::Lines(csv), first) << "the file is left as it was";
    EXPECT_TRUE(sim.log().isEmpty()) << "refused before the device is asked anything";

    ASSERT_EQ(RunLogger(QStringList(once) << QStringLiteral("-append"), env).exitCode, 0);
    const QStringList continued = CsvFile::Lines(csv);
    ASSERT_EQ(continued.size(), 10) << continued.join('\n').toStdString();
    EXPECT_EQ(continued.mid(0, 5), first);
    EXPECT_EQ(continued[5], QStringLiteral("\"Sensor type\";\"Serial number\""))
        << "a second header without a second byte-order mark";
    EXPECT_EQ(RawFile(csv).count("\xEF\xBB\xBF"), 1);
    EXPECT_EQ(continued[8], first[3]);
}

namespace
{

// The child may write files of `room` bytes only: a write across stops there and fails (EFBIG,
// with SIGXFSZ ignored instead of ending the process), as on a full disk.
std::function<void()> FileSizeLimit(rlim_t room)
{
    return [room] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = room;
        setrlimit(RLIMIT_FSIZE, &limit);
    };
}

constexpr rlim_t NoRoom = 10; // less than any header block

} // namespace

TEST(LoggerRecords, RecordsWithoutRoomWaitAndReachTheFileWhenThereIsRoomAgain)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("full.csv"));
    LoggerProcess p(EthernetArgs(sim) << QStringLiteral("-csv") << csv,
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())}, FileSizeLimit(NoRoom));
    ASSERT_TRUE(p.WaitForErr(QStringLiteral("cannot be written"))) << p.Err.toStdString();
    EXPECT_TRUE(p.Err.contains(QStringLiteral("File too large")))
        << "with the reason: " << p.Err.toStdString();
    ASSERT_TRUE(p.WaitForLines(3));
    EXPECT_EQ(p.Err.count(QStringLiteral("cannot be written")), 1) << "said once, not every tick";
    EXPECT_EQ(RawFile(csv).size(), 0) << "no fragment is left in the file";

    rlimit room{};
    getrlimit(RLIMIT_FSIZE, &room);
    room.rlim_cur = room.rlim_max;
    ASSERT_EQ(prlimit(static_cast<pid_t>(p.ProcessId()), RLIMIT_FSIZE, &room, nullptr), 0);
    ASSERT_TRUE(p.WaitForErr(QStringLiteral("is written again"))) << p.Err.toStdString();
    p.Signal(SIGTERM);
    ASSERT_EQ(p.Finish(), 0) << p.Err.toStdString();
    const QStringList lines = CsvFile::Lines(csv);
    EXPECT_EQ(lines.size(), 4 + p.Lines.size())
        << "every printed tick, once: " << lines.join('\n').toStdString();
    EXPECT_EQ(CountEnding(lines, QStringLiteral(";\"\"")), p.Lines.size());
}

TEST(LoggerRecords, RecordsStillWaitingAtTheEndMakeTheExitStatusOne)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("full.csv"));
    LoggerProcess p(EthernetArgs(sim)
                        << QStringLiteral("-count") << QStringLiteral("3") << QStringLiteral("-csv") << csv,
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())}, FileSizeLimit(NoRoom));
    EXPECT_EQ(p.Finish(), 1) << p.Err.toStdString();
    EXPECT_EQ(p.Lines.size(), 3);
    EXPECT_TRUE(p.Err.contains(QStringLiteral("3 records could not be written"))) << p.Err.toStdString();
}

TEST(LoggerUsage, ALogThatCannotBeWrittenIsRefusedAtStart)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    QStringList paths{QStringLiteral("/proc/ombrix-logger-test.csv")}; // a folder that takes no files
    if (::geteuid() != 0) // root writes into a read-only folder anyway
        paths << locked + QStringLiteral("/log.csv");
    for (const QString &path : paths) {
        SCOPED_TRACE(path.toStdString());
        const LoggerRun r = RunLogger(EthernetArgs(sim) << QStringLiteral("-count") << QStringLiteral("1")
                                                        << QStringLiteral("-csv") << path,
                                      {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
        EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("cannot write \"%1\": ").arg(path))) << r.err.toStdString();
        EXPECT_TRUE(r.lines.isEmpty());
    }
}

TEST(LoggerRun, SigHupReopensTheRotatedLogWithItsHeader)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("run.csv"));
    const QString rotated = csv + QStringLiteral(".1");
    LoggerProcess p(EthernetArgs(sim) << QStringLiteral("-csv") << csv,
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
    ASSERT_TRUE(p.WaitForLines(2));
    ASSERT_TRUE(QFile::rename(csv, rotated));
    p.Signal(SIGHUP);
    const int printed = static_cast<int>(p.Lines.size());
    ASSERT_TRUE(p.WaitForLines(printed + 2)) << "SIGHUP does not end the run: " << p.Err.toStdString();
    p.Signal(SIGTERM);
    ASSERT_EQ(p.Finish(), 0) << p.Err.toStdString();

    const QStringList before = CsvFile::Lines(rotated);
    const QStringList after = CsvFile::Lines(csv);
    ASSERT_GE(after.size(), 5) << after.join('\n').toStdString();
    EXPECT_TRUE(RawFile(csv).startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(after.mid(0, 4), before.mid(0, 4)) << "the new file starts with the header block";
    EXPECT_EQ(CountEnding(before, QStringLiteral(";\"\"")) + CountEnding(after, QStringLiteral(";\"\"")),
              p.Lines.size());
}

TEST(LoggerRun, AClosedStandardOutputEndsThePrintingNotTheLogging)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("run.csv"));
    LoggerProcess p(EthernetArgs(sim) << QStringLiteral("-csv") << csv,
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
    ASSERT_TRUE(p.WaitForLines(2));
    p.CloseOutput(); // as `| head -2` does
    const qsizetype printed = p.Lines.size();
    const QDeadlineTimer deadline(30000);
    while (p.Running() && !deadline.hasExpired() &&
           CountEnding(CsvFile::Lines(csv), QStringLiteral(";\"\"")) < printed + 3)
        QThread::msleep(100);
    ASSERT_TRUE(p.Running()) << "the logger lives on";
    EXPECT_GE(CountEnding(CsvFile::Lines(csv), QStringLiteral(";\"\"")), printed + 3) << "and keeps logging";
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Finish(), 0) << p.Err.toStdString();
}

TEST(LoggerRun, DeviceTextsKeepToTheirCellsAndLinesAndNeverReachTheTerminalRaw)
{
    // Channel names with quotes, separators, line breaks and a terminal escape.
    SimProcess sim;
    ASSERT_TRUE(
        sim.start(TestEnv::sourceDir() + QStringLiteral("/tests/app/scenarios/dusko-hostile-texts.json")));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("hostile.csv"));
    LoggerProcess p(EthernetArgs(sim)
                        << QStringLiteral("-count") << QStringLiteral("1") << QStringLiteral("-csv") << csv,
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
    ASSERT_EQ(p.Finish(), 0) << p.Err.toStdString();

    ASSERT_EQ(p.Lines.size(), 1) << p.Lines.join(QLatin1Char('\n')).toStdString();
    const QString &line = p.Lines[0];
    EXPECT_TRUE(line.contains(QStringLiteral(" | a\";\"=1+1\";\"\\x0d\\x0aX -3.5 u\"\\x0a; | ")))
        << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("-Level\\x1b[2J 12 m"))) << line.toStdString();
    EXPECT_FALSE(line.contains(QChar(0x1b)) || line.contains(QLatin1Char('\r')));

    const QStringList lines = CsvFile::Lines(csv);
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[3],
              QStringLiteral("\"Local PC Date\";\"Local PC Time\";\"a\"\";\"\"=1+1\"\";\"\"  X (u\"\" ;)\";"
                             "\"'-Level [2J (m)\""));
    // The value below zero stays a number; the record has one cell per title and the note.
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral(";\"-3.5\";\"12\";\"\""))) << lines[4].toStdString();
}

TEST(LoggerRun, DeviceThatGoesAwayAndReturnsNeedsNothing)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-pressure-io.json")));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("away.csv"));
    LoggerProcess p(EthernetArgs(sim) << QStringLiteral("-timeout") << QStringLiteral("300")
                                      << QStringLiteral("--json") << QStringLiteral("-csv") << csv,
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
    const auto readOk = [](const QString &line) { return Json(line)[QStringLiteral("read_ok")].toBool(); };
    const auto trailing = [](bool ok, int n, const auto &isOk) {
        return [=](const QStringList &lines) {
            return lines.size() >= n &&
                   std::all_of(lines.end() - n, lines.end(), [&](const QString &l) { return isOk(l) == ok; });
        };
    };

    ASSERT_TRUE(p.WaitFor(trailing(true, 2, readOk)));
    ASSERT_TRUE(sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(p.WaitFor(trailing(false, 2, readOk)));
    const QJsonObject failed = Json(p.Lines.last());
    for (const QJsonValue &v : failed[QStringLiteral("slots")].toArray()) {
        const QJsonObject s = v.toObject();
        EXPECT_FALSE(s[QStringLiteral("read_ok")].toBool());
        EXPECT_TRUE(s[QStringLiteral("value")].isNull());
        EXPECT_FALSE(s[QStringLiteral("error_text")].toString().isEmpty());
    }
    ASSERT_TRUE(sim.control(QStringLiteral("offline off")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(p.WaitFor(trailing(true, 2, readOk)));
    p.Signal(SIGTERM);
    ASSERT_EQ(p.Finish(), 0) << p.Err.toStdString();

    const qsizetype failedTicks =
        std::count_if(p.Lines.begin(), p.Lines.end(), [&](const QString &l) { return !readOk(l); });
    const QStringList lines = CsvFile::Lines(csv);
    EXPECT_EQ(CountEnding(lines, QStringLiteral(";\"Read error\"")), failedTicks);
    EXPECT_EQ(lines.size(), 4 + p.Lines.size()) << "one header: the measurement never restarted";
}

TEST(LoggerRun, OutageIsReportedOnceWithItsReasonAndItsEnd)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    LoggerProcess p(EthernetArgs(sim) << QStringLiteral("-timeout") << QStringLiteral("300"),
                    {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
    const auto failedLines = [](const QStringList &lines) {
        return lines.filter(QStringLiteral("Read error")).size();
    };
    ASSERT_TRUE(p.WaitForLines(1));
    ASSERT_TRUE(sim.control(QStringLiteral("offline on")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(p.WaitFor([&](const QStringList &l) { return failedLines(l) >= 3; }));
    ASSERT_TRUE(sim.control(QStringLiteral("offline off")).startsWith(QStringLiteral("ok")));
    ASSERT_TRUE(
        p.WaitFor([&](const QStringList &l) { return !l.last().contains(QStringLiteral("Read error")); }));
    p.Signal(SIGTERM);
    ASSERT_EQ(p.Finish(), 0) << p.Err.toStdString();

    const QString failed = p.Lines.filter(QStringLiteral("Read error")).first();
    EXPECT_FALSE(failed.contains(QStringLiteral("°C"))) << failed.toStdString();
    EXPECT_FALSE(failed.contains(QStringLiteral("Error "))) << failed.toStdString();
    const QStringList err = p.Err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString where = QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort());
    ASSERT_EQ(err.size(), 2) << "one line when it starts, one when it ends: " << p.Err.toStdString();
    EXPECT_EQ(err[0], QStringLiteral("ombrix-logger: reading failed: no reply within 300 ms from ") + where);
    EXPECT_EQ(err[1], QStringLiteral("ombrix-logger: device answers again after %1 failed ticks")
                          .arg(failedLines(p.Lines)));
}

TEST(LoggerUsage, BadUsageExitsTwoAndFailedConnectionOne)
{
    const QStringList bad[] = {
        {QStringLiteral("-type"), QStringLiteral("Ethernet")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-interval"),
         QStringLiteral("0")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-interval"),
         QStringLiteral("3601")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-count"), QStringLiteral("0")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-count")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-append")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-timeout"), QStringLiteral("0")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("read")},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-csv"), QDir::tempPath()},
        {QStringLiteral("-ip"), QStringLiteral("127.0.0.1"), QStringLiteral("-csv"),
         QDir::tempPath() + QStringLiteral("/ombrix-no-such-folder/log.csv")},
        {QStringLiteral("-type"), QStringLiteral("RS232")},
        {QStringLiteral("-ip"), QStringLiteral("300.1.2.3")},
        {QStringLiteral("-ip"), QStringLiteral("localhost")},
    };
    for (const QStringList &args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const LoggerRun r = RunLogger(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("ombrix-logger: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: ombrix-logger")));
    }

    LoggerRun r = RunLogger({QStringLiteral("-ip"), QStringLiteral("127.0.0.1")},
                            {QStringLiteral("OMBRIX_XPORT_UDP_PORT=99999")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("ombrix-logger: OMBRIX_XPORT_UDP_PORT")))
        << r.err.toStdString();

    r = RunLogger({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines, QStringList{QStringLiteral("ombrix-logger ") + QStringLiteral(OMBRIX_VERSION)});
    r = RunLogger({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.lines.contains(QStringLiteral("Usage: ombrix-logger [options]")));

    SimProcess sim;
    ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json")));
    QStringList refused = EthernetArgs(sim);
    refused[5] = QStringLiteral("1");
    r = RunLogger(refused, {QStringLiteral("OMBRIX_XPORT_UDP_PORT=%1").arg(sim.udpPort())});
    EXPECT_EQ(r.exitCode, 1);
    const QStringList errLines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(errLines.size(), 2) << r.err.toStdString();
    EXPECT_EQ(errLines[0],
              QStringLiteral(
                  "Unable to connect. Sensor must be properly connected according to choosed settings."));
    EXPECT_TRUE(r.lines.isEmpty());
}
