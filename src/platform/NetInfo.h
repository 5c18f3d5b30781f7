#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

namespace Platform
{

struct TAdapterAddress {
    QString Ip;   // dotted decimal
    QString Mask; // dotted decimal
};

// One network interface as the adapter list needs it.
struct TAdapterRecord {
    QString Name;
    QString Description;
    QByteArray HardwareAddress;
    std::uint32_t Index = 0;
    std::uint32_t Type = 0; // the Windows adapter type codes: 6 Ethernet, 71 wireless, 23 PPP, 1 other
    bool DhcpEnabled = false;
    QList<TAdapterAddress> Addresses;
    QList<QString> Gateways;
};

// The interfaces that are up, are not loopback and carry at least one IPv4 address,
// ordered by interface index, each with its IPv4 addresses in the kernel's order.
// Read in the network namespace of the calling thread. Returns false with the
// system's error text when the interface list cannot be read.
bool ReadAdapters(QList<TAdapterRecord> &adapters, QString &error);

// Resolves a host name to its first IPv4 address (host byte order) through the
// system resolver (hosts file, DNS). False when there is none.
bool ResolveIPv4(const QString &name, std::uint32_t &address);

} // namespace Platform
