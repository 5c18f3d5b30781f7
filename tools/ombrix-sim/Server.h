#pragma once

#include "Device.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <vector>

typedef struct _modbus modbus_t;

namespace sim
{

struct Endpoint {
    std::string address;
    uint16_t port = 0;
    static Endpoint parse(const std::string &text); // "127.0.0.1:502"
};

struct Options {
    std::string scenario;
    std::optional<Endpoint> tcp, udp;
    std::string rtu;
    int baud = 9600;
    int slave = 1;
    bool pacing = true;
    int turnaroundMs = 2;
    std::string control;
    std::string iface; // the device owns its UDP address on this interface (see README)
    bool verbose = false;
    std::optional<uint32_t> seed;
};

// One process, one poll() loop over every socket the simulator was told to open. Replies that must wait
// (line pacing, the delay faults) are queued with their due time instead of sleeping, so the control
// socket stays responsive while a reply is held back.
class Server
{
public:
    Server(Device &device, const Options &options);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    void setup(); // opens everything; throws Error
    std::string readyLine() const;
    int run(); // until SIGTERM/SIGINT or "quit"; returns the exit code

private:
    using Clock = std::chrono::steady_clock;
    enum class Transport { Tcp, Rtu, Udp };
    struct Client {
        int fd;
        uint64_t id;
        bool silent; // connected while offline: never answered, reset when the device comes back
    };
    struct ControlClient {
        int fd;
        std::string buffer;
    };
    struct Pending {
        Transport transport;
        uint64_t clientId; // TCP
        std::vector<uint8_t> bytes;
        Clock::time_point due;
        sockaddr_in to; // UDP
    };

    double seconds() const;
    void verbose(const std::string &line);
    void record(const std::string &entry);

    void acceptTcp();
    void readTcp(size_t index);
    void closeClient(uint64_t id);
    void readRtu();
    void readUdp(int fd);
    void openUdp(const std::string &address, uint16_t port);
    void moveAddress(const std::string &from, const std::string &to);
    void acceptControl();
    bool readControl(ControlClient &c); // false: close it
    std::string command(const std::string &line);
    void setOffline(bool on);

    void onModbus(Transport transport, uint64_t clientId, const uint8_t *adu, int length);
    void sendDue();
    void send(const Pending &p);

    Device &m_device;
    Options m_options;
    Clock::time_point m_start = Clock::now();
    bool m_quit = false;

    int m_signalFd = -1;
    int m_tcpFd = -1;
    uint16_t m_tcpPort = 0;
    int m_udpFd = -1;
    uint16_t m_udpPort = 0;
    std::string m_udpAddress;
    int m_broadcastFd = -1; // with --iface: the limited broadcasts that arrive on that interface
    int m_controlFd = -1;
    modbus_t *m_tcpCtx = nullptr;
    modbus_t *m_rtuCtx = nullptr;
    int m_rtuFd = -1;

    std::vector<Client> m_clients;
    uint64_t m_nextClientId = 1;
    std::vector<ControlClient> m_controls;
    std::vector<Pending> m_pending;
    std::deque<std::string> m_log;
};

} // namespace sim
