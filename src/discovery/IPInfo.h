#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// One IPv4 address entry; both texts empty when made from no data.
class TInfoIPAddress
{
public:
    TInfoIPAddress() = default;
    TInfoIPAddress(const QString &ipAddress, const QString &ipMask) : IpAddress(ipAddress), IpMask(ipMask) {}

    QString IpAddress;
    QString IpMask;
};

// One network adapter of this computer.
class TAdapter
{
public:
    QString AdapterName;
    QString Description;
    std::uint32_t AddressLength = 0;
    QString Address; // hardware address, "00:1A:2B:..." (empty when AddressLength is 0)
    std::uint32_t Index = 0;
    std::uint32_t AdapterType = 0;
    bool DhcpEnabled = false;
    TInfoIPAddress CurrentIpAddress;
    std::vector<TInfoIPAddress> IpAddressList;
    std::vector<TInfoIPAddress> GatewayList;
    TInfoIPAddress DhcpServer;
    bool HaveWins = false;
    TInfoIPAddress PrimaryWinsServer;
    TInfoIPAddress SecondaryWinsServer;

    int Count() const { return static_cast<int>(IpAddressList.size()); }
    // Raises ERangeError for an index outside 0 .. Count() - 1.
    const TInfoIPAddress &IpAddress(int index) const;
};

// The computer's IPv4 adapters (up, loopback excluded), read once when created, in
// the network namespace of the creating thread.
class TIPInfo
{
public:
    // Raises Exception with the system's text when the adapters cannot be read,
    // or when there is no adapter at all.
    TIPInfo();

    int Count() const { return static_cast<int>(m_adapters.size()); }
    // Raises ERangeError for an index outside 0 .. Count() - 1.
    const TAdapter &Adapter(int index) const;

private:
    std::vector<TAdapter> m_adapters;
};

// Clears list, then adds the first address of every adapter that has one, in
// adapter order. Raises as TIPInfo does.
void ListAdapterAddresses(QStringList &list);
