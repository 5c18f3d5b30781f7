#include "discovery/uXPortIPChange.h"

#include "comm/uDeviceComm.h"
#include "discovery/IPInfo.h"
#include "discovery/uUtilsConvert.h"
#include "discovery/uUtilsTcpIp.h"
#include "model/uExceptions.h"
#include "platform/Process.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const QString LineBreak = QStringLiteral("\r\n");
const QString SetupHead = QStringLiteral("000000FC49502D53455455500000");
// The neighbour program gets a bounded wait: it never needs long, and a hang must
// not freeze the window for good.
constexpr std::int64_t NeighbourProgramWaitMs = 10000;

void ReplaceWhenGiven(QString &message, const QString &text)
{
    if (!text.isEmpty())
        message = text;
}

bool ToAddress(const QString &text, in_addr &address)
{
    return inet_pton(AF_INET, text.toLatin1().constData(), &address) == 1;
}

} // namespace

TXPortIPChange::TXPortIPChange()
    : MsgArpDone(tr("IP address was temporarily assigned to MAC") + LineBreak +
                 tr("To make IP change permanent you must change IP adress in device setup!")),
      MsgRequestSent(tr("Request of IP address change was successfully sent.")),
      MsgChangeError(tr("IP address change error.")),
      MsgIpSyntax(tr("IP address syntax error.") + LineBreak + tr("Write correct IP address, please.")),
      MsgIpExists(tr("Selected IP address already exists.")), MsgMacSyntax(tr("MAC address syntax error."))
{
}

void TXPortIPChange::SetMessages(const TXPortIPChangeMsgLngSupport &texts)
{
    ReplaceWhenGiven(MsgArpDone, texts.ArpDone);
    ReplaceWhenGiven(MsgRequestSent, texts.RequestSent);
    ReplaceWhenGiven(MsgChangeError, texts.ChangeError);
    ReplaceWhenGiven(MsgIpSyntax, texts.IpSyntax);
    ReplaceWhenGiven(MsgIpExists, texts.IpExists);
    ReplaceWhenGiven(MsgMacSyntax, texts.MacSyntax);
}

bool TXPortIPChange::ChangeIP(const QString &mac, const QString &newAddress, int &code, QString &message,
                              const QString &localAddress)
{
    message = MsgChangeError;
    code = Failed;
    try {
        if (!IsValidMAC(mac)) {
            message = MsgMacSyntax;
            return false;
        }
        if (Ping(newAddress, PingTimeoutMs, PingTries)) {
            message = MsgIpExists;
            return false;
        }
        if (ArpMode) {
            code = ChangeByArp(mac, newAddress, message, localAddress);
            return code == ArpDone;
        }
        code = ChangeByBroadcast(mac, newAddress, message, localAddress);
        return code == RequestSent;
    } catch (const std::exception &) {
        return false;
    }
}

QString TXPortIPChange::MacTail(const QString &mac)
{
    const QStringList parts = mac.split(QLatin1Char('-'));
    if (parts.size() != 6)
        return QStringLiteral("0000");
    return parts[4].toUpper() + parts[5].toUpper();
}

QByteArray TXPortIPChange::SetupDatagram(const QString &mac, const QString &newAddress)
{
    TIPBytes address{};
    if (!IPToBytes(newAddress, address))
        throw Exception(QStringLiteral("not an IPv4 address: ") + newAddress);
    QByteArray datagram = HexStr2BinStr(SetupHead + MacTail(mac));
    for (std::uint8_t byte : address)
        datagram.append(static_cast<char>(byte));
    return datagram;
}

int TXPortIPChange::ChangeByBroadcast(const QString &mac, const QString &newAddress, QString &message,
                                      const QString &localAddress)
{
    message = MsgChangeError;
    if (!IsValidIP(newAddress)) {
        message = MsgIpSyntax;
        return Failed;
    }
    try {
        const QByteArray datagram = SetupDatagram(mac, newAddress);
        if (AllAdapters) {
            QStringList addresses;
            ListAdapterAddresses(addresses);
            for (const QString &address : addresses)
                BroadcastFrom(address, datagram);
        } else {
            BroadcastFrom(localAddress, datagram);
        }
    } catch (const std::exception &) {
        return Failed;
    }
    message = MsgRequestSent;
    return RequestSent;
}

void TXPortIPChange::BroadcastFrom(const QString &localAddress, const QByteArray &datagram) const
{
    TXPort socket;
    if (!localAddress.isEmpty())
        socket.Bind(localAddress);
    socket.Broadcast(datagram, Port);
}

QString TXPortIPChange::ArpInterface(const QString &newAddress, const QString &localAddress)
{
    in_addr target{};
    if (!ToAddress(newAddress, target))
        return {};
    const TIPInfo info;
    for (int i = 0; i < info.Count(); ++i) {
        const TAdapter &adapter = info.Adapter(i);
        for (const TInfoIPAddress &entry : adapter.IpAddressList) {
            in_addr own{};
            in_addr mask{};
            if (ToAddress(entry.IpAddress, own) && ToAddress(entry.IpMask, mask) && mask.s_addr != 0 &&
                (own.s_addr & mask.s_addr) == (target.s_addr & mask.s_addr))
                return adapter.AdapterName;
        }
    }
    for (int i = 0; i < info.Count() && !localAddress.isEmpty(); ++i) {
        const TAdapter &adapter = info.Adapter(i);
        for (const TInfoIPAddress &entry : adapter.IpAddressList) {
            if (entry.IpAddress == localAddress)
                return adapter.AdapterName;
        }
    }
    return {};
}

int TXPortIPChange::ChangeByArp(const QString &mac, const QString &newAddress, QString &message,
                                const QString &localAddress)
{
    message = MsgChangeError;
    if (!IsValidIP(newAddress)) {
        message = MsgIpSyntax;
        return Failed;
    }
    try {
        const QString interface = ArpInterface(newAddress, localAddress);
        if (interface.isEmpty()) {
            message += LineBreak + tr("No network adapter reaches %1.").arg(newAddress);
            return Failed;
        }
        if (!WriteNeighbourEntry(mac, newAddress, interface)) {
            // Without the entry the connection attempt cannot reach the device; claiming
            // the address was assigned would be false.
            message += LineBreak + tr("The ARP method needs administrator rights (CAP_NET_ADMIN) to "
                                      "write the neighbour entry.");
            return Failed;
        }
        TryConnection(newAddress);
    } catch (const std::exception &) {
        return Failed;
    }
    message = MsgArpDone;
    return ArpDone;
}

bool TXPortIPChange::WriteNeighbourEntry(const QString &mac, const QString &newAddress,
                                         const QString &interface) const
{
    QString linkAddress = mac;
    linkAddress.replace(QLatin1Char('-'), QLatin1Char(':'));
    const QStringList argv{IpProgram,
                           QStringLiteral("neigh"),
                           QStringLiteral("replace"),
                           newAddress,
                           QStringLiteral("lladdr"),
                           linkAddress,
                           QStringLiteral("dev"),
                           interface,
                           QStringLiteral("nud"),
                           QStringLiteral("permanent")};
    const pid_t pid = Platform::SpawnInOwnGroup(argv, true);
    if (pid < 0)
        throw Exception(QStringLiteral("Unable to start ") + IpProgram);
    int exitCode = -1;
    const Platform::TWaitResult result = Platform::WaitForChild(pid, NeighbourProgramWaitMs, &exitCode);
    if (result == Platform::TWaitResult::TimedOut)
        Platform::EndChildGroup(pid);
    return result == Platform::TWaitResult::Ended && exitCode == 0;
}

void TXPortIPChange::TryConnection(const QString &newAddress) const
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(1);
    if (!ToAddress(newAddress, target.sin_addr))
        return;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw Exception(QStringLiteral("socket failed"));
    // Whether the device answers or not, the attempt is what makes it take the address.
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) != 0 &&
        errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        while (::poll(&p, 1, ConnectTimeoutMs) < 0 && errno == EINTR) {
        }
    }
    ::close(fd);
}
