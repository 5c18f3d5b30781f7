#pragma once

// Device sides that misbehave on purpose, beyond what the simulator's faults do:
// a Modbus/TCP peer and a UDP peer whose every answer the test scripts. Each
// serves on a thread of its own over real loopback (or namespace) sockets and
// stops by itself at the latest a minute after it was made.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace HostilePeer
{

// Writes all bytes (as far as the peer takes them); false once the socket failed.
bool SendAll(int fd, const QByteArray &bytes);
// Closes with a reset (RST) instead of an orderly end.
void Reset(int fd);

// A well-formed Read Holding Registers reply to a Modbus/TCP request, with values.
QByteArray RegistersReply(const QByteArray &request, const std::vector<std::uint16_t> &values);
// The register count a Modbus/TCP Read Holding Registers request asks for.
int RequestedCount(const QByteArray &request);

// Modbus/TCP on 127.0.0.1 and an ephemeral port. Every whole request (MBAP header
// and PDU) goes to the script with its number (0, 1, ... over all connections);
// the script answers on fd as it likes and returns false when it closed fd.
class TcpPeer
{
public:
    using Script = std::function<bool(int fd, const QByteArray &request, int index)>;

    explicit TcpPeer(Script script);
    ~TcpPeer();
    TcpPeer(const TcpPeer &) = delete;
    TcpPeer &operator=(const TcpPeer &) = delete;

    std::uint16_t port() const { return m_port; }
    int requests() const { return m_requests.load(); }

private:
    void serve();

    Script m_script;
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

// A UDP socket bound to address:port (port 0: an ephemeral one) in the network
// namespace of the calling thread. Every datagram goes to the script, which may
// answer through Send (from this socket) in any number and shape.
class UdpPeer
{
public:
    struct Datagram {
        QByteArray bytes;
        QString from;
        std::uint16_t fromPort = 0;
    };
    using Script = std::function<void(UdpPeer &peer, const Datagram &datagram)>;

    UdpPeer(const QString &address, std::uint16_t port, Script script);
    ~UdpPeer();
    UdpPeer(const UdpPeer &) = delete;
    UdpPeer &operator=(const UdpPeer &) = delete;

    bool ok() const { return m_fd >= 0; }
    std::uint16_t port() const { return m_port; }
    void Send(const QByteArray &bytes, const QString &to, std::uint16_t toPort);
    // Everything received so far, in order.
    std::vector<Datagram> received();

private:
    void serve();

    Script m_script;
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<Datagram> m_received;
    std::thread m_thread;
};

} // namespace HostilePeer
