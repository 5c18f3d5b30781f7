#include "HostilePeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace HostilePeer
{

namespace
{

using Clock = std::chrono::steady_clock;
constexpr auto Lifetime = std::chrono::seconds(60);
constexpr int PollMs = 20;

sockaddr_in AddressOf(const QString &address, std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address.toLatin1().constData(), &a.sin_addr);
    return a;
}

std::uint16_t BoundPort(int fd)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    return ntohs(a.sin_port);
}

} // namespace

bool SendAll(int fd, const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

void Reset(int fd)
{
    const linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

int RequestedCount(const QByteArray &request)
{
    if (request.size() < 12)
        return 0;
    return static_cast<std::uint8_t>(request[10]) << 8 | static_cast<std::uint8_t>(request[11]);
}

QByteArray RegistersReply(const QByteArray &request, const std::vector<std::uint16_t> &values)
{
    const int bytes = 2 * static_cast<int>(values.size());
    QByteArray reply = request.left(4); // transaction and protocol identifiers
    reply.append(static_cast<char>((3 + bytes) >> 8));
    reply.append(static_cast<char>((3 + bytes) & 0xFF));
    reply.append(request.size() > 6 ? request[6] : '\x01'); // unit
    reply.append('\x03');
    reply.append(static_cast<char>(bytes & 0xFF));
    for (std::uint16_t v : values) {
        reply.append(static_cast<char>(v >> 8));
        reply.append(static_cast<char>(v & 0xFF));
    }
    return reply;
}

TcpPeer::TcpPeer(Script script) : m_script(std::move(script))
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in a = AddressOf(QStringLiteral("127.0.0.1"), 0);
    if (::bind(m_listen, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 4) != 0) {
        ::close(m_listen);
        m_listen = -1;
        return;
    }
    m_port = BoundPort(m_listen);
    m_thread = std::thread([this] { serve(); });
}

TcpPeer::~TcpPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen >= 0)
        ::close(m_listen);
}

void TcpPeer::serve()
{
    const auto end = Clock::now() + Lifetime;
    int client = -1;
    QByteArray pending;
    while (!m_stop && Clock::now() < end) {
        pollfd p[2] = {{m_listen, POLLIN, 0}, {client, POLLIN, 0}};
        if (::poll(p, client >= 0 ? 2 : 1, PollMs) <= 0)
            continue;
        if (p[0].revents & POLLIN) {
            // A master that reconnects has given the old connection up.
            if (client >= 0)
                ::close(client);
            client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            // A flood into a master that stopped reading must not hold this thread.
            const timeval sendLimit{2, 0};
            ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
            pending.clear();
            continue;
        }
        if (client < 0 || (p[1].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
            continue;
        char buf[1024];
        const ssize_t n = ::recv(client, buf, sizeof buf, 0);
        if (n <= 0) {
            ::close(client);
            client = -1;
            continue;
        }
        pending.append(buf, n);
        while (pending.size() >= 7) {
            const int length =
                static_cast<std::uint8_t>(pending[4]) << 8 | static_cast<std::uint8_t>(pending[5]);
            if (pending.size() < 6 + length)
                break;
            const QByteArray request = pending.left(6 + length);
            pending.remove(0, 6 + length);
            if (!m_script(client, request, m_requests++)) {
                client = -1;
                pending.clear();
                break;
            }
        }
    }
    if (client >= 0)
        ::close(client);
}

UdpPeer::UdpPeer(const QString &address, std::uint16_t port, Script script) : m_script(std::move(script))
{
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = AddressOf(address, port);
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_port = BoundPort(m_fd);
    m_thread = std::thread([this] { serve(); });
}

UdpPeer::~UdpPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        ::close(m_fd);
}

void UdpPeer::Send(const QByteArray &bytes, const QString &to, std::uint16_t toPort)
{
    const sockaddr_in a = AddressOf(to, toPort);
    ::sendto(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0,
             reinterpret_cast<const sockaddr *>(&a), sizeof a);
}

std::vector<UdpPeer::Datagram> UdpPeer::received()
{
    const std::lock_guard lock(m_mutex);
    return m_received;
}

void UdpPeer::serve()
{
    const auto end = Clock::now() + Lifetime;
    while (!m_stop && Clock::now() < end) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, PollMs) <= 0)
            continue;
        char buf[9000];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &len);
        if (n < 0)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        const Datagram d{QByteArray(buf, n), QString::fromLatin1(text), ntohs(from.sin_port)};
        {
            const std::lock_guard lock(m_mutex);
            m_received.push_back(d);
        }
        m_script(*this, d);
    }
}

} // namespace HostilePeer
