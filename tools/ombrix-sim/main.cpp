// ombrix-sim: plays one measuring transmitter on Modbus/TCP, Modbus RTU and the XPort UDP service.
#include "Device.h"
#include "Server.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

void usage(FILE *stream = stderr)
{
    std::fprintf(stream,
                 "usage: ombrix-sim --scenario FILE [--tcp ADDR:PORT] [--udp ADDR:PORT]\n"
                 "                  [--rtu DEVICE --baud N --slave N] [--no-pacing] [--turnaround MS]\n"
                 "                  [--control PATH] [--iface NAME] [--verbose] [--seed N]\n"
                 "       ombrix-sim --help\n"
                 "A Modbus RTU/TCP and XPort UDP device simulator driven by a JSON scenario; the control\n"
                 "socket takes commands such as \"offline on\" (see the README beside its sources).\n");
}

sim::Options parseOptions(int argc, char **argv)
{
    sim::Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw sim::Error(a + " needs a value");
            return argv[++i];
        };
        auto number = [&](int64_t lo, int64_t hi) {
            const int64_t v = sim::parseInt(value());
            if (v < lo || v > hi)
                throw sim::Error(a + " out of range");
            return int(v);
        };
        if (a == "--scenario")
            o.scenario = value();
        else if (a == "--tcp")
            o.tcp = sim::Endpoint::parse(value());
        else if (a == "--udp")
            o.udp = sim::Endpoint::parse(value());
        else if (a == "--rtu")
            o.rtu = value();
        else if (a == "--baud")
            o.baud = number(50, 4'000'000);
        else if (a == "--slave")
            o.slave = number(1, 247);
        else if (a == "--no-pacing")
            o.pacing = false;
        else if (a == "--turnaround")
            o.turnaroundMs = number(0, 10'000);
        else if (a == "--control")
            o.control = value();
        else if (a == "--iface")
            o.iface = value();
        else if (a == "--verbose")
            o.verbose = true;
        else if (a == "--seed")
            o.seed = uint32_t(number(0, 0xFFFFFFFFll));
        else
            throw sim::Error("unknown option " + a);
    }
    if (o.scenario.empty())
        throw sim::Error("--scenario is required");
    if (!o.iface.empty() && (!o.udp || o.udp->address == "0.0.0.0"))
        throw sim::Error("--iface needs --udp with the device's own address");
    if (!o.tcp && !o.udp && o.rtu.empty())
        throw sim::Error("nothing to listen on: give --tcp, --udp or --rtu");
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            usage(stdout);
            return 0;
        }
    }
    sim::Options options;
    nlohmann::json scenario;
    try {
        options = parseOptions(argc, argv);
        std::ifstream in(options.scenario);
        if (!in)
            throw sim::Error("cannot read " + options.scenario);
        scenario = nlohmann::json::parse(in);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "ombrix-sim: %s\n", e.what());
        usage();
        return 2;
    }
    // A verbose log into a pipe nobody drains must not stall the device: drop lines instead.
    struct stat st {
    };
    if (options.verbose && fstat(STDERR_FILENO, &st) == 0 && S_ISFIFO(st.st_mode))
        fcntl(STDERR_FILENO, F_SETFL, fcntl(STDERR_FILENO, F_GETFL) | O_NONBLOCK);

    try {
        sim::Device device(scenario, options.seed);
        sim::Server server(device, options);
        try {
            server.setup();
        } catch (const sim::Error &e) {
            std::fprintf(stderr, "ombrix-sim: %s\n", e.what());
            return 2;
        }
        std::printf("%s\n", server.readyLine().c_str());
        std::fflush(stdout);
        return server.run();
    } catch (const sim::Error &e) {
        std::fprintf(stderr, "ombrix-sim: %s\n", e.what());
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "ombrix-sim: %s\n", e.what());
        return 1;
    }
}
