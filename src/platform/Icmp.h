#pragma once

#include <cstdint>
#include <memory>

namespace Platform
{

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

    // Sends one echo request with 32 data bytes to the IPv4 address (host byte order)
    // and waits up to timeoutMs for its reply.
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
