#include "comm/uDeviceComm.h"

#include "model/uExceptions.h"
#include "platform/TerminationSignals.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

[[noreturn]] void raiseErrno(const char *what, int err)
{
    throw Exception(QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(err)));
}

const QString WriteReadFailed =
    QStringLiteral("Chyba při komunikaci s XPortem - zápis nebo čtení se nezdařilo");
const QString NoResponse = QStringLiteral("Chyba při komunikaci s XPortem - žádná odezva");
const QString InvalidReply = QStringLiteral("Chyba při komunikaci s XPortem - neplatná odpověď");
const QString InvalidParameter = QStringLiteral("Chyba při komunikaci s XPortem - neplatný parametr funkce");

} // namespace

TUdpClient::TUdpClient(QObject *owner) : QObject(owner) {}

TUdpClient::~TUdpClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void TUdpClient::ensureSocket()
{
    if (m_fd >= 0)
        return;
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        raiseErrno("socket", errno);
}

void TUdpClient::Bind(const QString &localAddress, std::uint16_t localPort)
{
    ensureSocket();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!localAddress.isEmpty() &&
        inet_pton(AF_INET, localAddress.toLatin1().constData(), &local.sin_addr) != 1)
        throw Exception(QStringLiteral("Invalid local address: ") + localAddress);
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0)
        raiseErrno("bind", errno);
}

void TUdpClient::sendTo(const QByteArray &datagram, std::uint32_t addressHostOrder, std::uint16_t port)
{
    ensureSocket();
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(addressHostOrder);
    const ssize_t n = ::sendto(m_fd, datagram.constData(), static_cast<size_t>(datagram.size()), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr *>(&target), sizeof target);
    if (n < 0)
        raiseErrno("sendto", errno);
    if (n != datagram.size())
        throw Exception(QStringLiteral("sendto: datagram truncated"));
}

void TUdpClient::SendBuffer(const QByteArray &datagram)
{
    in_addr addr{};
    if (inet_pton(AF_INET, Host.toLatin1().constData(), &addr) != 1)
        throw Exception(QStringLiteral("Invalid host address: ") + Host);
    sendTo(datagram, ntohl(addr.s_addr), Port);
}

void TUdpClient::Broadcast(const QByteArray &datagram, std::uint16_t port)
{
    ensureSocket();
    const int on = 1;
    if (::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        raiseErrno("setsockopt", errno);
    sendTo(datagram, INADDR_BROADCAST, port);
}

QByteArray TUdpClient::ReceiveBuffer(int timeoutMs, QString *peerAddress, std::uint16_t *peerPort)
{
    ensureSocket();
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{m_fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        // A termination signal interrupts the wait: no reply is coming that anyone still wants.
        if (Platform::TerminationRequested())
            return {};
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            raiseErrno("poll", errno);
        if (rc == 0)
            return {};
        QByteArray buffer(MaxDatagram, Qt::Uninitialized);
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, buffer.data(), MaxDatagram, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr *>(&from), &fromLen);
        if (n < 0) {
            // An ICMP port-unreachable from an earlier send surfaces here on
            // Linux; it says nothing about this exchange, so keep waiting.
            if (errno == EAGAIN || errno == EINTR || errno == ECONNREFUSED)
                continue;
            raiseErrno("recvfrom", errno);
        }
        buffer.resize(n);
        if (peerAddress) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
            *peerAddress = QString::fromLatin1(text);
        }
        if (peerPort)
            *peerPort = ntohs(from.sin_port);
        return buffer;
    }
}

void TUdpClient::DiscardPending()
{
    if (m_fd < 0)
        return;
    char scratch[MaxDatagram];
    while (::recv(m_fd, scratch, sizeof scratch, MSG_DONTWAIT) >= 0 || errno == ECONNREFUSED) {
    }
}

bool TUdpClient::DatagramWaiting(int timeoutMs)
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs > 0 ? timeoutMs : 0);
    } while (rc < 0 && errno == EINTR && !Platform::TerminationRequested());
    return rc > 0 && (p.revents & POLLIN) != 0;
}

TXPort::TXPort(QObject *owner) : TUdpClient(owner)
{
    Port = DefaultPort;
}

void TXPort::Exchange(const QString &pattern)
{
    Reply.clear();
    try {
        DiscardPending();
        SendBuffer(HexToBytes(Request));
        if (!pattern.isEmpty())
            Reply = BytesToHex(ReceiveReply());
    } catch (const Exception &) {
        Reply.clear();
        throw Exception(WriteReadFailed);
    }
    if (pattern.isEmpty())
        return;
    CheckReply(Reply, pattern);
}

QByteArray TXPort::ReceiveReply()
{
    // Any host on the network can send to our port; a datagram from another than
    // the one asked must not be taken for its record (it would identify the wrong
    // device), so it is dropped and the wait goes on.
    in_addr asked{};
    if (inet_pton(AF_INET, Host.toLatin1().constData(), &asked) != 1)
        throw Exception(QStringLiteral("Invalid host address: ") + Host);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ReceiveTimeout > 0 ? ReceiveTimeout : 0);
    for (int i = 0; i < MaxStrayDatagrams; ++i) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        QString sender;
        std::uint16_t senderPort = 0;
        const QByteArray datagram =
            ReceiveBuffer(left > 0 ? static_cast<int>(left) : 0, &sender, &senderPort);
        if (sender.isEmpty())
            return {}; // the wait is over
        in_addr from{};
        if (inet_pton(AF_INET, sender.toLatin1().constData(), &from) == 1 && from.s_addr == asked.s_addr &&
            senderPort == Port)
            return datagram;
    }
    return {};
}

void TXPort::CheckReply(const QString &reply, const QString &pattern)
{
    if (reply.isEmpty())
        throw Exception(NoResponse);
    bool match = reply.size() == pattern.size();
    for (qsizetype i = 0; match && i < pattern.size(); ++i)
        match = pattern[i] == QLatin1Char('d') || pattern[i] == reply[i];
    if (!match)
        throw Exception(InvalidReply);
}

QString TXPort::RecordReplyPattern(std::uint8_t n)
{
    if (n > 15)
        throw Exception(InvalidParameter);
    const QChar r = QLatin1Char("0123456789ABCDEF"[n]);
    return n == 0 ? QStringLiteral("000000D0") + QString(240, QLatin1Char('d'))
                  : QStringLiteral("000000D") + r + QString(252, QLatin1Char('d'));
}

void TXPort::DecodeRecordReply(std::uint8_t n, const QString &reply, TXPortRecord &record)
{
    CheckReply(reply, RecordReplyPattern(n));
    const QByteArray data = HexToBytes(reply.mid(8));
    for (qsizetype i = 0; i < data.size() && i < static_cast<qsizetype>(record.size()); ++i)
        record[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data[i]);
    if (n == 0) {
        for (std::size_t i = 120; i < record.size(); ++i)
            record[i] = 0xFF;
    }
}

void TXPort::ReadRecord(std::uint8_t n, TXPortRecord &record)
{
    const QString pattern = RecordReplyPattern(n);
    Request = QStringLiteral("000100Er");
    Request.replace(QLatin1Char('r'), QLatin1Char("0123456789ABCDEF"[n]));
    Exchange(pattern);
    DecodeRecordReply(n, Reply, record);
}

QString TXPort::BytesToHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray TXPort::HexToBytes(const QString &text)
{
    auto nibble = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            return u - u'0';
        if (u >= u'A' && u <= u'F')
            return u - u'A' + 10;
        if (u >= u'a' && u <= u'f')
            return u - u'a' + 10;
        return -1;
    };
    const qsizetype pairs = text.size() / 2;
    QByteArray result(pairs, '\0');
    for (qsizetype i = 0; i < pairs; ++i) {
        const int hi = nibble(text[2 * i]);
        const int lo = nibble(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return QByteArray(text.size(), '\0');
        result[i] = static_cast<char>(hi << 4 | lo);
    }
    return result;
}
