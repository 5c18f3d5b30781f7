#include "Device.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

using nlohmann::json;

namespace sim
{

namespace
{

constexpr std::array<uint16_t, 7> kSegmentBase{0x0000, 0x1000, 0x2000, 0x3000, 0x4000, 0x4040, 0x5000};
constexpr uint16_t kGelmiBase = 40000; // reference 40001
constexpr uint16_t kGelmiCount = 26;
constexpr uint16_t kDuskoBase = 39977; // reference 39978
constexpr uint16_t kDuskoCount = 33;
constexpr int kMaxWalkStepsPerRead = 1'000'000;

double parseDouble(const json &j)
{
    if (j.is_number())
        return j.get<double>();
    if (j.is_string()) {
        const std::string s = j.get<std::string>();
        if (s.rfind("0x", 0) == 0 || s.rfind("-0x", 0) == 0)
            return double(parseInt(s));
        size_t used = 0;
        double v = 0;
        try {
            v = std::stod(s, &used);
        } catch (const std::exception &) {
            used = 0;
        }
        if (used != s.size() || s.empty())
            throw Error("not a number: " + s);
        return v;
    }
    throw Error("not a number: " + j.dump());
}

int64_t checkedRange(int64_t v, int64_t lo, int64_t hi, const char *what)
{
    if (v < lo || v > hi)
        throw Error(std::string(what) + " out of range: " + std::to_string(v));
    return v;
}

std::array<uint8_t, 6> parseMac(const std::string &text)
{
    std::array<uint8_t, 6> mac{};
    unsigned b[6];
    char s1, s2, s3, s4, s5;
    char extra;
    if (std::sscanf(text.c_str(), "%2x%c%2x%c%2x%c%2x%c%2x%c%2x%c", &b[0], &s1, &b[1], &s2, &b[2], &s3, &b[3],
                    &s4, &b[4], &s5, &b[5], &extra) != 11)
        throw Error("bad MAC address: " + text);
    for (char c : {s1, s2, s3, s4, s5})
        if (c != '-' && c != ':')
            throw Error("bad MAC address: " + text);
    for (int i = 0; i < 6; ++i)
        mac[size_t(i)] = uint8_t(b[i]);
    return mac;
}

std::array<uint8_t, 4> parseIp(const std::string &text)
{
    unsigned b[4];
    char extra;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &b[0], &b[1], &b[2], &b[3], &extra) != 4)
        throw Error("bad IPv4 address: " + text);
    std::array<uint8_t, 4> ip{};
    for (int i = 0; i < 4; ++i) {
        if (b[i] > 255)
            throw Error("bad IPv4 address: " + text);
        ip[size_t(i)] = uint8_t(b[i]);
    }
    return ip;
}

// The device keeps its texts in a single-byte code page; scenario files are UTF-8. Characters up to
// U+00FF (the degree sign among them) are stored as their Latin-1 byte, anything else as '?'.
std::string toLatin1(const std::string &utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = uint8_t(utf8[i]);
        if (c < 0x80) {
            out += char(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const unsigned cp = (c & 0x1Fu) << 6 | (uint8_t(utf8[i + 1]) & 0x3Fu);
            out += cp <= 0xFF ? char(cp) : '?';
            i += 2;
        } else {
            out += '?';
            ++i;
            while (i < utf8.size() && (uint8_t(utf8[i]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

void putText(std::array<uint8_t, 126> &rec, size_t at, size_t width, const std::string &utf8)
{
    const std::string text = toLatin1(utf8);
    for (size_t i = 0; i < width && at + i < rec.size(); ++i)
        rec[at + i] = i < text.size() ? uint8_t(text[i]) : 0;
}

int64_t parseCount(const std::vector<std::string> &args, size_t i)
{
    if (args.size() <= i)
        return -1; // on until switched off
    if (args[i] == "off")
        return 0;
    if (args[i] == "on")
        return -1;
    return checkedRange(parseInt(args[i]), 0, 1'000'000, "count");
}

} // namespace

std::string hexBytes(const uint8_t *p, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

uint16_t crc16(const uint8_t *data, size_t len)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < len; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

int64_t parseInt(const std::string &text)
{
    std::string s = text;
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.erase(0, 2);
    }
    if (s.empty() || s.size() > 16)
        throw Error("not an integer: " + text);
    size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(s, &used, base);
    } catch (const std::exception &) {
        throw Error("not an integer: " + text);
    }
    if (used != s.size())
        throw Error("not an integer: " + text);
    return negative ? -v : v;
}

int64_t parseInt(const json &j)
{
    if (j.is_number_integer())
        return j.get<int64_t>();
    if (j.is_number()) {
        const double d = j.get<double>();
        if (d != std::floor(d) || std::fabs(d) > 9e15)
            throw Error("not an integer: " + j.dump());
        return int64_t(d);
    }
    if (j.is_string())
        return parseInt(j.get<std::string>());
    if (j.is_boolean())
        return j.get<bool>() ? 1 : 0;
    throw Error("not an integer: " + j.dump());
}

uint16_t alarmWord(const std::string &code)
{
    if (code.size() != 2)
        throw Error("an alarm code has two characters: " + code);
    // first character in the low byte
    return uint16_t(uint8_t(code[0]) | (uint8_t(code[1]) << 8));
}

// ---------------------------------------------------------------------------------------------- Wave

Wave Wave::fromJson(const json &j, int defaultDecimals)
{
    Wave w;
    w.decimals = defaultDecimals;
    if (!j.is_object())
        throw Error("a channel is an object: " + j.dump());
    if (j.contains("decimals"))
        w.decimals = int(checkedRange(parseInt(j["decimals"]), 0, 6, "decimals"));
    if (j.contains("raw")) {
        w.kind = Kind::Raw;
        w.raw = parseInt(j["raw"]);
        return w;
    }
    const std::string kind = j.value("wave", std::string("constant"));
    auto num = [&](const char *key, double def) { return j.contains(key) ? parseDouble(j[key]) : def; };
    if (kind == "constant") {
        w.kind = Kind::Constant;
        w.value = num("value", 0);
    } else if (kind == "sine") {
        w.kind = Kind::Sine;
        w.mean = num("mean", 0);
        w.amplitude = num("amplitude", 1);
        w.period = num("period", 60);
    } else if (kind == "ramp") {
        w.kind = Kind::Ramp;
        w.from = num("from", 0);
        w.to = num("to", 100);
        w.period = num("period", 60);
    } else if (kind == "walk") {
        w.kind = Kind::Walk;
        w.value = num("start", 0);
        w.step = num("step", 1);
        w.min = num("min", w.value - 100);
        w.max = num("max", w.value + 100);
        if (w.min > w.max)
            throw Error("walk: min above max");
        w.walkValue = std::clamp(w.value, w.min, w.max);
    } else {
        throw Error("unknown wave: " + kind);
    }
    if ((w.kind == Kind::Sine || w.kind == Kind::Ramp) && !(w.period > 0))
        throw Error("a wave's period must be above 0");
    return w;
}

double Wave::at(double seconds, std::mt19937 &rng)
{
    switch (kind) {
    case Kind::Constant:
        return value;
    case Kind::Raw:
        return double(raw);
    case Kind::Sine:
        return mean + amplitude * std::sin(2 * std::numbers::pi * seconds / period);
    case Kind::Ramp: {
        const double phase = std::fmod(seconds, period) / period;
        return from + (to - from) * phase;
    }
    case Kind::Walk: {
        const int64_t target = int64_t(std::floor(seconds));
        // bounded catch-up: a walk left alone for ages jumps instead of replaying every step
        if (target - walkSteps > kMaxWalkStepsPerRead)
            walkSteps = target - kMaxWalkStepsPerRead;
        std::bernoulli_distribution up(0.5);
        for (; walkSteps < target; ++walkSteps)
            walkValue = std::clamp(walkValue + (up(rng) ? step : -step), min, max);
        return walkValue;
    }
    }
    return 0;
}

uint16_t Wave::word(double seconds, std::mt19937 &rng)
{
    if (kind == Kind::Raw)
        return uint16_t(raw);
    const double scaled = std::round(at(seconds, rng) * std::pow(10.0, decimals));
    return uint16_t(int16_t(std::clamp(scaled, -32768.0, 32767.0)));
}

uint32_t Wave::floatPattern(double seconds, std::mt19937 &rng)
{
    if (kind == Kind::Raw)
        return uint32_t(raw);
    return std::bit_cast<uint32_t>(float(at(seconds, rng)));
}

// ---------------------------------------------------------------------------------------------- Faults

void Faults::clear()
{
    timeout = crc = exception = drop = segfail = udpnone = Switch{};
    delayMs = udpDelayMs = 0;
    udpDelayCodes.clear();
    checksum = 0;
    udpIgnore.clear();
}

int Faults::udpDelayFor(const std::vector<uint8_t> &request) const
{
    if (udpDelayCodes.empty())
        return udpDelayMs;
    const bool listed =
        request.size() == 4 && request[0] == 0 && request[1] == 0 && request[2] == 0 &&
        std::find(udpDelayCodes.begin(), udpDelayCodes.end(), request[3]) != udpDelayCodes.end();
    return listed ? udpDelayMs : 0;
}

bool Faults::ignoresUdp(const std::vector<uint8_t> &request) const
{
    // Only the discovery-side requests 00 00 00 XX: a record read (00 01 00 E4) is another request.
    return request.size() == 4 && request[0] == 0 && request[1] == 0 && request[2] == 0 &&
           std::find(udpIgnore.begin(), udpIgnore.end(), request[3]) != udpIgnore.end();
}

std::string Faults::describe() const
{
    std::ostringstream s;
    s << "timeout=" << timeout.remaining << " delay=" << delayMs << " crc=" << crc.remaining
      << " exception=" << exception.remaining << "/" << exceptionCode << " drop=" << drop.remaining
      << " segfail=" << segfail.remaining << " checksum=" << checksum << " udpdelay=" << udpDelayMs
      << " udpnone=" << udpnone.remaining << " udpignore=";
    if (udpIgnore.empty())
        s << "off";
    for (size_t i = 0; i < udpIgnore.size(); ++i)
        s << (i ? "," : "") << hexBytes(&udpIgnore[i], 1);
    s << " offline=" << (offline ? "on" : "off");
    return s.str();
}

// ---------------------------------------------------------------------------------------------- Device

Device::Device(const json &sc, std::optional<uint32_t> seed)
{
    if (!sc.is_object())
        throw Error("the scenario is not a JSON object");
    m_name = sc.value("name", std::string("unnamed"));
    m_rng.seed(seed ? *seed : uint32_t(sc.contains("seed") ? parseInt(sc["seed"]) : 1));
    const std::string family = sc.value("family", std::string());
    if (family == "farvo")
        m_family = Family::Farvo;
    else if (family == "gelmi")
        m_family = Family::Gelmi;
    else if (family == "dusko")
        m_family = Family::Dusko;
    else
        throw Error("family must be farvo, gelmi or dusko");

    const json empty = json::object();
    const json &section = sc.contains(family) ? sc[family] : empty;
    switch (m_family) {
    case Family::Farvo:
        loadFarvo(section);
        break;
    case Family::Gelmi:
        loadGelmi(section);
        break;
    case Family::Dusko:
        loadDusko(section);
        break;
    }
    loadXPort(sc.contains("xport") ? sc["xport"] : empty);

    if (sc.contains("faults")) {
        const json &f = sc["faults"];
        if (!f.is_object())
            throw Error("faults is an object");
        for (auto it = f.begin(); it != f.end(); ++it) {
            std::vector<std::string> args;
            const json &v = it.value();
            if (v.is_array()) {
                for (const auto &a : v)
                    args.push_back(a.is_string() ? a.get<std::string>() : a.dump());
            } else if (v.is_boolean()) {
                args.push_back(v.get<bool>() ? "on" : "off");
            } else {
                args.push_back(v.is_string() ? v.get<std::string>() : v.dump());
            }
            if (it.key() == "offline")
                m_faults.offline = !args.empty() && (args[0] == "on" || args[0] == "1" || args[0] == "true");
            else
                applyFault(it.key(), args);
        }
    }
}

void Device::loadFarvo(const json &j)
{
    auto word = [&](const char *key, int64_t def) {
        return uint16_t(checkedRange(j.contains(key) ? parseInt(j[key]) : def, -32768, 65535, key));
    };
    const uint32_t serial = uint32_t(j.contains("serial") ? parseInt(j["serial"]) : 0x00012345);
    m_seg[1][52] = uint16_t(serial & 0xFFFF);
    m_seg[1][53] = uint16_t(serial >> 16);
    m_seg[1][54] = word("kind", 0x1031);
    m_seg[1][62] = word("config", 0x8002);
    m_seg[2][62] = word("unitWord", 0);
    m_seg[3][1] = word("firmware", 0x0231);
    m_status = word("status", 0);
    if (j.contains("channels")) {
        if (!j["channels"].is_array() || j["channels"].size() > 4)
            throw Error("farvo.channels: up to 4 channels");
        for (const auto &c : j["channels"])
            m_farvoChannels.push_back(Wave::fromJson(c, 1));
    }
    while (m_farvoChannels.size() < 4)
        m_farvoChannels.push_back(Wave{});
    if (j.contains("toggles")) {
        for (const auto &t : j["toggles"]) {
            Toggle tg{int(checkedRange(parseInt(t.at("bit")), 0, 15, "bit")), parseDouble(t.at("period"))};
            if (!(tg.period > 0))
                throw Error("a toggle's period must be above 0");
            m_toggles.push_back(tg);
        }
    }
    for (auto &w : m_seg[6])
        w = alarmWord("no");
    if (j.contains("alarms")) {
        for (auto it = j["alarms"].begin(); it != j["alarms"].end(); ++it)
            m_seg[6][size_t(checkedRange(parseInt(it.key()), 0, 63, "alarm word"))] =
                alarmWord(it.value().get<std::string>());
    }
    if (j.contains("words")) {
        for (auto it = j["words"].begin(); it != j["words"].end(); ++it)
            set("farvo.word." + it.key(), std::to_string(parseInt(it.value())));
    }
}

void Device::loadGelmi(const json &j)
{
    if (j.contains("channels")) {
        if (!j["channels"].is_array() || j["channels"].size() > 5)
            throw Error("gelmi.channels: up to 5 channels");
        for (const auto &c : j["channels"]) {
            GelmiChannel ch;
            ch.wave = Wave::fromJson(c, 1);
            ch.present = c.value("present", true);
            ch.probe = int(checkedRange(c.contains("probe") ? parseInt(c["probe"]) : 1, 0, 255, "probe"));
            const std::string unit = c.value("unit", std::string("C"));
            if (unit == "%")
                ch.unitByte = 0;
            else if (unit == "F")
                ch.unitByte = 1;
            else if (unit == "C")
                ch.unitByte = 2;
            else
                throw Error("gelmi unit must be C, F or %: " + unit);
            ch.alarm = alarmWord(c.value("alarm", std::string("no")));
            m_gelmi.push_back(ch);
        }
    }
    while (m_gelmi.size() < 5) {
        GelmiChannel ch;
        ch.present = false;
        ch.probe = 0;
        ch.alarm = alarmWord("no");
        m_gelmi.push_back(ch);
    }
    bool anyF = false;
    uint8_t presentBits = 0;
    for (size_t k = 0; k < 5; ++k) {
        const auto &ch = m_gelmi[k];
        m_records[1][k] = uint8_t(ch.unitByte);
        m_records[1][81 + k] = uint8_t(ch.probe);
        if (ch.present)
            presentBits |= uint8_t(1u << k);
        if (ch.present && ch.unitByte == 1)
            anyF = true;
    }
    m_records[1][5] = presentBits;
    m_records[5][125] = presentBits & 0x0F;
    m_records[4][68] = anyF ? 0x00 : 0x02;
    if (j.value("fiveChannel", false))
        m_records[4][77] = 0xEE;
}

void Device::loadDusko(const json &j)
{
    if (j.contains("channels")) {
        if (!j["channels"].is_array() || j["channels"].size() > 2)
            throw Error("dusko.channels: up to 2 channels");
        for (const auto &c : j["channels"]) {
            DuskoChannel ch;
            ch.wave = Wave::fromJson(c, 1);
            ch.present = c.value("present", true);
            ch.name = c.value("name", std::string());
            ch.unit = c.value("unit", std::string());
            ch.decimals =
                int(checkedRange(c.contains("decimals") ? parseInt(c["decimals"]) : 1, 0, 255, "decimals"));
            ch.alarm = alarmWord(c.value("alarm", std::string("no")));
            m_dusko.push_back(ch);
        }
    }
    while (m_dusko.size() < 2) {
        DuskoChannel ch;
        ch.present = false;
        ch.alarm = alarmWord("no");
        m_dusko.push_back(ch);
    }
    auto &r = m_records[1];
    r[0] = uint8_t((m_dusko[0].present ? 1 : 0) | (m_dusko[1].present ? 2 : 0));
    putText(r, 1, 20, m_dusko[0].name);
    putText(r, 21, 20, m_dusko[1].name);
    putText(r, 41, 8, m_dusko[0].unit);
    putText(r, 49, 8, m_dusko[1].unit);
    r[97] = uint8_t(m_dusko[0].decimals);
    r[99] = uint8_t(m_dusko[1].decimals);
}

void Device::loadXPort(const json &j)
{
    m_mac = parseMac(j.value("mac", std::string("00-20-4A-00-00-01")));
    m_ip = parseIp(j.value("ip", std::string("192.168.1.100")));
    std::copy(m_ip.begin(), m_ip.end(), m_records[0].begin());

    const int defaultType = m_family == Family::Farvo ? 1 : m_family == Family::Gelmi ? 4 : 7;
    auto &r4 = m_records[4];
    r4[78] = uint8_t(checkedRange(j.contains("deviceType") ? parseInt(j["deviceType"]) : defaultType, 0, 255,
                                  "deviceType"));
    std::array<int64_t, 3> fw{4, 4, 1};
    if (m_family == Family::Gelmi)
        fw = {5, 5, 1};
    if (m_family == Family::Dusko)
        fw = {6, 0, 0};
    if (j.contains("firmware")) {
        if (!j["firmware"].is_array() || j["firmware"].size() != 3)
            throw Error("xport.firmware is [major, minor, patch]");
        for (size_t i = 0; i < 3; ++i)
            fw[i] = checkedRange(parseInt(j["firmware"][i]), 0, 255, "firmware");
    }
    r4[79] = uint8_t(fw[0]);
    r4[80] = uint8_t(fw[1]);
    r4[81] = uint8_t(fw[2]);
    const int defaultTypeCode = m_family == Family::Gelmi ? 6 : m_family == Family::Dusko ? 30 : 9;
    r4[82] = uint8_t(
        checkedRange(j.contains("typeCode") ? parseInt(j["typeCode"]) : defaultTypeCode, 0, 255, "typeCode"));
    if (j.contains("variant"))
        r4[77] = uint8_t(checkedRange(parseInt(j["variant"]), 0, 255, "variant"));

    // A 65-character field; a longer text runs on without a terminator, up to record 4 byte 67 (byte 68
    // belongs to the Gelmi unit bits) and record 6 byte 125, so a reader that does not cut at 65 shows it.
    const std::string description = j.value("description", m_name);
    putText(r4, 0, 68, description);
    putText(m_records[6], 32, 94, description);

    std::string serial = j.value("serial", std::string("00012345"));
    if (serial.size() != 8)
        throw Error("xport.serial: 8 hexadecimal digits");
    const bool fw201 = fw[0] == 2 && fw[1] == 0 && fw[2] == 1;
    for (size_t i = 0; i < 4; ++i)
        m_records[2][(fw201 ? 95 : 85) + i] = uint8_t(parseInt("0x" + serial.substr(2 * i, 2)));

    if (j.contains("records")) {
        for (auto it = j["records"].begin(); it != j["records"].end(); ++it) {
            const auto n = size_t(checkedRange(parseInt(it.key()), 0, 15, "record"));
            for (auto b = it.value().begin(); b != it.value().end(); ++b)
                m_records[n][size_t(checkedRange(parseInt(b.key()), 0, 125, "record byte"))] =
                    uint8_t(checkedRange(parseInt(b.value()), 0, 255, "record byte value"));
        }
    }
}

uint16_t Device::farvoStatus(double seconds) const
{
    uint16_t s = m_status;
    for (const auto &t : m_toggles)
        if (int64_t(std::floor(seconds / t.period)) % 2 == 1)
            s ^= uint16_t(1u << t.bit);
    return s;
}

void Device::refreshFarvo(double seconds)
{
    m_seg[0][6] = farvoStatus(seconds);
    for (size_t i = 0; i < 4; ++i)
        m_seg[0][48 + i] = m_farvoChannels[i].word(seconds, m_rng);
    for (int s : {1, 2}) {
        auto &seg = m_seg[size_t(s)];
        uint16_t sum = 0;
        for (size_t i = 0; i < 63; ++i)
            sum = uint16_t(sum + seg[i]);
        seg[63] = m_faults.checksum == s ? uint16_t(sum ^ 0x5A5A) : sum;
    }
}

bool Device::isSegmentRead(uint16_t address) const
{
    return m_family == Family::Farvo && address >= kSegmentBase[1] && address < kSegmentBase[3] + 64;
}

int Device::read(uint16_t address, uint16_t count, double seconds, std::vector<uint16_t> &out)
{
    out.clear();
    if (count == 0 || count > 125)
        return 3;
    const uint32_t end = uint32_t(address) + count;
    switch (m_family) {
    case Family::Farvo:
        for (size_t s = 0; s < kSegmentBase.size(); ++s) {
            const uint32_t base = kSegmentBase[s];
            if (address >= base && end <= base + 64) {
                refreshFarvo(seconds);
                for (uint32_t a = address; a < end; ++a)
                    out.push_back(m_seg[s][a - base]);
                return 0;
            }
        }
        return 2;
    case Family::Gelmi: {
        if (address < kGelmiBase || end > uint32_t(kGelmiBase) + kGelmiCount)
            return 2;
        std::array<uint16_t, kGelmiCount> block{};
        for (size_t k = 0; k < 5; ++k) {
            block[6 * k] = m_gelmi[k].wave.word(seconds, m_rng);
            block[6 * k + 1] = m_gelmi[k].alarm;
        }
        for (uint32_t a = address; a < end; ++a)
            out.push_back(block[a - kGelmiBase]);
        return 0;
    }
    case Family::Dusko: {
        if (address < kDuskoBase || end > uint32_t(kDuskoBase) + kDuskoCount)
            return 2;
        std::array<uint16_t, kDuskoCount> block{};
        for (size_t k = 0; k < 2; ++k) {
            const uint32_t p = m_dusko[k].wave.floatPattern(seconds, m_rng);
            block[2 * k] = uint16_t(p & 0xFFFF); // low word first
            block[2 * k + 1] = uint16_t(p >> 16);
        }
        block[24] = m_dusko[0].alarm;
        block[30] = m_dusko[1].alarm;
        for (uint32_t a = address; a < end; ++a)
            out.push_back(block[a - kDuskoBase]);
        return 0;
    }
    }
    return 4;
}

std::optional<std::vector<uint8_t>> Device::udp(const std::vector<uint8_t> &q, std::string &note)
{
    if (q.size() == 4 && q[0] == 0 && (q[1] == 0 || q[1] == 1) && q[2] == 0 && (q[3] & 0xF0) == 0xE0) {
        const size_t n = q[3] & 0x0F;
        std::vector<uint8_t> reply{0, 0, 0, uint8_t(0xD0 + n)};
        const size_t len = n == 0 ? 120 : 126;
        reply.insert(reply.end(), m_records[n].begin(), m_records[n].begin() + long(len));
        note = "record " + std::to_string(n);
        return reply;
    }
    if (q.size() == 4 && q[0] == 0 && q[1] == 0 && q[2] == 0 && q[3] == 0xF6) {
        std::vector<uint8_t> reply(30, 0);
        reply[3] = 0xF7;
        std::copy(m_mac.begin(), m_mac.end(), reply.begin() + 24);
        note = "discovery";
        return reply;
    }
    static const uint8_t setupHead[] = {0, 0, 0, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P', 0, 0};
    if (q.size() == 20 && std::equal(std::begin(setupHead), std::end(setupHead), q.begin())) {
        if (q[14] == m_mac[4] && q[15] == m_mac[5]) {
            std::copy(q.begin() + 16, q.end(), m_ip.begin());
            std::copy(m_ip.begin(), m_ip.end(), m_records[0].begin());
            note = "ip-setup " + ipText();
        } else {
            note = "ip-setup for another device";
        }
        return std::nullopt;
    }
    note = "ignored " + hexBytes(q.data(), std::min<size_t>(q.size(), 24));
    return std::nullopt;
}

std::string Device::ipText() const
{
    return std::to_string(m_ip[0]) + "." + std::to_string(m_ip[1]) + "." + std::to_string(m_ip[2]) + "." +
           std::to_string(m_ip[3]);
}

namespace
{
// A memory reference ("0x1037") as its segment and the word's position in it.
std::pair<size_t, size_t> memoryWord(const std::string &reference)
{
    const int64_t address = parseInt(reference) - 1;
    for (size_t s = 0; s < kSegmentBase.size(); ++s)
        if (address >= kSegmentBase[s] && address < kSegmentBase[s] + 64)
            return {s, size_t(address - kSegmentBase[s])};
    throw Error("no such memory reference: " + reference);
}

// "farvo.c3" -> 3 when the prefix matches and the number lies in 1..max
int channelIndex(const std::string &name, const std::string &prefix, int max)
{
    if (name.rfind(prefix, 0) != 0)
        return 0;
    const std::string rest = name.substr(prefix.size());
    if (rest.size() != 1 || rest[0] < '1' || rest[0] > char('0' + max))
        return 0;
    return rest[0] - '0';
}
} // namespace

void Device::set(const std::string &name, const std::string &value)
{
    auto rawWave = [&](int64_t raw) {
        Wave w;
        w.kind = Wave::Kind::Raw;
        w.raw = raw;
        return w;
    };
    if (m_family == Family::Farvo) {
        if (int k = channelIndex(name, "farvo.c", 4)) {
            m_farvoChannels[size_t(k - 1)] = rawWave(checkedRange(parseInt(value), -32768, 65535, "value"));
            return;
        }
        if (name == "farvo.status") {
            m_status = uint16_t(checkedRange(parseInt(value), 0, 65535, "status"));
            m_toggles.clear();
            return;
        }
        if (name.rfind("farvo.alarm.", 0) == 0) {
            m_seg[6][size_t(checkedRange(parseInt(name.substr(12)), 0, 63, "alarm word"))] = alarmWord(value);
            return;
        }
        if (name.rfind("farvo.word.", 0) == 0) {
            const auto [s, i] = memoryWord(name.substr(11));
            const int64_t v = checkedRange(parseInt(value), -32768, 65535, "value");
            // the status and channel words are rebuilt at every read: a poke replaces their source
            if (s == 0 && i == 6)
                set("farvo.status", std::to_string(uint16_t(v)));
            else if (s == 0 && i >= 48 && i <= 51)
                m_farvoChannels[i - 48] = rawWave(v);
            else if ((s == 1 || s == 2) && i == 63)
                throw Error("the checksum word is computed; corrupt it with \"fault checksum\"");
            else
                m_seg[s][i] = uint16_t(v);
            return;
        }
    }
    if (m_family == Family::Gelmi) {
        if (int k = channelIndex(name, "gelmi.c", 5)) {
            m_gelmi[size_t(k - 1)].wave = rawWave(checkedRange(parseInt(value), -32768, 65535, "value"));
            return;
        }
        if (int k = channelIndex(name, "gelmi.alarm.", 5)) {
            m_gelmi[size_t(k - 1)].alarm = alarmWord(value);
            return;
        }
    }
    if (m_family == Family::Dusko) {
        if (int k = channelIndex(name, "dusko.c", 2)) {
            Wave w;
            if (value.rfind("0x", 0) == 0 || value.rfind("0X", 0) == 0) {
                w = rawWave(checkedRange(parseInt(value), 0, 0xFFFFFFFFll, "pattern"));
            } else {
                w.kind = Wave::Kind::Constant;
                w.value = parseDouble(json(value));
            }
            m_dusko[size_t(k - 1)].wave = w;
            return;
        }
        if (int k = channelIndex(name, "dusko.alarm.", 2)) {
            m_dusko[size_t(k - 1)].alarm = alarmWord(value);
            return;
        }
    }
    throw Error("unknown name for this device: " + name);
}

std::string Device::get(const std::string &name, double seconds)
{
    if (name == "xport.ip")
        return ipText();
    auto hex4 = [](uint32_t v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%04X", v);
        return std::string(buf);
    };
    if (m_family == Family::Farvo) {
        refreshFarvo(seconds);
        if (int k = channelIndex(name, "farvo.c", 4))
            return std::to_string(int16_t(m_seg[0][47 + size_t(k)]));
        if (name == "farvo.status")
            return hex4(m_seg[0][6]);
        if (name.rfind("farvo.word.", 0) == 0) {
            const auto [s, i] = memoryWord(name.substr(11));
            return hex4(m_seg[s][i]);
        }
    }
    if (m_family == Family::Gelmi)
        if (int k = channelIndex(name, "gelmi.c", 5))
            return std::to_string(int16_t(m_gelmi[size_t(k - 1)].wave.word(seconds, m_rng)));
    if (m_family == Family::Dusko)
        if (int k = channelIndex(name, "dusko.c", 2)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X",
                          m_dusko[size_t(k - 1)].wave.floatPattern(seconds, m_rng));
            return buf;
        }
    throw Error("unknown name for this device: " + name);
}

void Device::applyFault(const std::string &name, const std::vector<std::string> &args)
{
    auto ms = [&](size_t i) -> int {
        if (args.size() <= i)
            throw Error("fault " + name + ": milliseconds or off");
        if (args[i] == "off")
            return 0;
        return int(checkedRange(parseInt(args[i]), 0, 600000, "milliseconds"));
    };
    if (name == "timeout")
        m_faults.timeout.remaining = parseCount(args, 0);
    else if (name == "crc")
        m_faults.crc.remaining = parseCount(args, 0);
    else if (name == "drop")
        m_faults.drop.remaining = parseCount(args, 0);
    else if (name == "udpnone")
        m_faults.udpnone.remaining = parseCount(args, 0);
    else if (name == "delay")
        m_faults.delayMs = ms(0);
    else if (name == "udpdelay") {
        m_faults.udpDelayMs = ms(0);
        m_faults.udpDelayCodes.clear();
        for (size_t i = 1; i < args.size() && m_faults.udpDelayMs > 0; ++i)
            m_faults.udpDelayCodes.push_back(
                uint8_t(checkedRange(parseInt("0x" + args[i]), 0, 255, "request code")));
    } else if (name == "udpignore") {
        if (args.empty())
            throw Error("fault udpignore: request codes (E4 E6 F6 ...) or off");
        std::vector<uint8_t> codes;
        for (const auto &a : args) {
            if (a == "off")
                continue;
            codes.push_back(uint8_t(checkedRange(parseInt("0x" + a), 0, 255, "request code")));
        }
        m_faults.udpIgnore = codes;
    } else if (name == "segfail") {
        if (args.empty())
            throw Error("fault segfail: a count or off");
        m_faults.segfail.remaining = parseCount(args, 0);
    } else if (name == "exception") {
        if (args.empty())
            throw Error("fault exception: a code, or off");
        if (args[0] == "off") {
            m_faults.exception.remaining = 0;
            return;
        }
        m_faults.exceptionCode = int(checkedRange(parseInt(args[0]), 0, 255, "exception code"));
        m_faults.exception.remaining = parseCount(args, 1);
    } else if (name == "checksum") {
        if (args.empty() || args[0] == "off" || args[0] == "0")
            m_faults.checksum = 0;
        else
            m_faults.checksum = int(checkedRange(parseInt(args[0]), 1, 2, "checksum segment"));
    } else if (name == "clear") {
        m_faults.clear();
    } else {
        throw Error("unknown fault: " + name);
    }
}

} // namespace sim
