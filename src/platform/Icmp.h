#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace Platform
{

// The time left until a deadline as a poll() time-out: whole milliseconds rounded up, never
// negative (which would mean waiting for ever) and never beyond what an int holds.
int PollTimeoutMs(std::chrono::steady_clock::duration left);

// ICMP echo ("ping") over whatever this process may use: an ICMP datagram socket
// (allowed by net.ipv4.ping_group_range), a raw socket (needs CAP_NET_RAW), or the
// system's ping program. Sockets belong to the network namespace of the thread that
// opens the handle.
class TIcmpEcho
{
public:
    enum class TMethod { None, Datagram, Raw, Program };

    // Opens the first method that works, trying them in the order above;
    // only: restrict to one method (tests).
    explicit TIcmpEcho(TMethod only = TMethod::None);
    ~TIcmpEcho();
    TIcmpEcho(const TIcmpEcho &) = delete;
    TIcmpEcho &operator=(const TIcmpEcho &) = delete;

    bool IsOpen() const { return m_method != TMethod::None; }
    TMethod Method() const { return m_method; }

    // The longest wait for one reply, about 24.8 days: the most a poll() wait and the ping
    // program's -W can express. Longer time-outs are cut to it rather than overflowing into an
    // endless wait (or a refused request).
    static constexpr std::uint32_t MaxTimeoutMs = 2147483647;

    // Sends one echo request with 32 data bytes to the IPv4 address (host byte order)
    // and waits up to timeoutMs (at most MaxTimeoutMs) for its reply.
    bool Echo(std::uint32_t address, std::uint32_t timeoutMs);

private:
    bool OpenDatagram();
    bool OpenRaw();
    bool OpenProgram();
    bool EchoSocket(std::uint32_t address, std::uint32_t timeoutMs);
    bool EchoProgram(std::uint32_t address, std::uint32_t timeoutMs);

    TMethod m_method = TMethod::None;
    int m_fd = -1;
    std::uint16_t m_id = 0;
    std::uint16_t m_sequence = 0;
};

} // namespace Platform
