#pragma once

// A long run of the reader core against the simulator over loopback TCP, with faults switched
// on and off on a seeded random schedule, and the figures that show whether it held up: ticks
// that failed and recovered without anyone acting, the log's records against the ticks,
// resident memory, CPU per tick and open descriptors. The short run in the test suite and the
// day-long run of scripts/soak share it.
//
// While the log's folder is gone the reader keeps running and its records wait in memory, in
// order; the first record after the folder is back writes them all before itself. So the file
// must end up with exactly one record per tick, in tick order, whatever the folder did.

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>

namespace Soak
{

// The kinds of trouble the schedule switches on and off.
enum class TFault : int {
    Offline,    // the device answers nothing for a few ticks
    Timeout,    // the next few requests get no reply
    Delay,      // every reply comes later than the master waits, for a few ticks
    ShortReply, // the next few replies are one register short (TCP's form of a bad checksum)
    Exception,  // the next few requests get a Modbus exception
    Drop,       // the next few requests see the connection closed instead of a reply
    FolderGone, // the log's folder is renamed away for a few ticks and comes back
    Count
};
constexpr int FaultKinds = static_cast<int>(TFault::Count);
QString FaultName(TFault fault);

// The device played and the channel whose value the run changes every tick, so that a value
// left over from an earlier tick shows: the command sets it from a code (one decimal), the slot
// is where the reader puts it.
struct TDevicePlay {
    QString Family;
    QString Scenario;
    QString SetCommand; // "%1": the raw register value, or for a float channel the value itself
    bool FloatChannel = false;
    int Slot = 0;
};
// Farvo behind an XPort (two blocks a tick), Gelmi and Dusko (one block, the detached tick).
const std::array<TDevicePlay, 3> &Devices();

struct TOptions {
    std::int64_t Ticks = 2000;
    std::uint32_t Seed = 1;
    TDevicePlay Device = Devices()[0];
    // The master's reply time-out: short, so a silent device costs little, yet far above what
    // the simulator needs on a loaded machine.
    int TimeoutMs = 100;
    // Healthy ticks between two faults, drawn evenly from this range.
    int MinGap = 40;
    int MaxGap = 160;
    // Memory and descriptors are taken as the baseline after this many ticks.
    std::int64_t WarmupTicks = 200;
    // Called every ProgressEvery ticks with the ticks done (a console line for long runs).
    std::function<void(std::int64_t)> Progress;
    std::int64_t ProgressEvery = 0;
};

struct TFigures {
    bool Completed = false; // the run got through every tick; Error says why not
    QString Error;

    std::int64_t TicksRun = 0;
    std::int64_t TicksFailed = 0;
    std::int64_t TicksFailedRecovered = 0; // failed ticks a good tick followed
    std::int64_t UnexplainedFailures = 0;  // failed ticks with no fault in force
    std::int64_t StaleReadings = 0;        // good ticks whose value was not this tick's
    int LongestOutage = 0;                 // consecutive failed ticks, recovered
    // Failed ticks after a fault was switched off, or after a counted fault was used up.
    int SlowestRecovery = 0;
    std::array<int, FaultKinds> Faults{}; // how often each kind was switched on

    std::int64_t CsvRecords = 0;    // records in the file at the end
    std::int64_t CsvMismatches = 0; // lines that were not the next expected one
    QString FirstMismatch;
    int MostRecordsHeld = 0; // records waiting in memory while the folder was gone

    qint64 RssWarmKb = 0;
    qint64 RssEndKb = 0;
    double CpuUsPerTick = 0;  // the reader core's ticks only
    double WallUsPerTick = 0; // the whole run, checks and fault switching included
    int FdStart = 0;          // after warm-up
    int FdEnd = 0;

    qint64 RssGrowthKb() const { return RssEndKb - RssWarmKb; }
    // One line per figure, for the console and test output.
    QStringList Report() const;
};

TFigures Run(const TOptions &options);

// The goals a run must meet, each missed one as a line: every tick ran, none failed without a
// fault in force, a good tick always carried its own value, the reader recovered by itself on
// the first tick after a fault ended, the log holds exactly one record per tick in order,
// descriptors did not grow, and (when checkMemory) resident memory grew by less than 1 MB.
QStringList MissedGoals(const TFigures &figures, const TOptions &options, bool checkMemory);

// Descriptors this process has open now.
int OpenDescriptors();
// Resident memory of this process now.
qint64 ResidentKb();

} // namespace Soak
