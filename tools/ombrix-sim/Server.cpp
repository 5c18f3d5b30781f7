#include "Server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <modbus/modbus.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sim
{

namespace
{

constexpr size_t kMaxClients = 16;
constexpr size_t kMaxControlClients = 8;
constexpr size_t kMaxControlLine = 1024;
constexpr size_t kMaxLog = 1000;
constexpr size_t kMaxPending = 256;
constexpr uint8_t kGatewayTargetFailed = 0x0B; // Modbus exception "gateway target device failed to respond"

std::string fmt(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char *format, ...)
{
    char buf[256];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    return buf;
}

sockaddr_in toSockaddr(const Endpoint &e)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(e.port);
    if (inet_pton(AF_INET, e.address.c_str(), &a.sin_addr) != 1)
        throw Error("not an IPv4 address: " + e.address);
    return a;
}

uint16_t boundPort(int fd)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    return ntohs(a.sin_port);
}

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

} // namespace

Endpoint Endpoint::parse(const std::string &text)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos)
        throw Error("expected ADDRESS:PORT: " + text);
    Endpoint e;
    e.address = text.substr(0, colon);
    const int64_t port = parseInt(text.substr(colon + 1));
    if (port < 0 || port > 65535)
        throw Error("bad port: " + text);
    e.port = uint16_t(port);
    toSockaddr(e); // validates the address
    return e;
}

Server::Server(Device &device, const Options &options) : m_device(device), m_options(options) {}

Server::~Server()
{
    for (const auto &c : m_clients)
        ::close(c.fd);
    for (const auto &c : m_controls)
        ::close(c.fd);
    if (m_tcpCtx)
        modbus_free(m_tcpCtx);
    if (m_rtuCtx) {
        modbus_close(m_rtuCtx);
        modbus_free(m_rtuCtx);
    }
    for (int fd : {m_signalFd, m_tcpFd, m_udpFd, m_broadcastFd, m_controlFd})
        if (fd >= 0)
            ::close(fd);
    if (m_controlFd >= 0)
        ::unlink(m_options.control.c_str());
}

void Server::setup()
{
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    m_signalFd = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_signalFd < 0)
        throw Error(std::string("signalfd: ") + std::strerror(errno));

    if (m_options.tcp) {
        const sockaddr_in a = toSockaddr(*m_options.tcp);
        m_tcpFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const int one = 1;
        setsockopt(m_tcpFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(m_tcpFd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0 || listen(m_tcpFd, 8) != 0)
            throw Error("cannot listen on TCP " + m_options.tcp->address + ":" +
                        std::to_string(m_options.tcp->port) + ": " + std::strerror(errno));
        m_tcpPort = boundPort(m_tcpFd);
        // used only to frame requests with modbus_receive(); the socket comes from modbus_set_socket()
        m_tcpCtx = modbus_new_tcp("127.0.0.1", 502);
        if (!m_tcpCtx)
            throw Error("modbus_new_tcp failed");
    }
    if (m_options.udp) {
        openUdp(m_options.udp->address, m_options.udp->port);
        if (!m_options.iface.empty()) {
            // A socket bound to one address never sees a limited broadcast; this one sees those that
            // arrive on the device's own interface, as a device sees only its own wire.
            m_broadcastFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            const int one = 1;
            setsockopt(m_broadcastFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            sockaddr_in any{};
            any.sin_family = AF_INET;
            any.sin_port = htons(m_udpPort);
            if (setsockopt(m_broadcastFd, SOL_SOCKET, SO_BINDTODEVICE, m_options.iface.c_str(),
                           socklen_t(m_options.iface.size())) != 0 ||
                bind(m_broadcastFd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0)
                throw Error("cannot receive broadcasts on " + m_options.iface + ": " + std::strerror(errno));
        }
    }
    if (!m_options.rtu.empty()) {
        m_rtuCtx = modbus_new_rtu(m_options.rtu.c_str(), m_options.baud, 'N', 8, 1);
        if (!m_rtuCtx)
            throw Error("bad RTU settings: " + std::string(modbus_strerror(errno)));
        modbus_set_slave(m_rtuCtx, m_options.slave);
        if (modbus_connect(m_rtuCtx) != 0)
            throw Error("cannot open " + m_options.rtu + ": " + modbus_strerror(errno));
        m_rtuFd = modbus_get_socket(m_rtuCtx);
    }
    if (!m_options.control.empty()) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        if (m_options.control.size() >= sizeof a.sun_path)
            throw Error("control socket path too long");
        std::strcpy(a.sun_path, m_options.control.c_str());
        struct stat st {
        };
        if (lstat(a.sun_path, &st) == 0 && S_ISSOCK(st.st_mode))
            ::unlink(a.sun_path); // a stale socket of an earlier run
        m_controlFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (bind(m_controlFd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0 ||
            listen(m_controlFd, 4) != 0) {
            const std::string why = std::strerror(errno);
            ::close(m_controlFd);
            m_controlFd = -1;
            throw Error("cannot open control socket " + m_options.control + ": " + why);
        }
    }
    if (m_device.faults().offline)
        verbose("starting offline");
}

void Server::openUdp(const std::string &address, uint16_t port)
{
    const sockaddr_in a = toSockaddr(Endpoint{address, port});
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        throw Error("cannot bind UDP " + address + ":" + std::to_string(port) + ": " + why);
    }
    if (m_udpFd >= 0)
        ::close(m_udpFd);
    m_udpFd = fd;
    m_udpAddress = address;
    m_udpPort = boundPort(fd);
}

namespace
{

// The prefix length of an address on an interface; 24 when it is not found there.
int prefixOf(const std::string &iface, const std::string &address)
{
    int prefix = 24;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return prefix;
    for (ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_netmask || iface != i->ifa_name)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in *>(i->ifa_addr)->sin_addr, text, sizeof text);
        if (address == text)
            prefix = __builtin_popcount(reinterpret_cast<sockaddr_in *>(i->ifa_netmask)->sin_addr.s_addr);
    }
    freeifaddrs(list);
    return prefix;
}

bool runIp(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    std::vector<std::string> all{"ip"};
    all.insert(all.end(), args.begin(), args.end());
    for (auto &a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "ip", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

// The device took a new address: it now owns that one on its interface instead of the old one.
void Server::moveAddress(const std::string &from, const std::string &to)
{
    if (m_options.iface.empty() || to == "0.0.0.0" || from == to)
        return; // no DHCP server here: a device asked to use DHCP keeps quiet on its old address
    const std::string prefix = "/" + std::to_string(prefixOf(m_options.iface, from));
    if (!runIp({"addr", "add", to + prefix, "dev", m_options.iface})) {
        verbose("cannot add " + to + " to " + m_options.iface);
        return;
    }
    // Deleting the interface's first address would take every other one of its subnet along (other
    // devices' addresses too) unless they are promoted instead.
    if (FILE *promote = std::fopen(
            ("/proc/sys/net/ipv4/conf/" + m_options.iface + "/promote_secondaries").c_str(), "w")) {
        std::fputs("1\n", promote);
        std::fclose(promote);
    }
    runIp({"addr", "del", from + prefix, "dev", m_options.iface});
    try {
        openUdp(to, m_udpPort);
        verbose("now at " + to);
    } catch (const Error &e) {
        verbose(e.what());
    }
}

std::string Server::readyLine() const
{
    std::string s = "ready";
    if (m_tcpFd >= 0)
        s += " tcp=" + m_options.tcp->address + ":" + std::to_string(m_tcpPort);
    if (m_udpFd >= 0)
        s += " udp=" + m_options.udp->address + ":" + std::to_string(m_udpPort);
    if (m_rtuFd >= 0)
        s += " rtu=" + m_options.rtu;
    if (m_controlFd >= 0)
        s += " control=" + m_options.control;
    return s;
}

double Server::seconds() const
{
    return std::chrono::duration<double>(Clock::now() - m_start).count();
}

void Server::verbose(const std::string &line)
{
    if (m_options.verbose)
        std::fprintf(stderr, "%s\n", line.c_str());
}

void Server::record(const std::string &entry)
{
    if (m_log.size() >= kMaxLog)
        m_log.pop_front();
    m_log.push_back(entry);
}

int Server::run()
{
    std::vector<pollfd> fds;
    while (!m_quit) {
        fds.clear();
        fds.push_back({m_signalFd, POLLIN, 0});
        const size_t tcpAt = fds.size();
        if (m_tcpFd >= 0)
            fds.push_back({m_tcpFd, short(m_clients.size() < kMaxClients ? POLLIN : 0), 0});
        const size_t rtuAt = fds.size();
        if (m_rtuFd >= 0)
            fds.push_back({m_rtuFd, POLLIN, 0});
        const size_t udpAt = fds.size();
        if (m_udpFd >= 0)
            fds.push_back({m_udpFd, POLLIN, 0});
        const size_t broadcastAt = fds.size();
        if (m_broadcastFd >= 0)
            fds.push_back({m_broadcastFd, POLLIN, 0});
        const size_t controlAt = fds.size();
        if (m_controlFd >= 0)
            fds.push_back({m_controlFd, short(m_controls.size() < kMaxControlClients ? POLLIN : 0), 0});
        const size_t clientsAt = fds.size();
        for (const auto &c : m_clients)
            fds.push_back({c.fd, POLLIN, 0});
        const size_t controlsAt = fds.size();
        for (const auto &c : m_controls)
            fds.push_back({c.fd, POLLIN, 0});

        timespec ts{};
        timespec *timeout = nullptr;
        if (!m_pending.empty()) {
            auto due =
                std::min_element(m_pending.begin(), m_pending.end(), [](const Pending &a, const Pending &b) {
                    return a.due < b.due;
                })->due;
            const auto wait = std::max(Clock::duration::zero(), due - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            ts.tv_sec = ns / 1'000'000'000;
            ts.tv_nsec = ns % 1'000'000'000;
            timeout = &ts;
        }
        const int n = ppoll(fds.data(), fds.size(), timeout, nullptr);
        if (n < 0 && errno != EINTR)
            throw Error(std::string("poll: ") + std::strerror(errno));
        sendDue();
        if (n <= 0)
            continue;

        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(m_signalFd, &info, sizeof info) > 0)
                verbose("signal " + std::to_string(info.ssi_signo) + ", exiting");
            m_quit = true;
            break;
        }
        // Collect the ids first: handlers may close clients and so reshape the vectors.
        std::vector<uint64_t> readyClients;
        for (size_t i = 0; i < m_clients.size(); ++i)
            if (fds[clientsAt + i].revents)
                readyClients.push_back(m_clients[i].id);
        std::vector<int> readyControls;
        for (size_t i = 0; i < m_controls.size(); ++i)
            if (fds[controlsAt + i].revents)
                readyControls.push_back(m_controls[i].fd);

        if (m_tcpFd >= 0 && (fds[tcpAt].revents & POLLIN))
            acceptTcp();
        if (m_rtuFd >= 0 && fds[rtuAt].revents) {
            if (fds[rtuAt].revents & POLLIN) {
                readRtu();
            } else {
                std::fprintf(stderr, "ombrix-sim: the serial device %s went away\n", m_options.rtu.c_str());
                return 1;
            }
        }
        // The broadcast socket first: reading the unicast one may move the address and reopen it.
        if (m_broadcastFd >= 0 && (fds[broadcastAt].revents & POLLIN))
            readUdp(m_broadcastFd);
        if (m_udpFd >= 0 && (fds[udpAt].revents & POLLIN))
            readUdp(m_udpFd);
        if (m_controlFd >= 0 && (fds[controlAt].revents & POLLIN))
            acceptControl();
        for (uint64_t id : readyClients) {
            auto it =
                std::find_if(m_clients.begin(), m_clients.end(), [&](const Client &c) { return c.id == id; });
            if (it != m_clients.end())
                readTcp(size_t(it - m_clients.begin()));
        }
        for (int fd : readyControls) {
            auto it = std::find_if(m_controls.begin(), m_controls.end(),
                                   [&](const ControlClient &c) { return c.fd == fd; });
            if (it != m_controls.end() && !readControl(*it)) {
                ::close(it->fd);
                m_controls.erase(it);
            }
        }
    }
    return 0;
}

void Server::acceptTcp()
{
    const int fd = accept4(m_tcpFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const bool silent = m_device.faults().offline;
    m_clients.push_back({fd, m_nextClientId++, silent});
    verbose(
        fmt("tcp connection %llu%s", (unsigned long long)m_clients.back().id, silent ? " (offline)" : ""));
}

void Server::closeClient(uint64_t id)
{
    auto it = std::find_if(m_clients.begin(), m_clients.end(), [&](const Client &c) { return c.id == id; });
    if (it == m_clients.end())
        return;
    ::close(it->fd);
    m_clients.erase(it);
    std::erase_if(m_pending,
                  [&](const Pending &p) { return p.transport == Transport::Tcp && p.clientId == id; });
    verbose(fmt("tcp connection %llu closed", (unsigned long long)id));
}

void Server::readTcp(size_t index)
{
    const Client client = m_clients[index];
    uint8_t adu[MODBUS_TCP_MAX_ADU_LENGTH];
    modbus_set_socket(m_tcpCtx, client.fd);
    const int rc = modbus_receive(m_tcpCtx, adu);
    if (rc < 0) {
        closeClient(client.id);
        return;
    }
    if (rc < 8)
        return;
    if (client.silent || m_device.faults().offline) {
        verbose(fmt("mb tcp unit=%u fc=%02X -> offline", adu[6], adu[7]));
        record(fmt("mb:%u:%02X:offline", adu[6], adu[7]));
        return;
    }
    onModbus(Transport::Tcp, client.id, adu, rc);
}

void Server::readRtu()
{
    uint8_t adu[MODBUS_RTU_MAX_ADU_LENGTH];
    const int rc = modbus_receive(m_rtuCtx, adu);
    if (rc <= 0) {
        if (rc < 0)
            verbose(std::string("mb rtu bad frame: ") + modbus_strerror(errno));
        return;
    }
    if (rc < 4)
        return;
    if (adu[0] != m_options.slave) // another slave's request (or a broadcast): a device keeps quiet
        return;
    if (m_device.faults().offline) {
        verbose(fmt("mb rtu unit=%u fc=%02X -> offline", adu[0], adu[1]));
        record(fmt("mb:%u:%02X:offline", adu[0], adu[1]));
        return;
    }
    onModbus(Transport::Rtu, 0, adu, rc);
}

void Server::onModbus(Transport transport, uint64_t clientId, const uint8_t *adu, int length)
{
    const bool tcp = transport == Transport::Tcp;
    const int head = tcp ? 7 : 1;
    const uint8_t unit = adu[head - 1];
    const uint8_t fc = adu[head];
    uint16_t address = 0, count = 0;
    if (length >= head + 5) {
        address = uint16_t(adu[head + 1] << 8 | adu[head + 2]);
        count = uint16_t(adu[head + 3] << 8 | adu[head + 4]);
    }
    record(fmt("mb:%u:%02X:0x%04X:%u", unit, fc, address, count));
    const std::string what =
        fmt("mb %s unit=%u fc=%02X addr=0x%04X count=%u -> ", tcp ? "tcp" : "rtu", unit, fc, address, count);

    // The XPort passes a request on to the one serial device behind it. Like a Modbus gateway it
    // answers a request for another unit itself: that unit's device failed to respond. The device's
    // faults do not touch such a request, which never reaches the device.
    const bool otherUnit = tcp && unit != m_options.slave;
    Faults &f = m_device.faults();
    if (!otherUnit && f.timeout.consume()) {
        verbose(what + "fault:timeout");
        return;
    }
    if (!otherUnit && f.drop.consume()) {
        verbose(what + "fault:drop");
        if (tcp)
            closeClient(clientId);
        return;
    }
    std::vector<uint8_t> pdu;
    std::string fate = "reply";
    if (otherUnit) {
        pdu = {uint8_t(fc | 0x80), kGatewayTargetFailed};
        fate = "exception 0B (no device at this unit)";
    } else if (f.exception.consume()) {
        pdu = {uint8_t(fc | 0x80), uint8_t(f.exceptionCode)};
        fate = "fault:exception";
    } else if (fc != 0x03) {
        pdu = {uint8_t(fc | 0x80), 0x01};
        fate = "exception 01";
    } else if (m_device.isSegmentRead(address) && f.segfail.consume()) {
        pdu = {0x83, 0x04};
        fate = "fault:segfail";
    } else {
        std::vector<uint16_t> regs;
        const int ex = m_device.read(address, count, seconds(), regs);
        if (ex != 0) {
            pdu = {0x83, uint8_t(ex)};
            fate = fmt("exception %02X", ex);
        } else {
            pdu = {0x03, uint8_t(regs.size() * 2)};
            for (uint16_t r : regs) {
                pdu.push_back(uint8_t(r >> 8));
                pdu.push_back(uint8_t(r & 0xFF));
            }
        }
    }
    const bool corrupt = !otherUnit && f.crc.consume();
    Pending p{transport, clientId, {}, Clock::now(), {}};
    if (tcp) {
        if (corrupt && pdu[0] == 0x03) {
            // a well-framed reply one register short: the master sees data that does not fit its request,
            // and nothing is left over to spoil the next transaction on the connection
            pdu.resize(pdu.size() - 2);
            pdu[1] = uint8_t(pdu[1] - 2);
        }
        const size_t len = pdu.size() + 1;
        p.bytes = {adu[0], adu[1], 0, 0, uint8_t(len >> 8), uint8_t(len & 0xFF), unit};
        p.bytes.insert(p.bytes.end(), pdu.begin(), pdu.end());
    } else {
        p.bytes = {unit};
        p.bytes.insert(p.bytes.end(), pdu.begin(), pdu.end());
        uint16_t crc = crc16(p.bytes.data(), p.bytes.size());
        if (corrupt)
            crc ^= 0xFFFF;
        p.bytes.push_back(uint8_t(crc & 0xFF));
        p.bytes.push_back(uint8_t(crc >> 8));
        if (m_options.pacing) {
            // the request's own time on the line, the silence, the device's turnaround, then the reply
            const double chars = double(length) + 3.5 + double(p.bytes.size());
            const auto us =
                int64_t(chars * 10.0 * 1e6 / m_options.baud) + int64_t(m_options.turnaroundMs) * 1000;
            p.due += std::chrono::microseconds(us);
        }
    }
    if (corrupt)
        fate += " fault:crc";
    if (f.delayMs > 0) {
        p.due += std::chrono::milliseconds(f.delayMs);
        fate += fmt(" fault:delay %d", f.delayMs);
    }
    verbose(what + fate);
    if (m_pending.size() < kMaxPending)
        m_pending.push_back(std::move(p));
}

void Server::readUdp(int fd)
{
    uint8_t buf[2048];
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t n = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &fromLen);
    if (n < 0)
        return;
    const std::vector<uint8_t> request(buf, buf + n);
    record("udp:" + hexBytes(buf, std::min<size_t>(size_t(n), 24)));
    char peer[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, peer, sizeof peer);
    const std::string what = fmt("udp %s:%u ", peer, ntohs(from.sin_port)) +
                             hexBytes(buf, std::min<size_t>(size_t(n), 24)) + " -> ";
    if (m_device.faults().offline) {
        verbose(what + "offline");
        return;
    }
    std::string note;
    const std::string addressBefore = m_device.ipText();
    auto reply = m_device.udp(request, note);
    if (!reply) {
        verbose(what + note);
        if (m_device.ipText() != addressBefore)
            moveAddress(m_udpAddress, m_device.ipText());
        return;
    }
    Faults &f = m_device.faults();
    if (f.ignoresUdp(request)) {
        verbose(what + note + " fault:udpignore");
        return;
    }
    if (f.udpnone.consume()) {
        verbose(what + note + " fault:udpnone");
        return;
    }
    const int delayMs = f.udpDelayFor(request);
    Pending p{Transport::Udp, 0, std::move(*reply), Clock::now() + std::chrono::milliseconds(delayMs), from};
    verbose(what + note + fmt(" reply %zu", p.bytes.size()) +
            (delayMs ? fmt(" fault:udpdelay %d", delayMs) : std::string()));
    if (m_pending.size() < kMaxPending)
        m_pending.push_back(std::move(p));
}

void Server::sendDue()
{
    const auto now = Clock::now();
    // in due order, so two replies to one client never overtake each other
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const Pending &a, const Pending &b) { return a.due < b.due; });
    std::vector<Pending> due;
    auto split =
        std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending &p) { return p.due > now; });
    std::move(m_pending.begin(), split, std::back_inserter(due));
    m_pending.erase(m_pending.begin(), split);
    for (const auto &p : due)
        send(p);
}

void Server::send(const Pending &p)
{
    switch (p.transport) {
    case Transport::Tcp: {
        auto it = std::find_if(m_clients.begin(), m_clients.end(),
                               [&](const Client &c) { return c.id == p.clientId; });
        if (it == m_clients.end())
            return;
        if (::send(it->fd, p.bytes.data(), p.bytes.size(), MSG_NOSIGNAL) != ssize_t(p.bytes.size()))
            closeClient(p.clientId); // a client that does not read its replies is dropped
        return;
    }
    case Transport::Rtu: {
        size_t done = 0;
        for (int tries = 0; done < p.bytes.size() && tries < 50; ++tries) {
            const ssize_t n = ::write(m_rtuFd, p.bytes.data() + done, p.bytes.size() - done);
            if (n > 0) {
                done += size_t(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            pollfd pf{m_rtuFd, POLLOUT, 0};
            poll(&pf, 1, 20);
        }
        return;
    }
    case Transport::Udp:
        sendto(m_udpFd, p.bytes.data(), p.bytes.size(), 0, reinterpret_cast<const sockaddr *>(&p.to),
               sizeof p.to);
        return;
    }
}

void Server::acceptControl()
{
    const int fd = accept4(m_controlFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0)
        m_controls.push_back({fd, {}});
}

bool Server::readControl(ControlClient &c)
{
    char buf[512];
    const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
    if (n <= 0)
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    c.buffer.append(buf, size_t(n));
    size_t nl;
    while ((nl = c.buffer.find('\n')) != std::string::npos) {
        std::string line = c.buffer.substr(0, nl);
        c.buffer.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string reply = command(line) + "\n";
        if (::send(c.fd, reply.data(), reply.size(), MSG_NOSIGNAL) != ssize_t(reply.size()))
            return false;
        if (m_quit)
            return false;
    }
    if (c.buffer.size() > kMaxControlLine) {
        const std::string reply = "error line too long\n";
        ::send(c.fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        return false;
    }
    return true;
}

void Server::setOffline(bool on)
{
    Faults &f = m_device.faults();
    if (f.offline == on)
        return;
    f.offline = on;
    if (on) {
        // replies still on their way are lost with the device, the slow UDP answers too
        m_pending.clear();
        for (auto &c : m_clients)
            c.silent = true;
    } else {
        // a device that comes back knows nothing of the connections made before: they are reset
        std::vector<uint64_t> ids;
        for (const auto &c : m_clients)
            if (c.silent)
                ids.push_back(c.id);
        for (uint64_t id : ids)
            closeClient(id);
    }
    verbose(on ? "offline" : "online");
}

std::string Server::command(const std::string &line)
{
    const auto w = words(line);
    if (w.empty())
        return "error empty command";
    try {
        const std::string &cmd = w[0];
        if (cmd == "ping")
            return "ok pong";
        if (cmd == "set" && w.size() == 3) {
            m_device.set(w[1], w[2]);
            return "ok";
        }
        if (cmd == "get" && w.size() == 2)
            return "ok " + m_device.get(w[1], seconds());
        if (cmd == "fault" && w.size() >= 2) {
            m_device.applyFault(w[1], std::vector<std::string>(w.begin() + 2, w.end()));
            return "ok " + m_device.faults().describe();
        }
        if (cmd == "faults" && w.size() == 1)
            return "ok " + m_device.faults().describe();
        if (cmd == "offline" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
            setOffline(w[1] == "on");
            return "ok";
        }
        if (cmd == "log" && w.size() == 1) {
            std::string s = "ok";
            for (const auto &e : m_log)
                s += " " + e;
            return s;
        }
        if (cmd == "log" && w.size() == 2 && w[1] == "clear") {
            m_log.clear();
            return "ok";
        }
        if (cmd == "quit" && w.size() == 1) {
            m_quit = true;
            return "ok";
        }
        return "error unknown command: " + line.substr(0, 80);
    } catch (const std::exception &e) {
        return std::string("error ") + e.what();
    }
}

} // namespace sim
