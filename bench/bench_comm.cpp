// Cost of one 64-register read through the program's master (TMSPModbus) next
// to the same read straight through libmodbus, on loopback TCP and on a pty;
// and on a line the simulator paces at 9600 baud, next to the wire time.
//
// Reads of both kinds alternate within one run so drifts of the machine hit
// both alike; the counters carry the medians and the overhead in percent.
#include "comm/uMSPComm.h"

#include "PtyPair.h"
#include "SimProcess.h"
#include "TestEnv.h"

#include <benchmark/benchmark.h>
#include <modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

QString scenario()
{
    return TestEnv::sourceDir() + QStringLiteral("/tests/comm/scenarios/comm-farvo.json");
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <class F> double timeUs(F &&f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

struct ModbusDeleter {
    void operator()(modbus_t *ctx) const
    {
        modbus_close(ctx);
        modbus_free(ctx);
    }
};
using Direct = std::unique_ptr<modbus_t, ModbusDeleter>;

// Runs the alternating loop and reports medians and overhead.
void compare(benchmark::State &state, TMSPModbus &ours, modbus_t *direct)
{
    std::vector<double> oursUs, directUs;
    std::array<std::uint16_t, 64> words{};
    std::uint16_t raw[64];
    for (auto _ : state) {
        oursUs.push_back(timeUs([&] { ours.ReadRegisters(1, 1, words); }));
        directUs.push_back(timeUs([&] {
            if (modbus_read_registers(direct, 0, 64, raw) != 64)
                state.SkipWithError("direct read failed");
        }));
        benchmark::DoNotOptimize(words);
        benchmark::DoNotOptimize(raw);
    }
    const double o = median(oursUs), d = median(directUs);
    state.counters["ours_median_us"] = o;
    state.counters["direct_median_us"] = d;
    state.counters["overhead_pct"] = d > 0 ? (o / d - 1) * 100 : 0;
}

void BM_Read64_LoopbackTcp(benchmark::State &state)
{
    SimProcess sim;
    if (!sim.start(scenario())) {
        state.SkipWithError("simulator did not start");
        return;
    }
    TMSPModbus ours;
    ours.SetProtocolKind(TSyncMBus::KindTcp);
    ours.SetHost(QStringLiteral("127.0.0.1"));
    ours.SetTcpPort(sim.tcpPort());
    ours.Open();
    Direct direct(modbus_new_tcp("127.0.0.1", sim.tcpPort()));
    if (!direct || modbus_connect(direct.get()) != 0) {
        state.SkipWithError("direct connect failed");
        return;
    }
    modbus_set_slave(direct.get(), 1);
    compare(state, ours, direct.get());
}

// Runs the comparison over a pty pair with the simulator on its far side;
// false when the rig could not be set up (the state then says why).
bool compareOnPty(benchmark::State &state, const QStringList &simArgs)
{
    PtyPair pty;
    SimProcess sim;
    if (!pty.open() || !sim.startRtu(scenario(), pty.deviceSide(), 9600, 1, simArgs)) {
        state.SkipWithError("pty or simulator did not start");
        return false;
    }
    qputenv("OMBRIX_COM_PORTS", QByteArray("7=") + pty.masterSide().toUtf8());
    // The direct context opens first: ours then claims the port exclusively
    // (TIOCEXCL), which would refuse a later open by anyone but root.
    Direct direct(modbus_new_rtu(pty.masterSide().toUtf8().constData(), 9600, 'N', 8, 1));
    if (!direct || modbus_connect(direct.get()) != 0) {
        state.SkipWithError("direct open failed");
        return false;
    }
    TMSPModbus ours;
    ours.SetComPort(7);
    ours.Open();
    modbus_set_slave(direct.get(), 1);
    compare(state, ours, direct.get());
    return true;
}

void BM_Read64_Pty(benchmark::State &state)
{
    compareOnPty(state, {QStringLiteral("--no-pacing")});
}

// On a paced line the limit is physics: 8 request and 133 reply characters of
// 10 bits at 9600 bit/s, plus the device's turnaround. The simulator also keeps
// the 3.5-character silence between the frames, which is part of the line time
// (counter sim_line_ms) but not of that limit.
void BM_Read64_Paced9600(benchmark::State &state)
{
    constexpr int turnaroundMs = 2;
    if (!compareOnPty(state, {QStringLiteral("--turnaround"), QString::number(turnaroundMs)}))
        return;
    const double limitMs = (8 + 133) * 10 * 1000.0 / 9600 + turnaroundMs;
    const double oursMs = state.counters["ours_median_us"] / 1000;
    const double directMs = state.counters["direct_median_us"] / 1000;
    state.counters["limit_ms"] = limitMs;
    state.counters["sim_line_ms"] = (8 + 3.5 + 133) * 10 * 1000.0 / 9600 + turnaroundMs;
    state.counters["ours_over_limit_pct"] = (oursMs / limitMs - 1) * 100;
    state.counters["direct_over_limit_pct"] = (directMs / limitMs - 1) * 100;
}

} // namespace

BENCHMARK(BM_Read64_LoopbackTcp)->Iterations(400)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Read64_Pty)->Iterations(200)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Read64_Paced9600)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();
