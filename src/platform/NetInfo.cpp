#include "platform/NetInfo.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

namespace Platform
{

namespace
{

QString Dotted(const sockaddr *address)
{
    if (!address || address->sa_family != AF_INET)
        return QStringLiteral("0.0.0.0");
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(address)->sin_addr, text, sizeof text);
    return QString::fromLatin1(text);
}

std::uint32_t TypeCode(unsigned short hardwareType, const QString &name)
{
    switch (hardwareType) {
    case ARPHRD_ETHER:
        return QDir(QStringLiteral("/sys/class/net/%1/wireless").arg(name)).exists() ? 71 : 6;
    case ARPHRD_PPP:
        return 23;
    default:
        return 1;
    }
}

QString Description(const QString &name)
{
    QFile alias(QStringLiteral("/sys/class/net/%1/ifalias").arg(name));
    if (alias.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(alias.readAll()).trimmed();
        if (!text.isEmpty())
            return text;
    }
    return name;
}

// Default gateways per interface from the kernel's IPv4 routing table.
QMap<QString, QList<QString>> Gateways()
{
    QMap<QString, QList<QString>> result;
    // thread-self: /proc/net is the main thread's view, and the adapters are read in
    // the network namespace of the calling thread.
    QFile routes(QStringLiteral("/proc/thread-self/net/route"));
    if (!routes.open(QIODevice::ReadOnly))
        return result;
    routes.readLine(); // header
    while (!routes.atEnd()) {
        const QList<QByteArray> f = routes.readLine().simplified().split(' ');
        if (f.size() < 3 || f[1] != "00000000")
            continue;
        bool ok = false;
        // The table holds addresses in network byte order written as a native integer.
        const std::uint32_t raw = f[2].toUInt(&ok, 16);
        if (!ok || raw == 0)
            continue;
        in_addr gateway{raw};
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &gateway, text, sizeof text);
        result[QString::fromLatin1(f[0])].append(QString::fromLatin1(text));
    }
    return result;
}

} // namespace

bool ReadAdapters(QList<TAdapterRecord> &adapters, QString &error)
{
    adapters.clear();
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    QMap<std::uint32_t, TAdapterRecord> byIndex;
    QMap<QString, std::uint32_t> indexOf;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const QString name = QString::fromLocal8Bit(entry->ifa_name);
        if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto *link = reinterpret_cast<const sockaddr_ll *>(entry->ifa_addr);
            TAdapterRecord &record = byIndex[static_cast<std::uint32_t>(link->sll_ifindex)];
            record.Name = name;
            record.Index = static_cast<std::uint32_t>(link->sll_ifindex);
            record.HardwareAddress = QByteArray(reinterpret_cast<const char *>(link->sll_addr),
                                                std::min<int>(link->sll_halen, sizeof link->sll_addr));
            record.Type = TypeCode(link->sll_hatype, name);
            indexOf[name] = record.Index;
        }
    }
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP) ||
            (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const QString name = QString::fromLocal8Bit(entry->ifa_name);
        // An alias label ("eth0:1") names the same interface.
        const QString base = name.section(QLatin1Char(':'), 0, 0);
        std::uint32_t index = indexOf.value(base, 0);
        if (index == 0) {
            index = if_nametoindex(base.toLocal8Bit().constData());
            if (index == 0)
                continue;
            TAdapterRecord &record = byIndex[index];
            record.Name = base;
            record.Index = index;
            record.Type = 1;
            indexOf[base] = index;
        }
        byIndex[index].Addresses.append({Dotted(entry->ifa_addr), Dotted(entry->ifa_netmask)});
    }
    freeifaddrs(list);

    const QMap<QString, QList<QString>> gateways = Gateways();
    for (TAdapterRecord &record : byIndex) {
        if (record.Addresses.isEmpty())
            continue;
        record.Description = Description(record.Name);
        record.Gateways = gateways.value(record.Name);
        adapters.append(record);
    }
    return true;
}

bool ResolveIPv4(const QString &name, std::uint32_t &address)
{
    const QByteArray host = name.toLocal8Bit();
    if (host.isEmpty())
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *result = nullptr;
    if (getaddrinfo(host.constData(), nullptr, &hints, &result) != 0 || !result)
        return false;
    bool found = false;
    for (const addrinfo *entry = result; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr) {
            address = ntohl(reinterpret_cast<const sockaddr_in *>(entry->ai_addr)->sin_addr.s_addr);
            found = true;
            break;
        }
    }
    freeaddrinfo(result);
    return found;
}

} // namespace Platform
