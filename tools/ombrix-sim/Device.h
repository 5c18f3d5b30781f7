#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim
{

// Thrown for a scenario or a control command the simulator cannot take; the text goes to the user as is.
struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A value that moves with time. Raw values bypass the scaling: they are what the register carries.
struct Wave {
    enum class Kind { Constant, Sine, Ramp, Walk, Raw } kind = Kind::Constant;
    double value = 0, mean = 0, amplitude = 0, period = 60, from = 0, to = 0;
    double step = 0, min = 0, max = 0;
    int decimals = 1;
    int64_t raw = 0;
    // random walk state: the value after walkSteps whole seconds
    double walkValue = 0;
    int64_t walkSteps = 0;

    static Wave fromJson(const nlohmann::json &j, int defaultDecimals);
    double at(double seconds, std::mt19937 &rng);
    // The 16-bit register of a scaled integer channel (saturating).
    uint16_t word(double seconds, std::mt19937 &rng);
    // The 32-bit IEEE pattern of a float channel.
    uint32_t floatPattern(double seconds, std::mt19937 &rng);
};

// A fault that is off, on until switched off (-1), or on for the next N uses.
struct Switch {
    int64_t remaining = 0;
    bool active() const { return remaining != 0; }
    // Uses the fault once: true when it applies to this request.
    bool consume()
    {
        if (remaining == 0)
            return false;
        if (remaining > 0)
            --remaining;
        return true;
    }
};

struct Faults {
    Switch timeout, crc, exception, drop, segfail, udpnone;
    int exceptionCode = 4;
    int delayMs = 0;
    int udpDelayMs = 0;
    std::vector<uint8_t> udpDelayCodes; // empty: every UDP answer is late; else only those to 00 00 00 XX
    int checksum = 0;                   // 0 none, 1 or 2: the flash segment whose checksum is wrong
    bool offline = false;
    std::vector<uint8_t> udpIgnore; // XX of the UDP requests 00 00 00 XX left unanswered

    bool ignoresUdp(const std::vector<uint8_t> &request) const;
    int udpDelayFor(const std::vector<uint8_t> &request) const;

    void clear();
    std::string describe() const;
};

enum class Family { Farvo, Gelmi, Dusko };

class Device
{
public:
    explicit Device(const nlohmann::json &scenario, std::optional<uint32_t> seed = {});

    Family family() const { return m_family; }
    const std::string &name() const { return m_name; }
    Faults &faults() { return m_faults; }

    // Reads holding registers at a PDU address. Returns 0 and fills out, or a Modbus exception code.
    int read(uint16_t address, uint16_t count, double seconds, std::vector<uint16_t> &out);
    // Does a read at this PDU address touch flash segment 1, 2 or the firmware segment (Farvo only)?
    bool isSegmentRead(uint16_t address) const;

    // The UDP service: the reply datagram, or nothing. note says what happened (for the log).
    std::optional<std::vector<uint8_t>> udp(const std::vector<uint8_t> &request, std::string &note);

    // Control commands "set <name> <value>" and "get <name>"; throw Error with the reason.
    void set(const std::string &name, const std::string &value);
    std::string get(const std::string &name, double seconds);

    // Applies a fault given by the scenario or by the control protocol ("timeout", {"3"}) ...
    void applyFault(const std::string &name, const std::vector<std::string> &args);

    const std::array<uint8_t, 126> &record(int n) const { return m_records.at(size_t(n)); }
    std::string ipText() const;

private:
    struct GelmiChannel {
        Wave wave;
        bool present = true;
        int unitByte = 2;
        int probe = 1;
        uint16_t alarm = 0;
    };
    struct DuskoChannel {
        Wave wave;
        bool present = true;
        std::string name, unit;
        int decimals = 1;
        uint16_t alarm = 0;
    };
    struct Toggle {
        int bit;
        double period;
    };

    void loadFarvo(const nlohmann::json &j);
    void loadGelmi(const nlohmann::json &j);
    void loadDusko(const nlohmann::json &j);
    void loadXPort(const nlohmann::json &j);
    void refreshFarvo(double seconds);
    uint16_t farvoStatus(double seconds) const;

    std::string m_name;
    Family m_family = Family::Farvo;
    std::mt19937 m_rng;
    Faults m_faults;

    // Farvo memory: segments 0 to 6, 64 words each
    std::array<std::array<uint16_t, 64>, 7> m_seg{};
    std::vector<Wave> m_farvoChannels;
    uint16_t m_status = 0;
    std::vector<Toggle> m_toggles;

    std::vector<GelmiChannel> m_gelmi;
    std::vector<DuskoChannel> m_dusko;

    // XPort
    std::array<std::array<uint8_t, 126>, 16> m_records{};
    std::array<uint8_t, 6> m_mac{};
    std::array<uint8_t, 4> m_ip{};
};

// Helpers shared with the server (also used by the tests through the protocol only).
uint16_t crc16(const uint8_t *data, size_t len);
int64_t parseInt(const nlohmann::json &j);
int64_t parseInt(const std::string &text);
uint16_t alarmWord(const std::string &code);
// Upper-case hexadecimal text of the bytes, two digits each (for the logs).
std::string hexBytes(const uint8_t *p, size_t n);

} // namespace sim
