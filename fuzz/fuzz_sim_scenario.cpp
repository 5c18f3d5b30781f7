// A scenario file for the device simulator: parsed, loaded into a device, and the
// device then read and asked over UDP once, as a test's first steps would.

#include "FuzzCheck.h"

#include "Device.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const nlohmann::json scenario = nlohmann::json::parse(data, data + size, nullptr, false);
    if (scenario.is_discarded())
        return 0;
    try {
        sim::Device device(scenario, 1u);
        std::vector<std::uint16_t> registers;
        for (const std::uint16_t address : {0, 0x1000, 0x2000, 0x3000, 20480, 39977, 40000}) {
            registers.clear();
            const int rc = device.read(address, 64, 1.5, registers);
            if (rc == 0)
                FUZZ_CHECK(registers.size() == 64);
        }
        std::string note;
        for (const std::uint8_t query : {0xE4, 0xE6, 0xF6}) {
            device.udp({0, 0, 0, query}, note);
        }
        device.udp({0, 1, 0, 0xE4}, note);
        device.ipText();
    } catch (const std::exception &) {
        // A scenario the simulator refuses is reported by its own error.
    }
    return 0;
}
