#include "discovery/IPInfo.h"

#include "model/uExceptions.h"
#include "platform/NetInfo.h"

namespace
{

QString HardwareText(const QByteArray &address)
{
    QStringList pairs;
    for (char byte : address)
        pairs.append(QStringLiteral("%1").arg(static_cast<quint8>(byte), 2, 16, QLatin1Char('0')).toUpper());
    return pairs.join(QLatin1Char(':'));
}

TAdapter MakeAdapter(const Platform::TAdapterRecord &record)
{
    TAdapter adapter;
    adapter.AdapterName = record.Name;
    adapter.Description = record.Description;
    adapter.AddressLength = static_cast<std::uint32_t>(record.HardwareAddress.size());
    adapter.Address = HardwareText(record.HardwareAddress);
    adapter.Index = record.Index;
    adapter.AdapterType = record.Type;
    adapter.DhcpEnabled = record.DhcpEnabled;
    for (const Platform::TAdapterAddress &address : record.Addresses)
        adapter.IpAddressList.emplace_back(address.Ip, address.Mask);
    if (!adapter.IpAddressList.empty())
        adapter.CurrentIpAddress = adapter.IpAddressList.front();
    for (const QString &gateway : record.Gateways)
        adapter.GatewayList.emplace_back(gateway, QString());
    return adapter;
}

} // namespace

const TInfoIPAddress &TAdapter::IpAddress(int index) const
{
    if (index < 0 || index >= Count())
        throw ERangeError(QStringLiteral("address index out of range: %1").arg(index));
    return IpAddressList[static_cast<std::size_t>(index)];
}

TIPInfo::TIPInfo()
{
    QList<Platform::TAdapterRecord> records;
    QString error;
    if (!Platform::ReadAdapters(records, error))
        throw Exception(error);
    if (records.isEmpty())
        throw Exception(QStringLiteral("No network adapter with an IPv4 address is up."));
    m_adapters.reserve(static_cast<std::size_t>(records.size()));
    for (const Platform::TAdapterRecord &record : records)
        m_adapters.push_back(MakeAdapter(record));
}

const TAdapter &TIPInfo::Adapter(int index) const
{
    if (index < 0 || index >= Count())
        throw ERangeError(QStringLiteral("adapter index out of range: %1").arg(index));
    return m_adapters[static_cast<std::size_t>(index)];
}

void ListAdapterAddresses(QStringList &list)
{
    list.clear();
    const TIPInfo info;
    for (int i = 0; i < info.Count(); ++i) {
        const TAdapter &adapter = info.Adapter(i);
        if (adapter.Count() > 0)
            list.append(adapter.IpAddress(0).IpAddress);
    }
}
