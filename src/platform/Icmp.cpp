#include "platform/Icmp.h"

#include "platform/Process.h"

#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform
{

namespace
{

constexpr std::uint8_t EchoRequest = 8;
constexpr std::uint8_t EchoReply = 0;
constexpr std::size_t DataSize = 32;
// The payload lets a reply be told apart from other traffic a raw socket sees.
constexpr char Payload[DataSize + 1] = "abcdefghijklmnopqrstuvwabcdefghi";

struct TEchoHeader {
    std::uint8_t type;
    std::uint8_t code;
    std::uint16_t checksum;
    std::uint16_t id;
    std::uint16_t sequence;
};

std::uint16_t Checksum(const std::uint8_t *data, std::size_t size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return htons(static_cast<std::uint16_t>(~sum));
}

std::uint16_t NextId()
{
    static std::atomic<std::uint16_t> counter{0};
    return static_cast<std::uint16_t>(getpid() * 31 + counter.fetch_add(1));
}

} // namespace

TIcmpEcho::TIcmpEcho(TMethod only)
{
    const bool any = only == TMethod::None;
    if ((any || only == TMethod::Datagram) && OpenDatagram())
        return;
    if ((any || only == TMethod::Raw) && OpenRaw())
        return;
    if (any || only == TMethod::Program)
        OpenProgram();
}

TIcmpEcho::~TIcmpEcho()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool TIcmpEcho::OpenDatagram()
{
    m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_fd < 0)
        return false;
    m_method = TMethod::Datagram;
    return true;
}

bool TIcmpEcho::OpenRaw()
{
    m_fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_fd < 0)
        return false;
    // Only echo replies reach this socket, not every ICMP message of the host.
    icmp_filter filter{~(1u << ICMP_ECHOREPLY)};
    setsockopt(m_fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    m_id = NextId();
    m_method = TMethod::Raw;
    return true;
}

bool TIcmpEcho::OpenProgram()
{
    if (QStandardPaths::findExecutable(QStringLiteral("ping")).isEmpty())
        return false;
    m_method = TMethod::Program;
    return true;
}

int PollTimeoutMs(std::chrono::steady_clock::duration left)
{
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, std::numeric_limits<int>::max()));
}

bool TIcmpEcho::Echo(std::uint32_t address, std::uint32_t timeoutMs)
{
    timeoutMs = std::min(timeoutMs, MaxTimeoutMs);
    switch (m_method) {
    case TMethod::Datagram:
    case TMethod::Raw:
        return EchoSocket(address, timeoutMs);
    case TMethod::Program:
        return EchoProgram(address, timeoutMs);
    case TMethod::None:
        break;
    }
    return false;
}

bool TIcmpEcho::EchoSocket(std::uint32_t address, std::uint32_t timeoutMs)
{
    const std::uint16_t sequence = ++m_sequence;
    std::uint8_t packet[sizeof(TEchoHeader) + DataSize] = {};
    TEchoHeader header{EchoRequest, 0, 0, htons(m_id), htons(sequence)};
    std::memcpy(packet, &header, sizeof header);
    std::memcpy(packet + sizeof header, Payload, DataSize);
    header.checksum = Checksum(packet, sizeof packet);
    std::memcpy(packet, &header, sizeof header);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    if (sendto(m_fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0)
        return false;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int left = PollTimeoutMs(deadline - std::chrono::steady_clock::now());
        if (left <= 0)
            return false;
        pollfd p{m_fd, POLLIN, 0};
        const int n = poll(&p, 1, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;

        std::uint8_t reply[1500];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size =
            recvfrom(m_fd, reply, sizeof reply, 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (size < 0)
            continue;
        std::size_t offset = 0;
        if (m_method == TMethod::Raw) { // a raw socket hands over the IP header too
            if (size < 20)
                continue;
            offset = static_cast<std::size_t>(reply[0] & 0x0F) * 4;
        }
        if (static_cast<std::size_t>(size) < offset + sizeof(TEchoHeader) + DataSize)
            continue;
        TEchoHeader got;
        std::memcpy(&got, reply + offset, sizeof got);
        if (got.type != EchoReply || ntohs(got.sequence) != sequence ||
            from.sin_addr.s_addr != to.sin_addr.s_addr)
            continue;
        // The kernel owns the identifier of a datagram socket and filters by it itself.
        if (m_method == TMethod::Raw && ntohs(got.id) != m_id)
            continue;
        if (std::memcmp(reply + offset + sizeof got, Payload, DataSize) != 0)
            continue;
        return true;
    }
}

bool TIcmpEcho::EchoProgram(std::uint32_t address, std::uint32_t timeoutMs)
{
    in_addr target{htonl(address)};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &target, text, sizeof text);
    // ping's -W takes seconds; our own wait enforces the milliseconds.
    const double seconds = std::max(0.001, timeoutMs / 1000.0);
    const QStringList argv{QStringLiteral("ping"),    QStringLiteral("-n"), QStringLiteral("-q"),
                           QStringLiteral("-c"),      QStringLiteral("1"),  QStringLiteral("-s"),
                           QString::number(DataSize), QStringLiteral("-W"), QString::number(seconds, 'f', 3),
                           QString::fromLatin1(text)};
    const pid_t pid = SpawnInOwnGroup(argv, true);
    if (pid < 0)
        return false;
    int exitCode = -1;
    if (WaitForChild(pid, static_cast<std::int64_t>(timeoutMs) + 1000, &exitCode) == TWaitResult::TimedOut) {
        EndChildGroup(pid);
        return false;
    }
    return exitCode == 0; // ping exits with 0 only when a reply came
}

} // namespace Platform
